#include "testenv.h"

#include "groups/vessagroup.h"
#include "groups/vessagroupform.h"
#include "platform/paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

class TestVessaGroupForm : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensWithRowsAndLayout();
    void confirmingRenumbersBlankKeys();
    void arrowsStopAtTheEnds();
    void stickyNameEditKeepsTheLock();
    void insertNeedsALocation();
    void deletingEveryRowErasesTheSection();
    void vanishedFileAsksForAName();

private:
    static QByteArray read(const QString &path);
    static QStringList rows(const TfrmVessaGroup &form);

    QString m_path;
    QString m_saveAnswer;
    int m_saveDialogs = 0;
};

QByteArray TestVessaGroupForm::read(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QStringList TestVessaGroupForm::rows(const TfrmVessaGroup &form)
{
    QStringList result;
    for (int i = 0; i < form.RowCount(); ++i)
        result.append(form.RowTexts(i).join(QLatin1Char('|')));
    return result;
}

void TestVessaGroupForm::init()
{
    m_path = TPaths::Join(EnsureGroupFolder(), QStringLiteral("Daily.vgp"));
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[VessaGroup]\r\nblank1=http://a/\r\nNews=*http://b/\r\nblank5=http://c/\r\nBLANKX=http://d/\r\n");
    file.close();
    m_saveAnswer.clear();
    m_saveDialogs = 0;
    GroupDialogs().SavePath = [this](QWidget *, const QString &, const QString &) {
        ++m_saveDialogs;
        return m_saveAnswer;
    };
    GroupDialogs().ShowError = [](QWidget *, const QString &message) { QFAIL(qPrintable(message)); };
}

void TestVessaGroupForm::cleanup()
{
    ResetGroupDialogs();
    QDir(GroupFolder()).removeRecursively();
}

void TestVessaGroupForm::opensWithRowsAndLayout()
{
    TfrmVessaGroup form(nullptr, m_path);
    QCOMPARE(form.windowTitle(), QStringLiteral("VessaGroup"));
    QCOMPARE(form.findChild<QLabel *>(QStringLiteral("lblVessaGroupName"))->text(), QStringLiteral("VessaGroup: Daily.vgp"));
    QCOMPARE(form.findChild<QLabel *>(QStringLiteral("lblTitle"))->text(),
             QStringLiteral("Leave StickyName blank in order to see dynamic tab titles"));
    QTreeWidget *list = form.findChild<QTreeWidget *>(QStringLiteral("lstSites"));
    QVERIFY(list);
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("StickyName"));
    QCOMPARE(list->columnWidth(0), 100);
    QCOMPARE(list->columnWidth(1), 305);
    // Keys beginning with "blank" in any case show no StickyName; the lock shows as "X".
    QCOMPARE(rows(form), QStringList({"|http://a/|", "News|http://b/|X", "|http://c/|", "|http://d/|"}));

    // The panel is hidden by the client height: its top - 2, shown: top + height + 7.
    QGroupBox *panel = form.findChild<QGroupBox *>(QStringLiteral("GroupBox1"));
    QVERIFY(!form.PanelShown());
    QCOMPARE(form.height(), panel->y() - 2);
    QCOMPARE(form.width(), 571);
    QVERIFY(form.findChild<QPushButton *>(QStringLiteral("cmdInsert"))->isEnabled());
    QVERIFY(!form.findChild<QPushButton *>(QStringLiteral("cmdUpdate"))->isEnabled());
    QVERIFY(!form.findChild<QPushButton *>(QStringLiteral("cmdDelete"))->isEnabled());

    form.cmdInsertClick();
    QVERIFY(form.PanelShown());
    QCOMPARE(form.height(), 377);
    QCOMPARE(form.height(), panel->y() + panel->height() + 7);
    QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("cmdUrlInsert"))->text(), QStringLiteral("Insert"));
    QVERIFY(!form.findChild<QPushButton *>(QStringLiteral("cmdInsert"))->isEnabled());
    form.cmdUrlCancelClick();
    QCOMPARE(form.height(), panel->y() - 2);
    QCOMPARE(form.RowCount(), 4);
}

