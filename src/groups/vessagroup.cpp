#include "groups/vessagroup.h"

#include "platform/inifile.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSet>

const QString TVessaGroup::SectionName = QStringLiteral("VessaGroup");

namespace {

const QString FileFilter = QStringLiteral("VessaGroup Files (*.vgp)");

QString defaultSavePath(QWidget *owner, const QString &title, const QString &folder)
{
    QFileDialog dialog(owner, title, folder, FileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("vgp"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);   // the group asks its own question
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString defaultOpenPath(QWidget *owner, const QString &title, const QString &folder)
{
    QFileDialog dialog(owner, title, folder, FileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("vgp"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

TOverwriteAnswer defaultConfirmOverwrite(QWidget *owner, const QString &question)
{
    const auto answer = QMessageBox::question(owner, QStringLiteral("Confirm"), question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        return TOverwriteAnswer::Yes;
    return answer == QMessageBox::No ? TOverwriteAnswer::No : TOverwriteAnswer::Cancel;
}

void defaultShowError(QWidget *owner, const QString &message)
{
    QMessageBox::critical(owner, QStringLiteral("Tabvane"), message);
}

TGroupDialogs makeDefaults()
{
    return {defaultSavePath, defaultOpenPath, defaultConfirmOverwrite, defaultShowError};
}

// "blank" + decimal number, exactly as generated keys are written.
bool isGeneratedKey(const QString &key, int *number)
{
    if (!key.startsWith(QLatin1String("blank")) || key.size() == 5)
        return false;
    bool ok = false;
    const QStringView digits = QStringView(key).mid(5);
    for (const QChar c : digits) {
        if (!c.isDigit() || c.unicode() > '9')
            return false;
    }
    *number = digits.toInt(&ok);
    return ok;
}

QString cleanedKey(QString key)
{
    key.remove(QLatin1Char('\r'));
    key.remove(QLatin1Char('\n'));
    key.remove(QChar(0));
    key.remove(QLatin1Char('='));
    key = key.trimmed();
    while (key.startsWith(QLatin1Char('[')))
        key = key.mid(1).trimmed();
    return key;
}

}

TGroupDialogs &GroupDialogs()
{
    static TGroupDialogs dialogs = makeDefaults();
    return dialogs;
}

void ResetGroupDialogs()
{
    GroupDialogs() = makeDefaults();
}

QString GroupFolder()
{
    return TPaths::Join(TPaths::DataDir(), QStringLiteral("VessaGroups"));
}

QString EnsureGroupFolder()
{
    const QString folder = GroupFolder();
    QDir().mkpath(folder);
    return folder;
}

bool IsGroupFile(const QString &path)
{
    return path.endsWith(QLatin1String(".vgp"), Qt::CaseInsensitive);
}

bool IsHandOverGroupFile(const QString &path)
{
    return path.endsWith(QLatin1String(".vgp")) && QFileInfo(path).isFile();
}

QString ChooseGroupFile(QWidget *owner, const QString &title)
{
    const QString path = GroupDialogs().OpenPath(owner, title, EnsureGroupFolder());
    return IsGroupFile(path) ? path : QString();
}

TVessaGroup::TVessaGroup(QWidget *owner, const QString &fileName)
    : m_owner(owner), m_fileName(fileName)
{
    if (fileName.isEmpty() || !QFileInfo::exists(fileName)) {
        m_fileName.clear();
        return;
    }
    const TIniPairs pairs = TIniFile(fileName).ReadSectionPairs(SectionName);
    for (const TIniPair &pair : pairs) {
        if (!pair.second.isEmpty())
            Items.append(pair.first + QLatin1Char('=') + pair.second);
    }
}

QString TVessaGroup::Key(int index) const
{
    const QString &item = Items.at(index);
    const int eq = item.indexOf(QLatin1Char('='));
    return eq < 0 ? item : item.left(eq);
}

QString TVessaGroup::Value(int index) const
{
    const QString &item = Items.at(index);
    const int eq = item.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : item.mid(eq + 1);
}

void TVessaGroup::AddSite(const QString &name, const QString &address, bool locked)
{
    QString key = name;
    key.remove(QLatin1Char('='));
    if (name.isEmpty())
        key = QStringLiteral("blank") + QString::number(Items.size() + 1);
    Items.append(key + QLatin1Char('=') + (locked ? QStringLiteral("*") : QString()) + address);
}

QStringList TVessaGroup::UniqueKeys(const QStringList &keys)
{
    QStringList cleaned;
    QSet<QString> taken;   // case-folded: every key present, so a new name never collides
    for (const QString &key : keys) {
        cleaned.append(cleanedKey(key));
        if (!cleaned.last().isEmpty())
            taken.insert(cleaned.last().toCaseFolded());
    }
    QStringList result;
    QSet<QString> written;
    for (int i = 0; i < cleaned.size(); ++i) {
        QString key = cleaned.at(i);
        if (key.isEmpty() || written.contains(key.toCaseFolded())) {
            int number = 0;
            if (key.isEmpty() || isGeneratedKey(key, &number)) {
                number = key.isEmpty() ? i + 1 : number + 1;
                while (taken.contains(QStringLiteral("blank") + QString::number(number)))
                    ++number;
                key = QStringLiteral("blank") + QString::number(number);
            } else {
                const QString base = key;
                number = 2;
                do {
                    key = base + QStringLiteral(" (") + QString::number(number++) + QLatin1Char(')');
                } while (taken.contains(key.toCaseFolded()));
            }
            taken.insert(key.toCaseFolded());
        }
        written.insert(key.toCaseFolded());
        result.append(key);
    }
    return result;
}

TSaveResult TVessaGroup::Save()
{
    TGroupDialogs &dialogs = GroupDialogs();
    if (m_fileName.isEmpty()) {
        QString path = dialogs.SavePath(m_owner, QStringLiteral("Save VessaGroup"), EnsureGroupFolder());
        if (path.isEmpty())
            return TSaveResult::Cancelled;
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".vgp");
        if (QFileInfo::exists(path)) {
            const TOverwriteAnswer answer = dialogs.ConfirmOverwrite(m_owner,
                QStringLiteral("A VessaGroup with this name already exists. Do you want to overwrite it?"));
            if (answer != TOverwriteAnswer::Yes)
                return TSaveResult::Cancelled;
        }
        m_fileName = path;
    }

    QStringList keys;
    for (int i = 0; i < Items.size(); ++i)
        keys.append(Key(i));
    keys = UniqueKeys(keys);
    TIniPairs pairs;
    QStringList written;
    for (int i = 0; i < Items.size(); ++i) {
        pairs.append({keys.at(i), Value(i)});
        written.append(keys.at(i) + QLatin1Char('=') + Value(i));
    }
    TIniFile file(m_fileName);
    if (!file.WriteSection(SectionName, pairs)) {
        dialogs.ShowError(m_owner, file.ErrorString());
        return TSaveResult::Failed;
    }
    Items = written;
    return TSaveResult::Saved;
}

QList<TGroupTabPlan> GroupTabPlans(const TVessaGroup &group)
{
    QList<TGroupTabPlan> plans;
    for (int i = 0; i < group.Count(); ++i) {
        TGroupTabPlan plan;
        const QString key = group.Key(i);
        if (!key.startsWith(QLatin1String("blank")))
            plan.StickyName = key;
        plan.Address = group.Value(i);
        if (plan.Address.startsWith(QLatin1Char('*'))) {
            plan.Address.remove(0, 1);
            plan.LockAfterLoad = true;
        }
        if (plan.Address.isEmpty())
            plan.Address = QStringLiteral("about:blank");
        plans.append(plan);
    }
    return plans;
}

QList<TGroupTabPlan> ReadGroupTabPlans(const QString &path)
{
    return GroupTabPlans(TVessaGroup(nullptr, path));
}
