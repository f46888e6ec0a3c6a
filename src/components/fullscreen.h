#pragma once
// TFullScreen: puts a window in full screen and back. In full screen the status bar hides
// and the cool bar's tool band shows; when it ends the window gets its frame back exactly
// where it was (or maximised again), the status bar and the tool band their visibility,
// and the menu band shows again.

#include <QByteArray>
#include <QObject>
#include <QRect>

class QWidget;
class TCoolBar;

class TFullScreen : public QObject {
    Q_OBJECT
public:
    // menuBand and toolBand are controls of coolbar's bands.
    TFullScreen(QWidget *window, TCoolBar *coolbar, QWidget *menuBand, QWidget *toolBand, QWidget *statusBar,
                QObject *parent = nullptr);

    bool IsOn() const { return m_on; }
    void Set(bool on);   // nothing happens when already so

    // The window's normal placement, as it was when full screen began (read while on).
    bool SavedMaximized() const { return m_save.maximized; }
    QRect SavedGeometry() const { return m_save.geometry; }   // frame position, window size

Q_SIGNALS:
    // Full screen began or ended; the window and the bands have changed already.
    void Changed(bool on);

private:
    QWidget *m_window;
    TCoolBar *m_coolbar;
    QWidget *m_menuBand;
    QWidget *m_toolBand;
    QWidget *m_statusBar;
    bool m_on = false;
    struct {
        bool maximized = false;
        QRect geometry;
        QByteArray placement;     // saveGeometry(): brings the frame back exactly
        bool statusBarVisible = true;
        bool toolbarVisible = true;
    } m_save;
};
