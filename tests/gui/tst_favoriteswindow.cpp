// The Favorites window under the toolbar's Favorites button, over a real temporary
// Favorites folder: where it drops down, what hides it (Esc, an opened shortcut, the main
// window becoming active), that a second press leaves it open, its stored size; and the
// window's colour switch over every toolbar attached to it.

#include "testenv.h"
#include "recordinghost.h"

#include "browser/browsertab.h"
#include "browser/tabmanager.h"
#include "app/windowsettings.h"
#include "components/shelltree.h"
#include "favorites/favoriteswindow.h"
#include "favorites/launchlink.h"
#include "navigation/commandtable.h"
#include "options/toolbarcolor.h"
#include "platform/scripted_control.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QPainter>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "folderfixture.h"

namespace {
QString lastNavigation(const TBrowserTab *tab)
{
    const QStringList n = ScriptedControlOf(tab)->navigations();
    return n.isEmpty() ? QString() : n.last();
}

// A main window with a toolbar whose Favorites button the window drops down under.
struct TFixture {
    TRecordingHost host;
    QWidget main;
    TTabManager tabs{host.Parts(), &main};
    TCommandTable commands{&main};
    QToolBar *toolbar = new QToolBar(&main);
    QToolButton *button = nullptr;
    TLinkLauncher launcher{&tabs};
    TToolbarColor color;
    std::unique_ptr<TFavoritesDropDown> dropDown;

    explicit TFixture(const QString &favorites)
    {
        main.resize(800, 500);
        main.move(40, 40);
        auto *box = new QVBoxLayout(&main);
        box->addWidget(toolbar);
        box->addWidget(tabs.PageControl(), 1);
        QAction *favoritesButton = toolbar->addAction(QStringLiteral("Favorites"));
        toolbar->addAction(QStringLiteral("Other"));
        favoritesButton->setObjectName(QStringLiteral("tbFavorites"));
        button = qobject_cast<QToolButton *>(toolbar->widgetForAction(favoritesButton));
        tabs.CreateForegroundTab();
        dropDown = std::make_unique<TFavoritesDropDown>(
                &main, &launcher, &commands, [favorites] { return favorites; },
                [this]() -> QWidget * { return button; }, &color);
        main.show();
        QApplication::setActiveWindow(&main);
    }
    void run() { commands.Trigger(commands.Action(QStringLiteral("actFavorites"))); }
};

bool clickNode(TShellTree *tree, const QString &path)
{
    QModelIndex index;
    if (!QTest::qWaitFor([&] {
            index = tree->IndexOf(path);
            return index.isValid() && !tree->visualRect(index).isEmpty();
        }, 10000))
        return false;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualRect(index).center());
    return true;
}

// Whether the icon's picture, drawn in mode, has a pixel that is not grey.
bool hasColour(const QIcon &icon, QIcon::Mode mode)
{
    const QImage image = icon.pixmap(QSize(16, 16), mode).toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) > 0 && (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)))
                return true;
        }
    return false;
}

QIcon redIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}
}

class TestFavoritesWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TScriptedControl::Install(); }
    void init();

    void dropsDownUnderTheButtonAndHides();
    void sizeIsKeptWithinBounds();
    void colourSwitchReachesEveryAttachedToolbar();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_favorites;
};

void TestFavoritesWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_favorites = m_dir->filePath(QStringLiteral("Favorites"));
    PutFile(m_favorites + QStringLiteral("/Home.url"), "[InternetShortcut]\r\nURL=http://127.0.0.1:1/home.html\r\n");
    PutFile(m_favorites + QStringLiteral("/News/Daily.url"), "[InternetShortcut]\r\nURL=http://127.0.0.1:1/daily.html\r\n");
}

