#include <QtTest>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <functional>

#include "app/confirm.h"
#include "browser/closeall.h"
#include "testenv.h"

namespace {
// Runs `action` on the modal dialog of type T as soon as it is on screen; the code under
// test is blocked in exec() meanwhile.
template <typename T>
void whenShown(std::function<void(T *)> action)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto *dlg = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dlg);
        }
    });
    timer->start();
}

enum class Answer { Ok, Cancel, Close, Escape };
}
Q_DECLARE_METATYPE(Answer)

class TestDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void confirmAnswers_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("initiallyChecked");
        QTest::addColumn<bool>("toggle");
        QTest::addColumn<bool>("ok");
        QTest::newRow("yes, box ticked") << Answer::Ok << false << true << true;
        QTest::newRow("no keeps the ticked box") << Answer::Cancel << false << true << false;
        QTest::newRow("no, box left checked") << Answer::Cancel << true << false << false;
        QTest::newRow("window closed") << Answer::Close << false << true << false;
        QTest::newRow("escape") << Answer::Escape << true << false << false;
    }
    void confirmAnswers()
    {
        QFETCH(Answer, answer);
        QFETCH(bool, initiallyChecked);
        QFETCH(bool, toggle);
        QFETCH(bool, ok);
        // Checks run after the dialog has gone: a failure inside would leave it open.
        QString title;
        bool shownChecked = !initiallyChecked;
        whenShown<TfrmConfirm>([=, &title, &shownChecked](TfrmConfirm *dlg) {
            title = dlg->windowTitle();
            shownChecked = dlg->chkConfirm->isChecked();
            if (toggle)
                QTest::mouseClick(dlg->chkConfirm, Qt::LeftButton, {},
                                  QPoint(6, dlg->chkConfirm->height() / 2));
            switch (answer) {
            case Answer::Ok: QTest::mouseClick(dlg->cmdOK, Qt::LeftButton); break;
            case Answer::Cancel: QTest::mouseClick(dlg->cmdCancel, Qt::LeftButton); break;
            case Answer::Close: dlg->close(); break;
            case Answer::Escape: QTest::keyClick(dlg, Qt::Key_Escape); break;
            }
        });
        const TConfirmResult r =
            Confirm(nullptr, "Close All", "You are about to close all open tabs.",
                    "Do you want to proceed?", "Yes", "No", "Don't ask me again",
                    initiallyChecked);
        QCOMPARE(title, QStringLiteral("Close All"));
        QCOMPARE(shownChecked, initiallyChecked);
        QCOMPARE(r.ok, ok);
        QCOMPARE(r.checked, initiallyChecked != toggle);
    }

    void confirmHidesEmptyElements()
    {
        QList<bool> hidden;
        QSize size;
        Qt::TextFormat titleFormat = Qt::AutoText;
        whenShown<TfrmConfirm>([&](TfrmConfirm *dlg) {
            hidden = {dlg->cmdOK->isHidden(), dlg->cmdCancel->isHidden(),
                      dlg->chkConfirm->isHidden()};
            size = dlg->size();
            titleFormat = dlg->lblTitle->textFormat();
            dlg->cmdCancel->click();
        });
        const TConfirmResult r = Confirm(nullptr, "Notice", "<b>Popup</b> closed",
                                         "Line 1\nLine 2", QString(), "Close", QString(), true);
        QCOMPARE(hidden, (QList<bool>{true, false, true}));
        QCOMPARE(size, QSize(408, 174));
        // A title that looks like markup is shown as written.
        QCOMPARE(titleFormat, Qt::PlainText);
        QVERIFY(!r.ok);
        QVERIFY(r.checked);   // the hidden box still reports its state
    }

    // A prompt of many lines (the About box's) is shown in full: the prompt area grows with
    // it and the check box and buttons move below it, still inside the dialog.
    void confirmShowsLongPromptInFull()
    {
        int scrollRange = -1;
        QRect prompt, check, ok, dialog;
        whenShown<TfrmConfirm>([&](TfrmConfirm *dlg) {
            scrollRange = dlg->mmoPrompt2->verticalScrollBar()->maximum();
            prompt = dlg->mmoPrompt2->geometry();
            check = dlg->chkConfirm->geometry();
            ok = dlg->cmdOK->geometry();
            dialog = dlg->rect();
            dlg->cmdOK->click();
        });
        const QString text = QStringLiteral("Version 6.01\nCopyright line\nhttps://tabvane.example\n\n"
                                            "Engine: 1.2.3\nOne more line\nAnd a last one");
        Confirm(nullptr, "Tabvane", "Tabvane", text, "OK", QString(), "Check", false);
        QCOMPARE(scrollRange, 0);
        QVERIFY(check.top() >= prompt.bottom());
        QVERIFY(ok.top() > check.top());
        QVERIFY(dialog.contains(ok));
    }

    void closeAllList()
    {
        TfrmCloseAll dlg({"Blank", "News", "Mail"});
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Select Browser Tabs to Close"));
        QCOMPARE(dlg.CheckedLines(), (QList<int>{0, 1, 2}));
        dlg.cmdDeselectAll->click();
        QCOMPARE(dlg.CheckedLines(), QList<int>());
        dlg.cmdSelectAll->click();
        QCOMPARE(dlg.CheckedLines(), (QList<int>{0, 1, 2}));
        QVERIFY(dlg.cmdClose->isDefault());
    }

    void closeAllExecute()
    {
        int shownLines = 0;
        whenShown<TfrmCloseAll>([&shownLines](TfrmCloseAll *dlg) {
            shownLines = dlg->lstTabs->count();
            dlg->lstTabs->item(1)->setCheckState(Qt::Unchecked);
            QTest::mouseClick(dlg->cmdClose, Qt::LeftButton);
        });
        QList<int> order{99};
        QVERIFY(TfrmCloseAll::Execute(nullptr, {"A", "B", "C", "D"}, &order));
        QCOMPARE(shownLines, 4);
        QCOMPARE(order, (QList<int>{3, 2, 0}));

        whenShown<TfrmCloseAll>([](TfrmCloseAll *dlg) { dlg->cmdCancel->click(); });
        QVERIFY(!TfrmCloseAll::Execute(nullptr, {"A", "B"}, &order));
        QVERIFY(order.isEmpty());
    }
};

TV_TEST_MAIN_GUI(TestDialogs)
#include "tst_dialogs.moc"