void TestVessaGroupForm::confirmingRenumbersBlankKeys()
{
    TfrmVessaGroup form(nullptr, m_path);
    form.cmdOkClick();
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(m_saveDialogs, 0);
    QCOMPARE(read(m_path), QByteArray("[VessaGroup]\r\nblank1=http://a/\r\nNews=*http://b/\r\nblank3=http://c/\r\n"
                                      "blank4=http://d/\r\n"));
}

void TestVessaGroupForm::arrowsStopAtTheEnds()
{
    TfrmVessaGroup form(nullptr, m_path);
    const QStringList before = rows(form);
    form.SelectRow(0);
    form.cmdUpClick();
    QCOMPARE(rows(form), before);
    form.SelectRow(3);
    form.cmdDownClick();
    QCOMPARE(rows(form), before);

    form.SelectRow(1);
    form.cmdUpClick();
    QCOMPARE(form.SelectedRow(), 0);
    QCOMPARE(form.RowTexts(0).join(QLatin1Char('|')), QStringLiteral("News|http://b/|X"));
    form.cmdDownClick();
    form.cmdDownClick();
    QCOMPARE(form.SelectedRow(), 2);
    QCOMPARE(rows(form), QStringList({"|http://a/|", "|http://c/|", "News|http://b/|X", "|http://d/|"}));
    QVERIFY(form.findChild<QToolButton *>(QStringLiteral("cmdUp"))->isEnabled());
}

void TestVessaGroupForm::stickyNameEditKeepsTheLock()
{
    TfrmVessaGroup form(nullptr, m_path);
    form.SelectRow(1);
    form.cmdUpdateClick();
    QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("cmdUrlInsert"))->text(), QStringLiteral("Update"));
    QCOMPARE(form.edtTitle->text(), QStringLiteral("News"));
    QVERIFY(form.chkTabLocked->isChecked());
    form.edtTitle->setText(QStringLiteral("Headlines"));
    form.cmdUrlInsertClick();
    QVERIFY(!form.PanelShown());
    QCOMPARE(form.RowTexts(1).join(QLatin1Char('|')), QStringLiteral("Headlines|http://b/|X"));

    // Update on a locked row followed by Insert starts from a clear panel.
    form.cmdInsertClick();
    QVERIFY(form.edtTitle->text().isEmpty());
    QVERIFY(!form.chkTabLocked->isChecked());
    form.cmdUrlCancelClick();

    form.cmdOkClick();
    QCOMPARE(TVessaGroup(nullptr, m_path).Items.at(1), QStringLiteral("Headlines=*http://b/"));
}

void TestVessaGroupForm::insertNeedsALocation()
{
    TfrmVessaGroup form(nullptr, m_path);
    form.cmdInsertClick();
    form.edtTitle->setText(QStringLiteral("Only a name"));
    form.cmdUrlInsertClick();
    QVERIFY(form.PanelShown());
    QCOMPARE(form.RowCount(), 4);

    form.edtLocation->setText(QStringLiteral("http://e/"));
    form.chkTabLocked->setChecked(true);
    form.cmdUrlInsertClick();
    QVERIFY(!form.PanelShown());
    QCOMPARE(form.RowTexts(4).join(QLatin1Char('|')), QStringLiteral("Only a name|http://e/|X"));
}

void TestVessaGroupForm::deletingEveryRowErasesTheSection()
{
    TfrmVessaGroup form(nullptr, m_path);
    while (form.RowCount() > 0) {
        form.SelectRow(0);
        form.cmdDeleteClick();
        QVERIFY(!form.findChild<QPushButton *>(QStringLiteral("cmdDelete"))->isEnabled());
    }
    form.cmdOkClick();
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(read(m_path), QByteArray());
    QCOMPARE(TVessaGroup(nullptr, m_path).Count(), 0);
}

void TestVessaGroupForm::vanishedFileAsksForAName()
{
    TfrmVessaGroup form(nullptr, m_path);
    QFile::remove(m_path);

    // Cancelling the save dialog writes nothing and keeps the edits open.
    form.cmdOkClick();
    QCOMPARE(m_saveDialogs, 1);
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(m_path));

    m_saveAnswer = TPaths::Join(GroupFolder(), QStringLiteral("Rescued.vgp"));
    form.cmdOkClick();
    QCOMPARE(m_saveDialogs, 2);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(TVessaGroup(nullptr, m_saveAnswer).Count(), 4);
}

TV_TEST_MAIN_GUI(TestVessaGroupForm)
#include "tst_vessagroupform.moc"
