// The add-on host with the add-on built in the tree (word links), on the real web engine
// and pages served by the test: loading it only from a trusted add-on folder, refusing
// files that are no add-on, marking listed words on a page, and the host's commands.

#include "testenv.h"
#include "httpserver.h"
#include "recordinghost.h"

#include "app/kwoptions.h"
#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/tabmanager.h"
#include "browser/vessabrowser.h"
#include "navigation/commandtable.h"
#include "platform/addon.h"
#include "platform/paths.h"
#include "platform/webengine_control.h"
#include "services/flyswathost.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QtTest>

namespace {

const QString BuildFolder = qEnvironmentVariable("TABVANE_ADDON_BUILD_DIR");

// The result of a script run in the page's own world, as JSON text.
QString evaluate(TVessaBrowser *view, const QString &script)
{
    auto *page = qobject_cast<QWebEnginePage *>(view->Control()->AutomationObject());
    if (!page)
        return QStringLiteral("<no page>");
    QString result;
    bool done = false;
    page->runJavaScript(QStringLiteral("JSON.stringify(%1)").arg(script), [&](const QVariant &v) {
        result = v.toString();
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        return QStringLiteral("<timeout>");
    return result;
}

const QString LinkList = QStringLiteral(
    "Array.from(document.querySelectorAll('a.tabvane-wordlink')).map(a => a.textContent + ' ' + a.getAttribute('href'))");

bool loaded(TVessaBrowser *view, const QString &url)
{
    QSignalSpy done(view->Control(), &TWebControl::DocumentComplete);
    view->NavigateTo(url);
    return QTest::qWaitFor([&] {
        for (const QList<QVariant> &args : std::as_const(done)) {
            if (args.at(1).toString() == url)
                return true;
        }
        return false;
    }, 20000);
}

}

class TestAddOn : public QObject {
    Q_OBJECT

    TTestHttpServer m_server;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(BuildFolder + QLatin1Char('/') + TAddOnLibrary::FileName()).isFile(), qPrintable(BuildFolder));
        // The user's list and first search engine.
        QFile list(QDir(TPaths::DataDir()).filePath(QStringLiteral("wordlinks.txt")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("# mine\nTabvane\nC++\nR&D\n");
        list.close();
        TKWOptions().SetSearchEngines({QStringLiteral("Local=") + m_server.urlString(QStringLiteral("/find?q=%s"))});
        m_server.route(QStringLiteral("/page.html"),
                       "<html><body><p id=p>Tabvane and tabvane, not Tabvanes; C++ at R&amp;D.</p>"
                       "<a href='/x'>Tabvane</a><textarea>Tabvane</textarea>"
                       "<script>window.pageSeen = typeof wordLinks;</script></body></html>");
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a plugin") << "text" << "cannot be loaded";
        QTest::newRow("a plugin of another kind") << "other plugin" << "is not an add-on of this program";
        QTest::newRow("folder others may write") << "open folder" << "others may change";
        QTest::newRow("no add-on") << "none" << "not installed";
    }

    void refusedFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString file = dir.filePath(TAddOnLibrary::FileName());
        if (kind == QLatin1String("text")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a library\n");
        } else if (kind == QLatin1String("other plugin")) {
            const QString svg = QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/imageformats/libqsvg.so");
            if (!QFile::exists(svg))
                QSKIP("no other Qt plugin to try");
            QVERIFY(QFile::copy(svg, file));
        } else if (kind == QLatin1String("open folder")) {
            QVERIFY(QFile::copy(BuildFolder + QLatin1Char('/') + TAddOnLibrary::FileName(), file));
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                                  | QFile::WriteOther | QFile::ExeOther);
        }
        TAddOnLibrary::SetFolders({dir.path()});
        QString error;
        QVERIFY(!TAddOnLibrary::Factory(&error));
        QVERIFY2(error.contains(message), qPrintable(error));

        // A view goes on without the add-on, and Show Links fails quietly.
        QWidget parent;
        TVessaBrowser view(&parent, true, true);
        QVERIFY(!view.HasAddOn());
        view.ShowLinks(true);
        QVERIFY(!view.LinksShown());
    }

