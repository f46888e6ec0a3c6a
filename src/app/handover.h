#pragma once
// The running instance's side of the single-instance hand-over. A later start writes its
// argument into the setting "CommandLine" and wakes every running window; the window that
// handles the wake-up first takes the text and clears the slot, every window comes to the
// front, and the text is opened as a group or as a page in a new tab.

#include <QObject>
#include <QString>

class QWidget;
class TWakeupListener;

// What the hand-over needs of the main window.
class THandOverTarget {
public:
    virtual ~THandOverTarget() = default;
    // Undo a minimise (also one to the tray), show the window and make it the foreground.
    virtual void RestoreAndRaise() = 0;
    virtual void OpenGroup(const QString &path, bool closeOthersFirst) = 0;
    // A new foreground tab that opens the text unchanged with OpenAsHome.
    virtual void OpenInNewForegroundTab(const QString &text) = 0;
    // The current VGCloseFirst setting. A window that caches its options returns its cache;
    // the default reads the settings store.
    virtual bool CurrentVGCloseFirst() const;
};

enum class THandOverAction { None, OpenGroup, OpenPage };

// What the running instance does with a handed-over text: nothing for "", a group for an
// existing file whose extension is exactly ".vgp", otherwise a page.
THandOverAction ClassifyHandOver(const QString &text);
// Whether the first instance opens its own argument as a group: extension ".vgp" in any
// case, without an existence check.
bool IsGroupArgument(const QString &argument);

// The restore-and-raise a window gets on a wake-up: a minimised or hidden window is shown
// again in its former state (maximised stays maximised), raised and activated.
void RestoreAndRaiseWindow(QWidget *window);

class THandOverReceiver : public QObject {
    Q_OBJECT
public:
    explicit THandOverReceiver(THandOverTarget *target, QObject *parent = nullptr);
    ~THandOverReceiver() override;

    // Starts listening for wake-ups. Call it once the window is fully built: a wake-up is
    // handled in whatever event loop runs next, a dialog's nested loop included.
    bool Listen();
    bool IsListening() const;
    QString ErrorString() const;   // why Listen failed

    // Handles one wake-up: consume "CommandLine", come to the front, open the text.
    void Receive();

private:
    THandOverTarget *m_target;
    TWakeupListener *m_listener = nullptr;
};
