// The Options dialog against the hive: the twin typed-address boxes, the title limit, the
// colour preview on the program's own strip, the PopupVessa list with its renumbering, the
// start-up group check, the dependent boxes, and OK, Cancel and a failing store.

#include <QtTest>

#include "app/kwoptions.h"
#include "app/windowsettings.h"
#include "browser/kwpagecontrol.h"
#include "navigation/commandtable.h"
#include "options/options.h"
#include "options/optionsdialog.h"
#include "platform/registry.h"
#include "testenv.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include <memory>

#include <sqlite3.h>

namespace {

void store(const QString &name, const QString &text) { TRegistry().writeString(TKWOptions::SettingsKey, name, text); }

QString stored(const QString &name)
{
    const RegValue v = TRegistry().readValue(TKWOptions::SettingsKey, name);
    return v.exists() ? v.text : QStringLiteral("<none>");
}

void refuseWritesOf(const QString &name)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(TRegistry::hivePath()).constData(), &db), SQLITE_OK);
    const QByteArray fold = name.toCaseFolded().toUtf8();
    for (const char *event : {"INSERT", "UPDATE"}) {
        const QByteArray sql = QByteArray("CREATE TRIGGER refuse_") + event + " BEFORE " + event
                + " ON vals WHEN NEW.fold = '" + fold + "' BEGIN SELECT RAISE(ABORT, 'refused'); END";
        QCOMPARE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    sqlite3_close(db);
}

// A dialog over the hive's values whose OK stores them, and whose own dialogs are recorded.
struct TDialogUnderTest {
    explicit TDialogUnderTest(const TWindowSettings &running = TWindowSettings())
    {
        TKWOptions o = TKWOptions::Snapshot();
        form = std::make_unique<TfrmOptions>(TOptionsValues::Load(o, running), [this](const TOptionsValues &v) {
            ++commits;
            v.Store();
        });
        form->Dialogs().Information = [this](QWidget *, const QString &m) { messages << m; };
        form->Dialogs().Error = [this](QWidget *, const QString &m) { errors << m; };
    }
    template <class T>
    T *find(const char *name) const
    {
        T *w = form->findChild<T *>(QLatin1String(name));
        if (!w)
            qWarning("no %s", name);
        return w;
    }
    void clickOK() { QTest::mouseClick(find<QPushButton>("cmdOK"), Qt::LeftButton); }

    std::unique_ptr<TfrmOptions> form;
    QStringList messages;
    QStringList errors;
    int commits = 0;
};

// The editor of the caption being edited in place; nullptr when none is.
QLineEdit *editorOf(QListWidget *list)
{
    for (QLineEdit *e : list->findChildren<QLineEdit *>())
        if (e->isVisible())
            return e;
    return nullptr;
}

