#include "platform/inetoptions.h"
#include "platform/makerhost.h"

#include "platform/registry.h"
#include "platform/urlhistory.h"
#include "platform/urlinput.h"
#include "platform/webprofile.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
const QString MainKey = QStringLiteral("Software\\Microsoft\\Internet Explorer\\Main");
const QString UrlHistoryKey =
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Url History");

std::function<void()> &historyHandler()
{
    static std::function<void()> handler;
    return handler;
}

QString readMain(const QString &name)
{
    try {
        return TRegistry(RegRoot::CurrentUser).readValue(MainKey, name).text.trimmed();
    } catch (const RegistryError &) {
        return QString();
    }
}

bool writeMain(const QString &name, const QString &value)
{
    try {
        TRegistry(RegRoot::CurrentUser).writeString(MainKey, name, value);
    } catch (const RegistryError &) {
        return false;
    }
    return true;
}

QString defaultHomePage()
{
    return TMakerHost::Maker() + QLatin1Char('/');
}
}

namespace TInternetSettings {

QString StartPage()
{
    const QString page = readMain(QStringLiteral("Start Page"));
    return page.isEmpty() ? QStringLiteral("about:blank") : page;
}

bool SetStartPage(const QString &url)
{
    return writeMain(QStringLiteral("Start Page"), url.trimmed());
}

QString SearchPage()
{
    const QString page = readMain(QStringLiteral("Search Page"));
    return page.isEmpty() ? DefaultSearchPage() : page;
}

bool SetSearchPage(const QString &url)
{
    return writeMain(QStringLiteral("Search Page"), url.trimmed());
}

void SetClearHistoryHandler(std::function<void()> handler)
{
    historyHandler() = std::move(handler);
}

void ClearHistory()
{
    TWebProfile::instance()->clearVisitedLinks();
    TUrlHistory().Clear();
    if (historyHandler())
        historyHandler()();
}

int HistoryDays()
{
    try {
        const RegValue value = TRegistry(RegRoot::CurrentUser).readValue(UrlHistoryKey, QStringLiteral("DaysToKeep"));
        qint64 days = DefaultHistoryDays;
        if (value.type == RegType::Dword) {
            days = value.dword;
        } else if (value.type == RegType::Sz) {
            bool ok = false;
            days = value.text.trimmed().toLongLong(&ok);
            if (!ok)
                days = DefaultHistoryDays;
        }
        return int(qBound(qint64(0), days, qint64(MaxHistoryDays)));
    } catch (const RegistryError &) {
        return DefaultHistoryDays;
    }
}

bool SetHistoryDays(int days)
{
    try {
        TRegistry(RegRoot::CurrentUser)
                .writeDword(UrlHistoryKey, QStringLiteral("DaysToKeep"), quint32(qBound(0, days, MaxHistoryDays)));
    } catch (const RegistryError &) {
        return false;
    }
    return true;
}

}