void TestFavoritesWindow::dropsDownUnderTheButtonAndHides()
{
    TFixture f(m_favorites);
    QAction *command = f.commands.Action(QStringLiteral("actFavorites"));
    QVERIFY(command && command->isEnabled());
    QVERIFY(!f.dropDown->Window());   // made on first use only

    f.run();
    TFavoritesWindow *window = f.dropDown->Window();
    QVERIFY(window && window->isVisible());
    QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
    const QPoint under = f.button->mapToGlobal(QPoint(0, f.button->height()));
    QCOMPARE(window->pos(), under);

    // A second press while it is open leaves it where it is.
    window->move(under + QPoint(30, 30));
    f.run();
    QVERIFY(window->isVisible());
    QCOMPARE(window->pos(), under + QPoint(30, 30));

    // Esc hides it; the next press brings it back under the button.
    QTest::keyClick(window->Tree(), Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    f.run();
    QVERIFY(window->isVisible());
    QCOMPARE(window->pos(), under);

    // The main window becoming active again hides it.
    QApplication::setActiveWindow(window);
    QApplication::setActiveWindow(&f.main);
    QTRY_VERIFY(!window->isVisible());

    // A folder toggles and keeps the window; a shortcut opens (in a new tab, the
    // preference's default) and hides it.
    f.run();
    QVERIFY(clickNode(window->Tree(), m_favorites + QStringLiteral("/News")));
    QVERIFY(window->isVisible());
    QVERIFY(window->Tree()->isExpanded(window->Tree()->IndexOf(m_favorites + QStringLiteral("/News"))));
    QVERIFY(clickNode(window->Tree(), m_favorites + QStringLiteral("/Home.url")));
    QVERIFY(!window->isVisible());
    QCOMPARE(f.tabs.Tabs().size(), 2);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://127.0.0.1:1/home.html"));

    // Without the button (taken off the toolbar) it still opens, under the window's corner.
    f.button = nullptr;
    f.run();
    QVERIFY(window->isVisible());
    QCOMPARE(window->pos(), f.main.mapToGlobal(QPoint(0, 0)));
}

void TestFavoritesWindow::sizeIsKeptWithinBounds()
{
    TFixture f(m_favorites);
    TWindowSettings s;
    s.favoritesWidth = 310;
    s.favoritesHeight = 420;
    f.dropDown->Load(s);
    f.run();
    QCOMPARE(f.dropDown->Window()->size(), QSize(310, 420));
    f.dropDown->Window()->resize(333, 222);
    TWindowSettings saved;
    f.dropDown->Save(saved);
    QCOMPARE(QSize(saved.favoritesWidth, saved.favoritesHeight), QSize(333, 222));

    // Stored sizes no window could have are brought into bounds.
    s.favoritesWidth = -40;
    s.favoritesHeight = 1 << 30;
    f.dropDown->Load(s);
    f.dropDown->Save(saved);
    QVERIFY(saved.favoritesWidth >= 120 && saved.favoritesWidth <= 4000);
    QVERIFY(saved.favoritesHeight >= 120 && saved.favoritesHeight <= 4000);
}

void TestFavoritesWindow::colourSwitchReachesEveryAttachedToolbar()
{
    TFixture f(m_favorites);
    QSignalSpy changed(&f.color, &TToolbarColor::Changed);
    QToolBar other;
    QAction *early = other.addAction(redIcon(), QStringLiteral("Early"));
    QAction *captionOnly = other.addAction(QStringLiteral("Caption only"));
    f.color.Attach(&other);
    f.color.Attach(&other);   // once is enough

    // Off (the default): grey until the mouse is over the button, the caption-only
    // button untouched.
    QVERIFY(!TToolbarColor::ShowsColor(early));
    QVERIFY(!hasColour(early->icon(), QIcon::Normal));
    QVERIFY(hasColour(early->icon(), QIcon::Active));
    QVERIFY(captionOnly->icon().isNull());

    // A button added later follows too, and so does the Favorites window's toolbar.
    QAction *later = other.addAction(redIcon(), QStringLiteral("Later"));
    QVERIFY(!TToolbarColor::ShowsColor(later));
    f.run();
    const QList<QAction *> windowButtons = f.dropDown->Window()->Bar()->actions();
    QVERIFY(!windowButtons.isEmpty());
    for (QAction *a : windowButtons)
        QVERIFY2(!TToolbarColor::ShowsColor(a), qPrintable(a->objectName()));

    // On: every attached toolbar shows colour; one signal for the band of the main toolbar.
    f.color.SetColor(true);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toBool(), true);
    for (QAction *a : QList<QAction *>{early, later} + windowButtons)
        QVERIFY2(TToolbarColor::ShowsColor(a), qPrintable(a->text()));
    QVERIFY(hasColour(early->icon(), QIcon::Normal));
    f.color.SetColor(true);
    QCOMPARE(changed.size(), 1);

    // Off again from the settings: back to grey.
    TWindowSettings s;
    s.toolbarShowColor = false;
    f.color.Load(s);
    QCOMPARE(changed.size(), 2);
    QVERIFY(!hasColour(early->icon(), QIcon::Normal));
}

TV_TEST_MAIN_GUI(TestFavoritesWindow)
#include "tst_favoriteswindow.moc"
