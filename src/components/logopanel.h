#pragma once
// TLogoPanel (gpLogo): the panel at the right of the cool bar with the turning logo
// (imgLogo) and the Close Tab and Close Tabs buttons (tbClose, tbCloseAll). Bands of one
// row put the buttons left of the logo; taller bands put them under it.

#include <QWidget>

class QToolButton;
class TCoolBar;
class TLogoAnimation;

class TLogoPanel : public QWidget {
    Q_OBJECT
public:
    enum class TCloseAll { All, KeepCurrent, ShowList };

    // coolBar: the bands beside the panel, whose height it takes.
    TLogoPanel(TCoolBar *coolBar, QWidget *parent = nullptr);

    TLogoAnimation *Logo() const { return m_logo; }
    void Relayout();   // after the bands' height changed

Q_SIGNALS:
    void LogoClicked();
    void CloseClicked();
    void CloseAllClicked(TLogoPanel::TCloseAll variant);   // the button, or its context menu

private:
    TCoolBar *m_coolBar;
    TLogoAnimation *m_logo;
    QWidget *m_buttons;
    QToolButton *m_close;
    QToolButton *m_closeAll;
};