QStringList rows(QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_case = 0;

private Q_SLOTS:
    void init()
    {
        qputenv("TABVANE_REGISTRY", m_dir.filePath(QStringLiteral("hive%1.db").arg(++m_case)).toLocal8Bit());
    }

    void treeShowsEachPage()
    {
        TDialogUnderTest d;
        QCOMPARE(d.form->CurrentPage(), int(TfrmOptions::General));
        d.form->ShowPage(TfrmOptions::PopupVessa);
        QCOMPARE(d.form->CurrentPage(), int(TfrmOptions::PopupVessa));
        d.form->ShowPage(TfrmOptions::NewTabs);   // a child of "Browser Tabs"
        QCOMPARE(d.form->CurrentPage(), int(TfrmOptions::NewTabs));
    }

    void typedAddressBoxesStayInStep()
    {
        TWindowSettings running;
        running.addressNewWin = true;   // the window's value, not the store's
        store(QStringLiteral("AddressNewWin"), QStringLiteral("0"));
        TDialogUnderTest d(running);
        auto *list = d.find<QListWidget>("clbNewTabs");
        auto *box = d.find<QCheckBox>("chkAddressNewWin");
        QListWidgetItem *entry = list->item(4);
        QCOMPARE(entry->text(), QStringLiteral("Addresses typed in address combo"));
        QVERIFY(box->isChecked());
        QCOMPARE(entry->checkState(), Qt::Checked);

        entry->setCheckState(Qt::Unchecked);
        QVERIFY(!box->isChecked());
        box->click();
        QCOMPARE(entry->checkState(), Qt::Checked);
        QVERIFY(d.form->Values().addressNewWin);
        // The other sources are not touched by the twin.
        list->item(0)->setCheckState(Qt::Unchecked);
        QVERIFY(box->isChecked());
        QVERIFY(!d.form->Values().favoritesNewWin);
    }

    void titleLimitBoxAndSpin()
    {
        store(QStringLiteral("LimitTitleLength"), QStringLiteral("250"));
        TDialogUnderTest d;
        auto *box = d.find<QCheckBox>("chkLimitTitles");
        auto *spin = d.find<QSpinBox>("spnMaxTitle");
        QVERIFY(box->isChecked());
        QCOMPARE(spin->value(), 100);
        QVERIFY(spin->isEnabled());
        spin->setValue(150);                 // past the range
        QCOMPARE(spin->value(), 100);
        box->click();
        QVERIFY(!spin->isEnabled());
        d.clickOK();
        QCOMPARE(d.form->result(), int(QDialog::Accepted));
        QCOMPARE(stored(QStringLiteral("LimitTitleLength")), QStringLiteral("0"));

        // No limit stored: unticked, and ticking offers a limit of its own.
        TDialogUnderTest again;
        QVERIFY(!again.find<QCheckBox>("chkLimitTitles")->isChecked());
        again.find<QCheckBox>("chkLimitTitles")->click();
        QVERIFY(again.form->Values().limitTitleLength >= 1);
    }

    void colourSchemesAndPreview()
    {
        store(QStringLiteral("TabColorScheme"), QStringLiteral("custom"));
        store(QStringLiteral("InactiveTabColor"), QString::number(0x0000FF));   // red in 0x00BBGGRR
        store(QStringLiteral("InactiveFontColor"), QStringLiteral("blue"));     // not a number: black
        TDialogUnderTest d;
        auto *preview = d.find<TKWPageControl>("pg");
        auto *panel = d.find<QWidget>("pnlCustomColors");
        QVERIFY(d.find<QRadioButton>("radColorCustom")->isChecked());
        QVERIFY(!panel->isHidden());
        QCOMPARE(preview->InactiveTabColor(), QColor(255, 0, 0));
        QCOMPARE(preview->InactiveFontColor(), QColor(0, 0, 0));

        // Active and inactive captions follow the preview's selection.
        QCOMPARE(preview->Page(0)->Caption(), QStringLiteral("Active Tab"));
        QCOMPARE(preview->Page(1)->Caption(), QStringLiteral("Inactive Tab"));
        preview->SetActivePage(preview->Page(1));
        QCOMPARE(preview->Page(0)->Caption(), QStringLiteral("Inactive Tab"));
        QCOMPARE(preview->Page(1)->Caption(), QStringLiteral("Active Tab"));

        d.find<QRadioButton>("radColorStandard")->click();
        QVERIFY(panel->isHidden());
        const QPalette pal = QGuiApplication::palette();
        QCOMPARE(preview->InactiveTabColor(), pal.color(QPalette::Button));
        QCOMPARE(preview->InactiveFontColor(), pal.color(QPalette::WindowText));
        d.find<QRadioButton>("radColorReverse")->click();
        QCOMPARE(preview->InactiveTabColor(), pal.color(QPalette::Dark));
        QCOMPARE(preview->InactiveFontColor(), pal.color(QPalette::HighlightedText));

        // A colour chosen for a swatch goes to the preview; cancelling the chooser keeps it.
        d.find<QRadioButton>("radColorCustom")->click();
        d.form->Dialogs().ChooseColor = [](QWidget *, const QColor &initial) {
            return initial == QColor(255, 0, 0) ? QColor(0, 128, 0) : QColor();
        };
        d.find<QPushButton>("btnGetTabColor")->click();
        QCOMPARE(preview->InactiveTabColor(), QColor(0, 128, 0));
        d.find<QPushButton>("btnGetFontColor")->click();   // cancelled
        QCOMPARE(preview->InactiveFontColor(), QColor(0, 0, 0));
        QCOMPARE(d.find<QWidget>("pnlTabColor")->palette().color(QPalette::Window), QColor(0, 128, 0));

        // The standard scheme stores its name and leaves the custom colours as they were.
        d.find<QRadioButton>("radColorStandard")->click();
        d.clickOK();
        QCOMPARE(stored(QStringLiteral("TabColorScheme")), QStringLiteral("std"));
        QCOMPARE(stored(QStringLiteral("InactiveTabColor")), QString::number(0x0000FF));
        QCOMPARE(stored(QStringLiteral("InactiveFontColor")), QStringLiteral("blue"));
    }

    void popupListEditedInPlaceAndRenumbered()
    {
        const QString key = TKWOptions::SettingsKey + QStringLiteral("\\PopupVessa");
        TRegistry().writeString(key, QStringLiteral("url1"), QStringLiteral("http://b.test/"));
        TRegistry().writeString(key, QStringLiteral("url7"), QStringLiteral("http://a.test/p=1"));
        TRegistry().writeString(key, QStringLiteral("url9"), QStringLiteral("http://D.test/"));
        TDialogUnderTest d;
        d.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.form.get()));
        d.form->ShowPage(TfrmOptions::PopupVessa);
        auto *list = d.find<QListWidget>("lvPopupVessa");
        QCOMPARE(rows(list), (QStringList{QStringLiteral("http://a.test/p=1"), QStringLiteral("http://b.test/"),
                                          QStringLiteral("http://D.test/")}));

        // Insert: a "New Item" row whose caption is being edited; typed text replaces it and
        // the row takes its sorted place.
        d.find<QPushButton>("btnInsert")->click();
        QCOMPARE(list->currentItem()->text(), QStringLiteral("New Item"));
        QTRY_VERIFY(editorOf(list));
        QLineEdit *editor = editorOf(list);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("http://c.test/"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!editorOf(list));
        QCOMPARE(rows(list), (QStringList{QStringLiteral("http://a.test/p=1"), QStringLiteral("http://b.test/"),
                                          QStringLiteral("http://c.test/"), QStringLiteral("http://D.test/")}));

        // Enter on a row edits it; Delete removes the selected row without a question.
        list->setCurrentRow(1);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY(editorOf(list));
        QTest::keyClick(editorOf(list), Qt::Key_Escape);
        QTRY_VERIFY(!editorOf(list));
        list->setCurrentRow(1);
        d.find<QPushButton>("btnDelete")->click();
        QCOMPARE(list->count(), 3);

        d.clickOK();
        QCOMPARE(d.form->result(), int(QDialog::Accepted));
        QCOMPARE(TKWOptions().PopupVessa(), (QStringList{QStringLiteral("url1=http://a.test/p=1"),
                                                         QStringLiteral("url2=http://c.test/"),
                                                         QStringLiteral("url3=http://D.test/")}));
    }

    void startupGroupMustExist()
    {
        store(QStringLiteral("StartupMode"), QStringLiteral("VessaGroup"));
        store(QStringLiteral("StartupVessaGroup"), m_dir.filePath(QStringLiteral("vanished.vgp")));
        TDialogUnderTest d;
        auto *group = d.find<QRadioButton>("rdoStartupTandemGroup");
        auto *edit = d.find<QLineEdit>("edtStartupTandemGroup");
        auto *choose = d.find<QPushButton>("cmdStartTandemGroup");
        QVERIFY(group->isChecked());
        QVERIFY(edit->isEnabled() && choose->isEnabled());
        d.find<QRadioButton>("rdoStartupHome")->click();
        QVERIFY(!edit->isEnabled() && !choose->isEnabled());
        group->click();
        QVERIFY(edit->isEnabled());

        // A group that vanished: the message, the Startup page, the edit focused, still open.
        d.clickOK();
        QCOMPARE(d.messages, QStringList{TfrmOptions::StartupGroupMessage});
        QCOMPARE(d.commits, 0);
        QCOMPARE(d.form->CurrentPage(), int(TfrmOptions::Startup));
        QCOMPARE(d.form->focusWidget(), edit);
        QCOMPARE(d.form->result(), int(QDialog::Rejected));
        edit->clear();
        d.clickOK();
        QCOMPARE(d.messages.size(), 2);

        // "..." puts the chosen file in the edit; then OK stores the choice.
        const QString file = m_dir.filePath(QStringLiteral("work.vgp"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        d.form->Dialogs().ChooseGroup = [file](QWidget *, const QString &) { return file; };
        choose->click();
        QCOMPARE(edit->text(), file);
        d.clickOK();
        QCOMPARE(d.form->result(), int(QDialog::Accepted));
        QCOMPARE(stored(QStringLiteral("StartupMode")), QStringLiteral("VessaGroup"));
        QCOMPARE(stored(QStringLiteral("StartupVessaGroup")), file);
    }

    void dependentBoxesAndIE4Mode()
    {
        store(QStringLiteral("AutoCompleteStyle"), QStringLiteral("IE5"));
        TWindowSettings running;
        running.ie4Mode = true;
        TDialogUnderTest d(running);
        QVERIFY(d.find<QRadioButton>("rdoIE5AC")->isHidden());
        QVERIFY(d.find<QWidget>("lblACNote")->isHidden());
        QVERIFY(d.find<QRadioButton>("rdoIE4AC")->isChecked());
        auto *enabled = d.find<QCheckBox>("chkFlyswatEnabled");
        auto *show = d.find<QCheckBox>("chkFlyswatShowLinks");
        QVERIFY(enabled->isChecked() && !show->isHidden());
        enabled->click();
        QVERIFY(show->isHidden());
        enabled->click();
        QVERIFY(!show->isHidden());

        TDialogUnderTest normal;
        QVERIFY(!normal.find<QRadioButton>("rdoIE5AC")->isHidden());
        QVERIFY(normal.find<QRadioButton>("rdoIE5AC")->isChecked());
    }

    void failedStoreKeepsTheDialogAndCancelWritesNothing()
    {
        store(QStringLiteral("ShowGo"), QStringLiteral("0"));
        refuseWritesOf(QStringLiteral("AskDefaultBrowser"));
        TDialogUnderTest d;
        d.find<QCheckBox>("chkShowGo")->click();
        d.find<QLineEdit>("edtCtrlPost")->setText(QStringLiteral(".test"));
        d.clickOK();
        QCOMPARE(d.errors.size(), 1);
        QCOMPARE(d.form->result(), int(QDialog::Rejected));
        QVERIFY(d.find<QCheckBox>("chkShowGo")->isChecked());          // the edits stay
        QCOMPARE(d.form->Values().completion.CtrlPost, QStringLiteral(".test"));
        QCOMPARE(stored(QStringLiteral("ShowGo")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("CtrlPost")), QStringLiteral("<none>"));

        d.find<QPushButton>("cmdCancel")->click();
        QCOMPARE(d.form->result(), int(QDialog::Rejected));
        QCOMPARE(d.commits, 1);
        QCOMPARE(stored(QStringLiteral("ShowGo")), QStringLiteral("0"));
    }

    void commitStoresThenApplies()
    {
        TCommandTable commands(nullptr);
        TWindowSettings window;
        window.vgCloseFirst = true;
        int applied = 0;
        TTabvaneOptions options(&commands, nullptr,
                                {[&window] { return window; },
                                 [&](const TWindowSettings &s) { window = s; ++applied; }});
        QVERIFY(commands.Action(QStringLiteral("mnuOptionsTabvane"))->isEnabled());
        TOptionsValues v = options.LoadValues();
        QVERIFY(v.vgCloseFirst);   // from the running window
        v.showGo = true;
        v.openNewAtEnd = true;
        options.Commit(v);
        QCOMPARE(applied, 1);
        QVERIFY(window.showGo && window.openNewAtEnd && window.vgCloseFirst);
        QCOMPARE(stored(QStringLiteral("ShowGo")), QStringLiteral("1"));

        // A store that fails applies nothing.
        refuseWritesOf(QStringLiteral("ShowGo"));
        v.showGo = false;
        QVERIFY_THROWS_EXCEPTION(RegistryError, options.Commit(v));
        QCOMPARE(applied, 1);
        QVERIFY(window.showGo);
    }
};

TV_TEST_MAIN_GUI(TestOptionsDialog)
#include "tst_optionsdialog.moc"