    void marksListedWordsOnAPage()
    {
        TAddOnLibrary::SetFolders({QStringLiteral("relative/addons"), BuildFolder});
        QString error;
        QVERIFY2(TAddOnLibrary::Factory(&error), qPrintable(error));

        QWidget parent;
        TVessaBrowser view(&parent, true, true);
        QVERIFY(view.HasAddOn());
        QVERIFY(view.LinksShown());
        QVERIFY(loaded(&view, m_server.urlString(QStringLiteral("/page.html"))));
        const QString find = m_server.urlString(QStringLiteral("/find?q="));
        const QString expected = QStringLiteral("[\"Tabvane %1Tabvane\",\"tabvane %1tabvane\",\"C++ %1C%2B%2B\",\"R&D %1R%26D\"]")
                                     .arg(find);
        QTRY_COMPARE(evaluate(&view, LinkList), expected);
        // The page's own scripts see nothing of the add-on's.
        QCOMPARE(evaluate(&view, QStringLiteral("window.pageSeen")), QStringLiteral("\"undefined\""));

        view.ShowLinks(false);
        QTRY_COMPARE(evaluate(&view, LinkList), QStringLiteral("[]"));
        QCOMPARE(evaluate(&view, QStringLiteral("document.getElementById('p').textContent")),
                 QStringLiteral("\"Tabvane and tabvane, not Tabvanes; C++ at R&D.\""));
        QVERIFY(!view.LinksShown());
        // The next page keeps the tab's choice.
        QVERIFY(loaded(&view, m_server.urlString(QStringLiteral("/page.html?again"))));
        QCOMPARE(evaluate(&view, LinkList), QStringLiteral("[]"));
        view.ShowLinks(true);
        QTRY_COMPARE(evaluate(&view, LinkList), expected);
    }

    void hostCommands()
    {
        TAddOnLibrary::SetFolders({BuildFolder});
        TRecordingHost host;
        QWidget window;
        TTabManager tabs{host.Parts(), &window};
        TCommandTable commands(&window);
        TFlyswatHost flyswat(&tabs, &commands, &window);
        QStringList messages;
        flyswat.SetReporter([&messages](const QString &m) { messages.append(m); });
        TWindowSettings settings;
        settings.flyswatEnabled = false;
        settings.flyswatShowLinks = true;
        flyswat.Load(settings);
        tabs.CreateForegroundTab();   // the recording host gives views no add-on
        TVessaBrowser *view = tabs.ActiveTab()->View();
        QVERIFY(!view->HasAddOn());
        QVERIFY(!flyswat.Button()->isVisible());

        // Switched off, Ctrl+F1 does not create the add-on.
        QVERIFY(!commands.RunKey(TKeyCommand::FlyswatLinks));
        QVERIFY(!view->HasAddOn());

        flyswat.ApplyEnabled(true);
        QVERIFY(flyswat.Button()->isVisible());
        QVERIFY(commands.RunKey(TKeyCommand::FlyswatLinks));   // created now, links shown
        QVERIFY(view->HasAddOn());
        QVERIFY(view->LinksShown());
        QAction *showLinks = commands.Action(QStringLiteral("pmFlyswatShowLinks"));
        commands.Update(showLinks);
        QVERIFY(showLinks->isChecked());
        QVERIFY(commands.RunKey(TKeyCommand::FlyswatLinks));
        QVERIFY(!view->LinksShown());

        QVERIFY(commands.Trigger(commands.Action(QStringLiteral("pmFlyswatShowLinksNewTabs"))));
        QVERIFY(!flyswat.ShowLinksByDefault());
        QVERIFY(!TKWOptions().FlyswatShowLinks());

        QVERIFY(commands.Trigger(commands.Action(QStringLiteral("pmFlyswatDisable"))));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().startsWith(QLatin1String("You have chosen to disable Flyswat in Tabvane.\n")));
        QVERIFY(!flyswat.Enabled());
        QVERIFY(!flyswat.Button()->isVisible());
        QVERIFY(!TKWOptions().FlyswatEnabled());
        TWindowSettings saved;
        flyswat.Save(saved);
        QVERIFY(!saved.flyswatEnabled && !saved.flyswatShowLinks);

        // The add-on maker's pages come from its host.
        TEnvOverride maker("TABVANE_ADDON_MAKER_HOST", m_server.urlString(QString()).toUtf8());
        m_server.route(QStringLiteral("/tabvane/help.html"), "<title>Help</title>");
        QVERIFY(commands.Trigger(commands.Action(QStringLiteral("pmFlyswatHelp"))));
        QVERIFY(m_server.waitForRequest(QStringLiteral("/tabvane/help.html")));
    }
};

TV_TEST_MAIN_GUI(TestAddOn)
#include "tst_addon.moc"
