#include <QtTest>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <functional>

#include "app/confirm.h"
#include "app/kwoptions.h"
#include "app/windowsettings.h"
#include "browser/closeall.h"
#include "favorites/favoritesdialogs.h"
#include "groups/vessagroupform.h"
#include "favorites/favoriteswindow.h"
#include "navigation/commandtable.h"
#include "navigation/open.h"
#include "options/customizetoolbar.h"
#include "options/optionsdialog.h"
#include "options/optionsvalues.h"
#include "options/toolbarband.h"
#include "options/options.h"
#include "platform/inetoptions.h"
#include "platform/pagedialogs.h"
#include "platform/scriptdialogs.h"
#include "platform/sitepermissions.h"
#include "search/searchengine.h"
#include "keyboardcheck.h"
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
    void saveAsStartsInTheDownloadFolder()
    {
        // The download folder is made when missing; the test's home has none yet.
        const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QVERIFY(downloads.startsWith(QDir::homePath()));
        QVERIFY(!QFileInfo::exists(downloads));
        QCOMPARE(SaveAsStartFolder(QString()), QFileInfo(downloads).absoluteFilePath());
        QVERIFY(QFileInfo(downloads).isDir());
        QTemporaryDir other;
        QCOMPARE(SaveAsStartFolder(other.path()), QFileInfo(other.path()).absoluteFilePath());
        QCOMPARE(SaveAsStartFolder(other.filePath("gone")), QFileInfo(downloads).absoluteFilePath());

        // The dialog starts there, then in the folder saved into last.
        QString shown;
        whenShown<QFileDialog>([&shown, &other](QFileDialog *d) {
            shown = d->directory().absolutePath();
            d->selectFile(other.filePath("page.htm"));
            static_cast<QDialog *>(d)->accept();
        });
        QString path;
        TSaveFormat format = TSaveFormat::Mhtml;
        QVERIFY(AskSaveAsPath(nullptr, "Page", &path, &format));
        QCOMPARE(shown, QFileInfo(downloads).absoluteFilePath());
        QCOMPARE(path, other.filePath("page.htm"));
        QCOMPARE(format, TSaveFormat::Complete);
        whenShown<QFileDialog>([&shown](QFileDialog *d) {
            shown = d->directory().absolutePath();
            d->reject();
        });
        QVERIFY(!AskSaveAsPath(nullptr, "Page", &path, &format));
        QCOMPARE(shown, QFileInfo(other.path()).absoluteFilePath());
    }

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

    void confirmButtonsFitTheirCaptions()
    {
        // Short captions keep the usual places; a long one widens its button to the left,
        // inside the dialog and clear of the other button.
        TfrmConfirm dlg;
        dlg.Setup("Tabvane", "Title", "Prompt", "Yes", "No", QString(), false);
        QCOMPARE(dlg.cmdOK->geometry(), QRect(264, 144, 67, 25));
        QCOMPARE(dlg.cmdCancel->geometry(), QRect(336, 143, 67, 25));
        dlg.Setup("Tabvane", "Title", "Prompt", "Restore", "Start normally", QString(), false);
        const QRect ok = dlg.cmdOK->geometry();
        const QRect cancel = dlg.cmdCancel->geometry();
        QVERIFY(cancel.width() > dlg.cmdCancel->fontMetrics().horizontalAdvance(QStringLiteral("Start normally")));
        QVERIFY(ok.width() > dlg.cmdOK->fontMetrics().horizontalAdvance(QStringLiteral("Restore")));
        QCOMPARE(cancel.right(), 402);
        QVERIFY(ok.right() < cancel.left());
        QVERIFY(ok.left() >= 0);
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

    // Every dialog works by keyboard alone and names its fields for screen readers.
    void dialogsWorkByKeyboard()
    {
        QTemporaryDir dir;
        const QString favorites = dir.path() + QStringLiteral("/Favorites");
        QDir().mkpath(favorites + QStringLiteral("/Links"));
        QList<QDialog *> dialogs;
        auto *confirm = new TfrmConfirm;
        confirm->Setup("Tabvane", "Close", "Close all tabs?", "OK", "Cancel", "&Don't ask me again", false);
        auto *openForm = new TfrmOpen(nullptr, {QStringLiteral("http://127.0.0.1:1/")});
        auto *group = new TfrmVessaGroup(nullptr, dir.path() + QStringLiteral("/Group.tvg"));
        group->cmdInsert->click();   // the entry panel open
        dialogs << confirm << new TfrmCloseAll({"One", "Two"}) << openForm << group
                << new TfrmSearchEngine(nullptr, 0)
                << new TFindDialog([](const QString &, bool, bool, const TFindResultCallback &) {})
                << new TPageSetupDialog(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10)))
                << new TPagePropertiesDialog(TPageProperties{})
                << new TInternetOptionsDialog(QStringLiteral("http://127.0.0.1:1/"))
                << new TSitePermissionsDialog
                << new TScriptDialog(TScriptDialogKind::Prompt, "127.0.0.1", "Your name?", "", true)
                << new TfrmAddFavorite(favorites, QStringLiteral("Page"), QStringLiteral("http://127.0.0.1:1/"))
                << new TfrmOrganizeFavorites(favorites)
                << new TfrmChooseFavoritesFolder(favorites, QStringLiteral("Move"), QStringLiteral("Choose a folder:"));
        dialogs << new TfrmSearchEngine(nullptr, TfrmSearchEngine::SearchBarMode);

        // Customize Toolbar over a band of the catalogue's buttons.
        QWidget owner;
        auto *commands = new TCommandTable(&owner);
        auto *band = new TToolbarBand(commands, dir.filePath(QStringLiteral("tbmain.dat")), &owner, &owner);
        dialogs << new TfrmCustomizeToolbar(band);

        QStringList problems;
        const auto check = [&problems](QWidget *window, const QString &what) {
            for (const QString &problem : KeyboardProblems(window))
                problems << what + QStringLiteral(": ") + problem;
        };
        for (QDialog *dialog : std::as_const(dialogs)) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            check(dialog, QLatin1String(dialog->metaObject()->className()));
            delete dialog;
        }

        // The Options dialog, page by page.
        {
            TfrmOptions options(TOptionsValues::Load(TKWOptions::Snapshot(), TWindowSettings()),
                                [](const TOptionsValues &) {});
            options.show();
            QVERIFY(QTest::qWaitForWindowExposed(&options));
            for (int page = TfrmOptions::General; page <= TfrmOptions::Flyswat; ++page) {
                options.ShowPage(page);
                check(&options, QStringLiteral("TfrmOptions page %1").arg(page));
            }
        }

        // The Favorites window: its toolbar's buttons and its tree.
        {
            TFavoritesWindow window(nullptr, commands, [favorites] { return favorites; }, nullptr, nullptr);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            check(&window, QStringLiteral("TFavoritesWindow"));
        }
        for (const QString &problem : std::as_const(problems))
            qWarning("%s", qPrintable(problem));
        QVERIFY(problems.isEmpty());
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
