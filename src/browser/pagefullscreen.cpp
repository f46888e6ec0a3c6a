#include "browser/pagefullscreen.h"

#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmanager.h"
#include "browser/vessabrowser.h"
#include "components/fullscreen.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QWidget>

TPageFullScreen::TPageFullScreen(TFullScreen *windowFullScreen, const QList<QWidget *> &bars, TTabManager *tabs,
                                 QObject *parent)
    : QObject(parent), m_window(windowFullScreen), m_pages(tabs->PageControl())
{
    setObjectName(QStringLiteral("PageFullScreen"));
    for (QWidget *w : bars)
        if (w)
            m_bars.append(w);
    tabs->SetFullScreenPart(this);
    connect(tabs, &TTabManager::ActiveTabChanged, this, [this](TBrowserTab *tab) {
        if (m_tab && tab != m_tab)
            Leave();
    });
    // F11 (or anything else) ended the window's full screen: the page's ends with it.
    connect(m_window, &TFullScreen::Changed, this, [this](bool on) {
        if (!on && m_tab && !m_changing) {
            m_windowWasFullScreen = true;   // nothing left to end
            Leave();
        }
    });
}

TPageFullScreen::~TPageFullScreen()
{
    qApp->removeEventFilter(this);
}

bool TPageFullScreen::PageFullScreen(TBrowserTab *tab, bool on)
{
    if (!on) {
        if (tab && tab == m_tab)
            restore(true);
        return true;
    }
    if (!tab || tab->IsClosing() || !tab->IsActive())
        return false;
    if (tab == m_tab)
        return true;
    if (m_tab)
        Leave();
    m_tab = tab;
    m_active = true;
    connect(tab, &QObject::destroyed, this, [this] { restore(true); });
    m_windowWasFullScreen = m_window->IsOn();
    m_barsVisible.clear();
    m_changing = true;
    if (!m_windowWasFullScreen)
        m_window->Set(true);
    m_changing = false;
    for (const QPointer<QWidget> &w : m_bars) {
        if (!w)
            continue;
        m_barsVisible.insert(w, w->isVisibleTo(w->window()));
        w->hide();
    }
    m_stripShown = m_pages->TabBar()->isVisibleTo(m_pages);
    m_pages->SetStripShown(false);
    if (auto *frame = tab->findChild<QFrame *>(QStringLiteral("FramePanel")))
        frame->setFrameStyle(QFrame::NoFrame);
    // Esc leaves; the window's key filter would take it for Stop.
    qApp->installEventFilter(this);
    return true;
}

void TPageFullScreen::Leave()
{
    const QPointer<TBrowserTab> tab = m_tab;
    restore(true);
    if (tab && !tab->IsClosing() && tab->View() && tab->View()->Control())
        tab->View()->Control()->ExitFullScreen();
}

void TPageFullScreen::restore(bool endWindowFullScreen)
{
    if (m_changing)
        return;
    qApp->removeEventFilter(this);
    if (m_tab) {
        disconnect(m_tab, &QObject::destroyed, this, nullptr);
        if (auto *frame = m_tab->findChild<QFrame *>(QStringLiteral("FramePanel")))
            frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
    m_tab = nullptr;
    if (!m_active)
        return;
    m_active = false;
    for (const QPointer<QWidget> &w : m_bars)
        if (w && m_barsVisible.contains(w))
            w->setVisible(m_barsVisible.value(w));
    m_barsVisible.clear();
    m_pages->SetStripShown(m_stripShown);
    m_changing = true;
    if (endWindowFullScreen && !m_windowWasFullScreen)
        m_window->Set(false);
    m_changing = false;
}

bool TPageFullScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && m_tab) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            Leave();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
