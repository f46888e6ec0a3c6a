#pragma once
// TPageFullScreen: full screen asked for by a page (a video's full-screen button,
// element.requestFullscreen()). The active tab's page fills the screen: the window goes
// full screen through the window's own full-screen part (the one F11 uses, so the two never
// disagree), and the bars above and below the page hide. Esc or F11 leave, as do the
// page's own exit, switching to another tab and closing the tab. Leaving shows the bars
// again and, unless the window was in full screen before the page asked, gives the window
// back its exact place.

#include "browser/tabhost.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;
class TBrowserTab;
class TFullScreen;
class TKWPageControl;
class TTabManager;

class TPageFullScreen : public QObject, public ITabFullScreen {
    Q_OBJECT
public:
    // bars: the window's parts that hide while a page is full screen (the tool bands, the
    // status bar); the tab strip of the manager's page control hides too. The manager's
    // tabs are given this object as their full-screen part.
    TPageFullScreen(TFullScreen *windowFullScreen, const QList<QWidget *> &bars, TTabManager *tabs,
                    QObject *parent = nullptr);
    ~TPageFullScreen() override;

    // ITabFullScreen: whether the page of tab may go full screen (on) or leaves it.
    bool PageFullScreen(TBrowserTab *tab, bool on) override;

    bool IsOn() const { return !m_tab.isNull(); }
    TBrowserTab *Tab() const { return m_tab; }
    // The user leaves: the window comes back and the page is told.
    void Leave();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Shows the bars again and ends the window's full screen when it began here.
    void restore(bool endWindowFullScreen);

    TFullScreen *m_window;
    TKWPageControl *m_pages;
    bool m_stripShown = true;
    QList<QPointer<QWidget>> m_bars;
    QHash<QWidget *, bool> m_barsVisible;
    QPointer<TBrowserTab> m_tab;
    bool m_active = false;            // the window shows a page full screen (its tab may be gone)
    bool m_windowWasFullScreen = false;
    bool m_changing = false;
};
