#include "testenv.h"

#include "navigation/open.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestOpen : public QObject {
    Q_OBJECT
private slots:
    void opensEmptyWithOkDisabled();
    void okFollowsText();
    void enterActsOnlyThroughOk();
    void browseSetsPath();
    void okStoresResults();
    void cancelChangesNothing();
};

void TestOpen::opensEmptyWithOkDisabled()
{
    const QStringList entries{ QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/") };
    TfrmOpen dialog(nullptr, entries);
    QVERIFY(dialog.cmdOK->isDefault());
    dialog.show();
    QCOMPARE(dialog.ComboBox1->currentText(), QString());
    QCOMPARE(dialog.ComboBox1->count(), 2);
    QCOMPARE(dialog.ComboBox1->itemText(1), entries.at(1));
    QVERIFY(!dialog.cmdOK->isEnabled());
    QVERIFY(dialog.chkNewTab->isChecked());

    // Shown again, it is empty again, with the entries copied afresh.
    QTest::keyClicks(dialog.ComboBox1, QStringLiteral("typed"));
    dialog.hide();
    dialog.SetAddressEntries({ QStringLiteral("http://c.example/") });
    dialog.show();
    QCOMPARE(dialog.ComboBox1->currentText(), QString());
    QCOMPARE(dialog.ComboBox1->count(), 1);
    QVERIFY(!dialog.cmdOK->isEnabled());
}

void TestOpen::okFollowsText()
{
    TfrmOpen dialog(nullptr, { QStringLiteral("http://a.example/") });
    dialog.show();
    QTest::keyClicks(dialog.ComboBox1, QStringLiteral("x"));
    QVERIFY(dialog.cmdOK->isEnabled());
    QTest::keyClick(dialog.ComboBox1, Qt::Key_Backspace);
    QVERIFY(!dialog.cmdOK->isEnabled());
    dialog.ComboBox1->setCurrentIndex(0);   // picking an entry from the list
    QVERIFY(dialog.cmdOK->isEnabled());
    QCOMPARE(dialog.ComboBox1->count(), 1);   // typed text is never added to the list
}

void TestOpen::enterActsOnlyThroughOk()
{
    TfrmOpen dialog(nullptr);
    dialog.show();
    QTest::keyClick(dialog.ComboBox1, Qt::Key_Return);
    QTest::keyClick(dialog.ComboBox1->lineEdit(), Qt::Key_Enter);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(dialog.ResultAddress.isEmpty());

    QTest::keyClicks(dialog.ComboBox1, QStringLiteral("example.org"));
    QTest::keyClick(dialog.ComboBox1, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.ResultAddress, QStringLiteral("example.org"));
    QCOMPARE(dialog.ComboBox1->count(), 0);
}

void TestOpen::browseSetsPath()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("page one.html"));
    TfrmOpen dialog(nullptr);
    QString title;
    QStringList filters;
    QString answer = file;
    dialog.ChooseFile = [&](QFileDialog *fileDialog) {
        title = fileDialog->windowTitle();
        filters = fileDialog->nameFilters();
        return answer;
    };
    dialog.show();
    dialog.cmdBrowse->click();
    QCOMPARE(title, QStringLiteral("Open"));
    QCOMPARE(filters, (QStringList{ QStringLiteral("Web Documents (*.htm *.html)"), QStringLiteral("Any file (*)") }));
    QCOMPARE(dialog.ComboBox1->currentText(), file);
    QVERIFY(dialog.cmdOK->isEnabled());

    // Cancelling the file dialog keeps the text and the OK state.
    answer.clear();
    dialog.cmdBrowse->click();
    QCOMPARE(dialog.ComboBox1->currentText(), file);
    QVERIFY(dialog.cmdOK->isEnabled());

    dialog.cmdOK->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.ResultAddress, file);
    QVERIFY(dialog.OpenOnNewTab);

    // On an empty box a cancelled browse leaves OK disabled.
    dialog.show();
    dialog.cmdBrowse->click();
    QVERIFY(!dialog.cmdOK->isEnabled());
}

void TestOpen::okStoresResults()
{
    TfrmOpen dialog(nullptr);
    dialog.show();
    dialog.chkNewTab->setChecked(false);
    QTest::keyClicks(dialog.ComboBox1, QStringLiteral("http://x.example/a b"));
    dialog.cmdOK->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.ResultAddress, QStringLiteral("http://x.example/a b"));   // unchanged
    QVERIFY(!dialog.OpenOnNewTab);
}

void TestOpen::cancelChangesNothing()
{
    TfrmOpen dialog(nullptr);
    dialog.show();
    QTest::keyClicks(dialog.ComboBox1, QStringLiteral("http://x.example/"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(dialog.ResultAddress.isEmpty());
    QVERIFY(!dialog.OpenOnNewTab);
}

TV_TEST_MAIN_GUI(TestOpen)
#include "tst_open.moc"
