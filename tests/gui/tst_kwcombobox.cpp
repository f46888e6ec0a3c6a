#include "testenv.h"

#include "navigation/kwcombobox.h"
#include "navigation/shautocomplete.h"
#include "platform/urlhistory.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestKWComboBox : public QObject {
    Q_OBJECT
private slots:
    void keyDownSeesEnterWithModifiers();
    void keyPressCanConsumeCharacters();
    void ie4CompletionWhileTyping();
    void choosingAnEntryClicks();
    void closeUpAfterPopup();
    void setItemsKeepsText();
    void historyCompletionAttachesOnce();
};

void TestKWComboBox::keyDownSeesEnterWithModifiers()
{
    TKWComboBox box;
    box.SetItems({ QStringLiteral("word") });
    QList<QPair<int, Qt::KeyboardModifiers>> seen;
    connect(&box, &TKWComboBox::KeyDown, this, [&](int *key, Qt::KeyboardModifiers shift) {
        seen.append({ *key, shift });
        if (*key == Qt::Key_Return || *key == Qt::Key_Shift || *key == Qt::Key_Control)
            *key = 0;
    });
    QSignalSpy clicks(&box, &TKWComboBox::OnClick);
    box.show();
    QTest::keyClicks(&box, QStringLiteral("word"));
    QTest::keyClick(&box, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyPress(&box, Qt::Key_Control);
    const auto enter = std::find_if(seen.cbegin(), seen.cend(), [](const auto &k) { return k.first == Qt::Key_Return; });
    QVERIFY(enter != seen.cend());
    QCOMPARE(enter->second, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(seen.last().first, int(Qt::Key_Control));
    // The consumed Enter neither chose the matching entry nor added the text to the list.
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(box.count(), 1);
    QCOMPARE(box.currentText(), QStringLiteral("word"));
}

void TestKWComboBox::keyPressCanConsumeCharacters()
{
    TKWComboBox box;
    QString offered;
    connect(&box, &TKWComboBox::KeyPress, this, [&](QChar *key) {
        offered += *key;
        // The character arrives before the edit has it.
        QVERIFY(!box.currentText().contains(*key));
        if (*key == QLatin1Char('\r') || *key == QLatin1Char('x'))
            *key = QChar();
    });
    box.show();
    QTest::keyClicks(&box, QStringLiteral("abxc"));
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(offered, QStringLiteral("abxc\r"));
    QCOMPARE(box.currentText(), QStringLiteral("abc"));
    QCOMPARE(box.count(), 0);
    // Keys that reach the edit directly are offered too, and only once.
    QTest::keyClicks(box.lineEdit(), QStringLiteral("dx"));
    QCOMPARE(offered, QStringLiteral("abxc\rdx"));
    QCOMPARE(box.currentText(), QStringLiteral("abcd"));
}

void TestKWComboBox::ie4CompletionWhileTyping()
{
    TKWComboBox box;
    box.SetItems({ QStringLiteral("http://www.example.com/"), QStringLiteral("http://www.other.org/") });
    connect(&box, &TKWComboBox::KeyPress, this, [&](QChar *key) {
        if (box.CompleteIE4(*key))
            *key = QChar();
    });
    QSignalSpy clicks(&box, &TKWComboBox::OnClick);
    box.show();
    QLineEdit *edit = box.lineEdit();

    QTest::keyClicks(&box, QStringLiteral("w"));
    QCOMPARE(edit->text(), QStringLiteral("www.example.com/"));
    QCOMPARE(edit->selectionStart(), 1);
    QCOMPARE(edit->selectedText(), QStringLiteral("ww.example.com/"));
    // Typing over the selection keeps completing; a new letter switches the entry.
    QTest::keyClicks(&box, QStringLiteral("ww.o"));
    QCOMPARE(edit->text(), QStringLiteral("www.other.org/"));
    QCOMPARE(edit->selectedText(), QStringLiteral("ther.org/"));
    QCOMPARE(box.currentIndex(), 1);

    // At the front of existing text only what is before the caret counts.
    edit->setText(QStringLiteral("zzz"));
    edit->setCursorPosition(0);
    QTest::keyClicks(&box, QStringLiteral("h"));
    QCOMPARE(edit->text(), QStringLiteral("http://www.example.com/"));
    QCOMPARE(edit->selectionStart(), 1);

    // No match: the character is typed normally.
    edit->setText(QStringLiteral("q"));
    QTest::keyClicks(&box, QStringLiteral("q"));
    QCOMPARE(edit->text(), QStringLiteral("qq"));
    QCOMPARE(clicks.count(), 0);   // completion never navigates
}

void TestKWComboBox::choosingAnEntryClicks()
{
    TKWComboBox box;
    box.SetItems({ QStringLiteral("http://a/"), QStringLiteral("http://b/") });
    QSignalSpy clicks(&box, &TKWComboBox::OnClick);
    box.show();
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(clicks.count(), 1);
    QVERIFY(!box.currentText().isEmpty());
    Q_EMIT box.activated(1);
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(box.Items(), (QStringList{ QStringLiteral("http://a/"), QStringLiteral("http://b/") }));
}

void TestKWComboBox::closeUpAfterPopup()
{
    TKWComboBox box;
    box.SetItems({ QStringLiteral("http://a/") });
    QSignalSpy closeUps(&box, &TKWComboBox::OnCloseUp);
    box.show();
    box.showPopup();
    QCOMPARE(closeUps.count(), 0);
    box.hidePopup();
    QCOMPARE(closeUps.count(), 1);
}

void TestKWComboBox::setItemsKeepsText()
{
    TKWComboBox box;
    box.show();
    QTest::keyClicks(&box, QStringLiteral("typed"));
    box.lineEdit()->setCursorPosition(2);
    QSignalSpy clicks(&box, &TKWComboBox::OnClick);
    box.SetItems({ QStringLiteral("http://a/"), QStringLiteral("typed") });
    QCOMPARE(box.currentText(), QStringLiteral("typed"));
    QCOMPARE(box.lineEdit()->cursorPosition(), 2);
    QCOMPARE(box.count(), 2);
    QCOMPARE(clicks.count(), 0);
    // Item search is case-sensitive.
    QCOMPARE(box.findText(QStringLiteral("TYPED")), -1);
}

void TestKWComboBox::historyCompletionAttachesOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.db"));
    TUrlHistory history(path);
    QVERIFY(history.Record(QStringLiteral("http://www.example.com/")));
    QVERIFY(history.Record(QStringLiteral("http://www.examples.org/")));

    TKWComboBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QLineEdit *edit = box.lineEdit();
    QVERIFY(!edit->completer());   // none by default

    TSHAutoComplete(edit, SHACF_DEFAULT, path);
    QVERIFY(!HasHistoryCompletion(edit));
    TSHAutoComplete(edit, SHACF_URLALL, path);
    QVERIFY(HasHistoryCompletion(edit));
    QCompleter *completer = edit->completer();
    TSHAutoComplete(edit, SHACF_URLALL, path);
    QCOMPARE(edit->completer(), completer);

    int enters = 0;
    connect(&box, &TKWComboBox::KeyDown, this, [&](int *key, Qt::KeyboardModifiers) {
        if (*key == Qt::Key_Return) {
            ++enters;
            *key = 0;
        }
    });
    box.activateWindow();
    box.setFocus();
    QTest::keyClicks(&box, QStringLiteral("exa"));
    QCOMPARE(completer->completionCount(), 2);
    QTRY_VERIFY(completer->popup()->isVisible());
    // Enter on an entry of the completer's popup puts it into the box and reaches the owner.
    completer->popup()->setCurrentIndex(completer->completionModel()->index(1, 0));
    QTest::keyClick(completer->popup(), Qt::Key_Return);
    QCOMPARE(enters, 1);
    QVERIFY(!completer->popup()->isVisible());
    QCOMPARE(edit->text(), completer->completionModel()->index(1, 0).data().toString());
    QVERIFY(edit->text().startsWith(QStringLiteral("http://www.example")));

    // Switching away from IE5 style leaves the completion attached.
    TSHAutoComplete(edit, SHACF_DEFAULT, path);
    QVERIFY(HasHistoryCompletion(edit));
}

TV_TEST_MAIN_GUI(TestKWComboBox)
#include "tst_kwcombobox.moc"
