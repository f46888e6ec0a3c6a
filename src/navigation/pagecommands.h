#pragma once
// TPageCommands: the commands of the menus, keys and toolbar that act on pages and on the
// window's page-wide state: stop and refresh (one tab or all), the edit commands, Open,
// text size, View Source with its Edit Document menu, Work Offline, Internet Options,
// Clear Addresses, help and the About box. It registers their rows in the command table.

#include <QObject>
#include <QString>

class ITabOpener;
class QAction;
class QMenu;
class QWidget;
class TAddressBar;
class TBrowserTab;
class TCommandTable;

class TPageCommands : public QObject {
    Q_OBJECT
public:
    // window: the parent of the dialogs and menus, and whose edit fields Cut, Copy and
    // Paste serve; addressBar: the typed addresses (Open, Clear Addresses) and Esc's revert.
    TPageCommands(QWidget *window, ITabOpener *tabs, TCommandTable *commands, TAddressBar *addressBar,
                  QObject *parent = nullptr);

    void RefreshTab(TBrowserTab *tab);                    // completely while Ctrl is held
    void RefreshTab(TBrowserTab *tab, bool completely);
    void StopAll();
    void RefreshAll();
    void RefreshAllTabs(bool completely);
    void actOpenExecute();
    void mnuEditCutClick();          // Cut, Copy, Paste and Select All go to the focused
    void mnuEditCopyClick();         // edit field of the window, else to the side bar's
    void mnuEditPasteClick();        // search browser when it has the focus, else to the
    void mnuEditSelectAllClick();    // active page
    void mnuEditFindClick();
    void SetTextSize(int size);      // of the active page, 0 (smallest) .. 4 (largest)
    void SetWorkOffline(bool offline);
    void mnuOptionsInternetClick();
    void mnuToolsFavsClick();        // Clear Addresses, after asking
    void EditDocument(const QString &editor);   // the active page in an editor of pmEditDocument
    void ShowAbout();
    QString AboutText() const;
    void HelpTopics();
    static QString HelpFile();       // the user guide; "" when it is missing

    // The View menu's Text Size menu (made once).
    QMenu *TextSizeMenu();

public Q_SLOTS:
    void FollowLoading(bool loading);   // Stop is enabled while the active tab loads

Q_SIGNALS:
    // Internet Options closed: the side bar refreshes its history tree when it shows it.
    void InternetOptionsClosed();

private:
    void registerRows();
    QMenu *buildTextSizeMenu(const QString &title, const QString &name, const QStringList &captions);
    void fillEditDocumentMenu();
    void showMessage(const QString &text);

    QWidget *m_window;
    ITabOpener *m_tabs;
    TCommandTable *m_commands;
    TAddressBar *m_addressBar;
    QAction *m_workOffline = nullptr;
    QAction *m_stop = nullptr;
    QMenu *m_textSize = nullptr;
    QMenu *m_font = nullptr;
    QMenu *m_editDocument = nullptr;
    bool m_editDocumentFilled = false;
};