TInternetOptionsDialog::TInternetOptionsDialog(const QString &currentPage, QWidget *parent)
    : QDialog(parent), m_currentPage(currentPage)
{
    setObjectName(QStringLiteral("frmInternetOptions"));
    setWindowTitle(tr("Internet Options"));
    Confirm = [this](const QString &question) {
        return QMessageBox::question(this, windowTitle(), question, QMessageBox::Ok | QMessageBox::Cancel)
                == QMessageBox::Ok;
    };

    auto named = [](QWidget *w, const char *name) { w->setObjectName(QLatin1String(name)); return w; };

    edtStartPage = new QLineEdit(TInternetSettings::StartPage(), this);
    named(edtStartPage, "edtStartPage");
    cmdUseCurrent = new QPushButton(tr("Use &Current"), this);
    named(cmdUseCurrent, "cmdUseCurrent");
    cmdUseCurrent->setEnabled(!currentPage.isEmpty());
    cmdUseDefault = new QPushButton(tr("Use De&fault"), this);
    named(cmdUseDefault, "cmdUseDefault");
    cmdUseBlank = new QPushButton(tr("Use &Blank"), this);
    named(cmdUseBlank, "cmdUseBlank");
    connect(cmdUseCurrent, &QPushButton::clicked, this, [this] { edtStartPage->setText(m_currentPage); });
    connect(cmdUseDefault, &QPushButton::clicked, this, [this] { edtStartPage->setText(defaultHomePage()); });
    connect(cmdUseBlank, &QPushButton::clicked, this,
            [this] { edtStartPage->setText(QStringLiteral("about:blank")); });

    edtSearchPage = new QLineEdit(TInternetSettings::SearchPage(), this);
    named(edtSearchPage, "edtSearchPage");
    edtSearchPage->setToolTip(tr("%s in the address stands for the words searched for"));

    cmdDeleteCookies = new QPushButton(tr("Delete C&ookies..."), this);
    named(cmdDeleteCookies, "cmdDeleteCookies");
    cmdDeleteFiles = new QPushButton(tr("Delete F&iles..."), this);
    named(cmdDeleteFiles, "cmdDeleteFiles");
    cmdClearHistory = new QPushButton(tr("Clear &History"), this);
    named(cmdClearHistory, "cmdClearHistory");
    connect(cmdDeleteCookies, &QPushButton::clicked, this, &TInternetOptionsDialog::deleteCookies);
    connect(cmdDeleteFiles, &QPushButton::clicked, this, &TInternetOptionsDialog::deleteFiles);
    connect(cmdClearHistory, &QPushButton::clicked, this, &TInternetOptionsDialog::clearHistory);
    edtHistoryDays = new QSpinBox(this);
    named(edtHistoryDays, "edtHistoryDays");
    edtHistoryDays->setRange(0, TInternetSettings::MaxHistoryDays);
    edtHistoryDays->setValue(TInternetSettings::HistoryDays());

    const TContentOptions content = TWebProfile::ReadContentOptions();
    chkImages = new QCheckBox(tr("Show &pictures"), this);
    named(chkImages, "chkImages");
    chkImages->setChecked(content.images);
    chkVideos = new QCheckBox(tr("Play &videos in web pages"), this);
    named(chkVideos, "chkVideos");
    chkVideos->setChecked(content.videos);
    chkSounds = new QCheckBox(tr("Play &sounds in web pages"), this);
    named(chkSounds, "chkSounds");
    chkSounds->setChecked(content.sounds);
    chkAnimations = new QCheckBox(tr("Play &animations in web pages"), this);
    named(chkAnimations, "chkAnimations");
    chkAnimations->setChecked(content.animations);

    auto *homeBox = new QGroupBox(tr("Home page"), this);
    auto *homeLayout = new QVBoxLayout(homeBox);
    auto *homeRow = new QHBoxLayout;
    auto *lblAddress = new QLabel(tr("Add&ress:"), homeBox);
    lblAddress->setBuddy(edtStartPage);
    homeRow->addWidget(lblAddress);
    homeRow->addWidget(edtStartPage, 1);
    auto *homeButtons = new QHBoxLayout;
    homeButtons->addStretch();
    homeButtons->addWidget(cmdUseCurrent);
    homeButtons->addWidget(cmdUseDefault);
    homeButtons->addWidget(cmdUseBlank);
    homeLayout->addLayout(homeRow);
    homeLayout->addLayout(homeButtons);

    auto *searchBox = new QGroupBox(tr("Search page"), this);
    auto *searchForm = new QFormLayout(searchBox);
    searchForm->addRow(tr("Addr&ess:"), edtSearchPage);

    auto *privateBox = new QGroupBox(tr("Browsing history"), this);
    auto *privateLayout = new QVBoxLayout(privateBox);
    auto *privateRow = new QHBoxLayout;
    privateRow->addWidget(cmdDeleteCookies);
    privateRow->addWidget(cmdDeleteFiles);
    privateRow->addWidget(cmdClearHistory);
    auto *daysRow = new QHBoxLayout;
    auto *lblHistoryDays = new QLabel(tr("&Days to keep pages in history:"), privateBox);
    lblHistoryDays->setBuddy(edtHistoryDays);
    daysRow->addWidget(lblHistoryDays);
    daysRow->addWidget(edtHistoryDays);
    daysRow->addStretch();
    privateLayout->addLayout(privateRow);
    privateLayout->addLayout(daysRow);

    auto *contentBox = new QGroupBox(tr("Multimedia"), this);
    auto *contentLayout = new QVBoxLayout(contentBox);
    contentLayout->addWidget(chkImages);
    contentLayout->addWidget(chkVideos);
    contentLayout->addWidget(chkSounds);
    contentLayout->addWidget(chkAnimations);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                         | QDialogButtonBox::Apply, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (apply())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { apply(); });
    buttons->button(QDialogButtonBox::Apply)->setText(tr("Appl&y"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(homeBox);
    layout->addWidget(searchBox);
    layout->addWidget(privateBox);
    layout->addWidget(contentBox);
    layout->addWidget(buttons);
}

bool TInternetOptionsDialog::apply()
{
    TContentOptions content;
    content.images = chkImages->isChecked();
    content.videos = chkVideos->isChecked();
    content.sounds = chkSounds->isChecked();
    content.animations = chkAnimations->isChecked();

    bool ok = true;
    // Unchanged switches are not rewritten, so other programs see no change.
    if (content != TWebProfile::ReadContentOptions())
        ok = TWebProfile::WriteContentOptions(content) && ok;
    const QString start = edtStartPage->text().trimmed();
    if (start != TInternetSettings::StartPage())
        ok = TInternetSettings::SetStartPage(start.isEmpty() ? QStringLiteral("about:blank") : start) && ok;
    const QString search = edtSearchPage->text().trimmed();
    if (search != TInternetSettings::SearchPage())
        ok = TInternetSettings::SetSearchPage(search) && ok;
    // Older pages go at the next start.
    if (edtHistoryDays->value() != TInternetSettings::HistoryDays())
        ok = TInternetSettings::SetHistoryDays(edtHistoryDays->value()) && ok;
    TWebProfile::instance()->refresh();
    if (!ok)
        QMessageBox::warning(this, windowTitle(), tr("The settings could not be saved."));
    return ok;
}

void TInternetOptionsDialog::deleteCookies()
{
    if (Confirm && !Confirm(tr("Delete all cookies?")))
        return;
    TWebProfile::instance()->clearCookies();
}

void TInternetOptionsDialog::deleteFiles()
{
    if (Confirm && !Confirm(tr("Delete all temporary Internet files?")))
        return;
    TWebProfile::instance()->clearCache();
}

void TInternetOptionsDialog::clearHistory()
{
    if (Confirm && !Confirm(tr("Are you sure you want to delete the list of pages you have visited?")))
        return;
    TInternetSettings::ClearHistory();
    Q_EMIT historyCleared();
}
