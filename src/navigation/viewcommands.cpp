#include "navigation/viewcommands.h"

#include "app/windowsettings.h"
#include "components/fullscreen.h"
#include "navigation/commandrows.h"
#include "options/bandlayout.h"
#include "options/toolbarband.h"

#include <QAction>
#include <QToolButton>
#include <QWidget>

using namespace CommandRows;

TViewCommands::TViewCommands(TCommandTable *commands, TBandLayout *bands, TFullScreen *fullScreen,
                             TToolbarBand *toolbar, QWidget *menuBand, QWidget *statusBar, QObject *parent)
    : QObject(parent), m_bands(bands), m_fullScreen(fullScreen), m_toolbar(toolbar), m_statusBar(statusBar)
{
    setObjectName(QStringLiteral("viewCommands"));
    TCommandTable &t = *commands;
    m_vessaBar = t.Register(onButton(withKey(toggle("pmViewVessaBar", "&VessaBar", "Show VessaBar|Shows or hides the VessaBar",
                                                    [this](bool on) { ShowVessaBar(on); }),
                                             QKeySequence(Qt::Key_F4), {TKeyCommand::ToggleSideBar}), 10));
    m_statusBarShown = t.Register(toggle("pmViewStatusBar", "&Status Bar", "", [this](bool) { ToggleStatusBar(); }));
    m_addressBar = t.Register(toggle("pmViewAddressBar", "&Address Bar", "", [this](bool) { m_bands->ApplyVisibility(); }));
    m_toolbarShown = t.Register(toggle("pmViewToolbar", "&Toolbar", "", [this](bool) { m_bands->ApplyVisibility(); }));
    m_linksBar = t.Register(toggle("pmViewLinksBar", "&Links Bar", "", [this](bool) { m_bands->ApplyVisibility(); }));
    m_menuBar = t.Register(toggle("pmViewMenuBar", "&Menu Bar", "",
                                  [this, menuBand](bool on) { m_bands->SetBandVisible(menuBand, on); }));
    m_menuBar->setChecked(true);
    m_menuBar->setVisible(false);   // shown in full screen only
    TCommandRow full = onButton(withKey(toggle("pmViewFullScreen", "&Fullscreen", "Fullscreen|Toggles fullscreen mode",
                                               [this](bool on) { m_fullScreen->Set(on); }),
                                        QKeySequence(Qt::Key_F11), {TKeyCommand::FullScreen}), 16);
    full.checked = [this] { return m_fullScreen->IsOn(); };
    m_fullScreenShown = t.Register(full);
    connect(fullScreen, &TFullScreen::Changed, this, &TViewCommands::followFullScreen);
}

void TViewCommands::Load(const TWindowSettings &settings)
{
    m_toolbarShown->setChecked(settings.viewToolbar);
    m_addressBar->setChecked(settings.viewAddressBar);
    m_linksBar->setChecked(settings.viewLinksBar);
    m_statusBarShown->setChecked(settings.viewStatusBar);
    m_statusBar->setVisible(m_statusBarShown->isChecked());
    m_bands->ApplyVisibility();
    ShowVessaBar(settings.viewVessaBar);
}

void TViewCommands::Save(TWindowSettings &settings) const
{
    settings.viewVessaBar = m_vessaBar->isChecked();
    settings.viewToolbar = m_toolbarShown->isChecked();
    settings.viewAddressBar = m_addressBar->isChecked();
    settings.viewLinksBar = m_linksBar->isChecked();
    settings.viewStatusBar = m_statusBarShown->isChecked();
}

void TViewCommands::ToggleStatusBar()
{
    m_statusBar->setVisible(m_statusBarShown->isChecked());
}

void TViewCommands::followFullScreen(bool on)
{
    // The view commands of full screen: its check, the toolbar's entry (the toolbar always
    // shows in full screen) and the menu bar's entry (it can be hidden in full screen only).
    m_fullScreenShown->setChecked(on);
    if (QToolButton *button = m_toolbar->ButtonByName(QStringLiteral("tbFullScreen")))
        button->setChecked(on);
    m_toolbarShown->setVisible(!on);
    m_menuBar->setVisible(on);
    if (on)
        m_menuBar->setChecked(true);
    else
        m_bands->ApplyVisibility();
}

void TViewCommands::ShowVessaBar(bool show)
{
    // The check marks follow here; the side bar itself shows or hides on VessaBarShown.
    m_vessaBar->setChecked(show);
    if (QToolButton *button = m_toolbar->ButtonByName(QStringLiteral("tbVessaBar")))
        button->setChecked(show);
    Q_EMIT VessaBarShown(show);
}
