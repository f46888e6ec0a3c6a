#pragma once
// The program's settings store. Every setting is a string value under
// HKCU "Software\Brinwell\Tabvane\CurrentVersion"; lists are subkeys of name=value lines
// kept in write order. Nothing is cached: each read and write goes to the hive at once, so
// any number of TKWOptions objects may exist side by side and all see the same data.
// Failures raise RegistryError with the store's messages ("Failed to set data for '%s'").

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

struct RegChange;
struct RegValue;

enum class TAutoCompleteStyle { None = 0, IE4 = 1, IE5 = 2 };

class TKWOptions {
public:
    static const QString RootKey;      // "Software\Brinwell\Tabvane"
    static const QString SettingsKey;  // RootKey + "\CurrentVersion"

    TKWOptions();   // opens (creates) the root key; a failure here is not an error

    // A store that answers every read from one read of the settings key and the lists below
    // it, taken now: one hive transaction instead of one per value, for a reader of many
    // values at once. Writes still go to the hive (and do not change what it reads).
    // Raises RegistryError when the hive cannot be read.
    static TKWOptions Snapshot();

    // While a list is set, writes are appended to it as changes instead of going to the
    // hive; the caller applies them with TRegistry::apply, in one transaction.
    void CollectWrites(QList<RegChange> *changes) { m_collected = changes; }

    // A value of the wrong registry type raises "Invalid data type for '%s'". With a
    // handler set, it reads as its default instead (a list skips the entry) and the
    // handler gets that message: a damaged value then costs a message, not the operation.
    using TWrongTypeHandler = std::function<void(const QString &message)>;
    void SetWrongTypeHandler(TWrongTypeHandler handler) { m_wrongType = std::move(handler); }

    // Start-up and instance
    bool AllowMultiInstance() const;       void SetAllowMultiInstance(bool v);
    QString CommandLine() const;           void SetCommandLine(const QString &v);
    QString StartupMode() const;           void SetStartupMode(const QString &v);
    QString StartupVessaGroup() const;     void SetStartupVessaGroup(const QString &v);
    QString StartupPage() const;           void SetStartupPage(const QString &v);
    bool AskDefaultBrowser() const;        void SetAskDefaultBrowser(bool v);
    bool ConfirmShutdown() const;          void SetConfirmShutdown(bool v);
    QString KWID() const;                  void SetKWID(const QString &v);
    // The installation's identifier: a new one is written unless stored (as read) is one.
    void EnsureKWID(const QString &stored);
    int CheckedVersion() const;            void SetCheckedVersion(int v);

    // Window and view
    bool Maximized() const;                void SetMaximized(bool v);
    int Left() const;                      void SetLeft(int v);      // negative stored as 0
    int Top() const;                       void SetTop(int v);       // negative stored as 0
    int Width() const;                     void SetWidth(int v);     // negative stored as 0
    int Height() const;                    void SetHeight(int v);    // negative stored as 0
    bool FullScreen() const;               void SetFullScreen(bool v);
    bool ViewToolbar() const;              void SetViewToolbar(bool v);
    bool ViewAddressBar() const;           void SetViewAddressBar(bool v);
    bool ViewLinksBar() const;             void SetViewLinksBar(bool v);
    bool ViewStatusBar() const;            void SetViewStatusBar(bool v);
    bool ViewVessaBar() const;             void SetViewVessaBar(bool v);
    int VessaBarWidth() const;             void SetVessaBarWidth(int v); // negative stores 234
    bool MinToTray() const;                void SetMinToTray(bool v);
    bool DisableALTShortcuts() const;      void SetDisableALTShortcuts(bool v);
    bool ToolbarShowColor() const;         void SetToolbarShowColor(bool v);
    int FavoritesWidth() const;            void SetFavoritesWidth(int v);
    int FavoritesHeight() const;           void SetFavoritesHeight(int v);

    // Tabs
    bool TabsDown() const;                 void SetTabsDown(bool v);
    bool MultipleLines() const;            void SetMultipleLines(bool v);
    int LimitTitleLength() const;          void SetLimitTitleLength(int v);
    QString TabColorScheme() const;        void SetTabColorScheme(const QString &v);
    int InactiveTabColor() const;          void SetInactiveTabColor(int v);   // 0x00BBGGRR
    int InactiveFontColor() const;         void SetInactiveFontColor(int v);  // 0x00BBGGRR
    bool OpenNewAtEnd() const;             void SetOpenNewAtEnd(bool v);
    bool OpenNewInForeground() const;      void SetOpenNewInForeground(bool v);
    int NewAction() const;                 void SetNewAction(int v);  // clamped to 0..2
    bool ConfirmCloseAll() const;          void SetConfirmCloseAll(bool v);
    bool VGCloseFirst() const;             void SetVGCloseFirst(bool v);

    // Address bar and completion
    bool AddressNewWin() const;            void SetAddressNewWin(bool v);
    bool ShowGo() const;                   void SetShowGo(bool v);
    TAutoCompleteStyle AutoCompleteStyle() const;  void SetAutoCompleteStyle(TAutoCompleteStyle v);
    QString CtrlPre() const;               void SetCtrlPre(const QString &v);
    QString CtrlPost() const;              void SetCtrlPost(const QString &v);
    QString ShiftPre() const;              void SetShiftPre(const QString &v);
    QString ShiftPost() const;             void SetShiftPost(const QString &v);
    QString CtrlShiftPre() const;          void SetCtrlShiftPre(const QString &v);
    QString CtrlShiftPost() const;         void SetCtrlShiftPost(const QString &v);

    // Side bar, favorites, search, add-ons
    bool CBAutoExpand() const;             void SetCBAutoExpand(bool v);
    bool FavoritesNewWin() const;          void SetFavoritesNewWin(bool v);
    bool HistoryNewWin() const;            void SetHistoryNewWin(bool v);
    bool LinksNewWin() const;              void SetLinksNewWin(bool v);
    bool SearchNewWin() const;             void SetSearchNewWin(bool v);
    bool BreakFavorites() const;           void SetBreakFavorites(bool v);
    bool UseCustomIcons() const;           void SetUseCustomIcons(bool v);
    QString SearchBar() const;             void SetSearchBar(const QString &v);
    static QString DefaultSearchBar();     // the maker's search-bar page
    bool UsePopupVessa() const;            void SetUsePopupVessa(bool v);
    bool PopupVessaNotify() const;         void SetPopupVessaNotify(bool v);
    bool FlyswatEnabled() const;           void SetFlyswatEnabled(bool v);
    bool FlyswatShowLinks() const;         void SetFlyswatShowLinks(bool v);

    // Lists: lines "name=value" in stored order; entries with empty data are dropped when
    // read. Writing replaces the whole list in one transaction; an empty list removes it.
    QStringList LastOpenSites() const;     void SetLastOpenSites(const QStringList &lines);
    QStringList PopupVessa() const;        void SetPopupVessa(const QStringList &lines);
    QStringList SearchEngines() const;     void SetSearchEngines(const QStringList &lines);
    QStringList SearchBarList() const;     void SetSearchBarList(const QStringList &lines);
    QStringList SearchCombo() const;
    void AddSearchBarEntry(const QString &name, const QString &address);  // one value only

    // Generic access for values other parts keep under the settings key.
    QString ReadString(const QString &name, const QString &def) const;
    void WriteString(const QString &name, const QString &value);
    int ReadInteger(const QString &name, int def) const;
    void WriteInteger(const QString &name, int value);
    bool ReadBool(const QString &name, bool def) const;
    void WriteBool(const QString &name, bool value);
    QStringList ReadList(const QString &subkey) const;
    void WriteList(const QString &subkey, const QStringList &lines);

private:
    bool readable(const RegValue &value) const;

    struct TSnapshot;
    std::shared_ptr<const TSnapshot> m_snapshot;   // set: reads come from here
    QList<RegChange> *m_collected = nullptr;       // set: writes go here
    bool m_rootOpened = false;   // false: the root key could not be opened; reads give defaults
    TWrongTypeHandler m_wrongType;
};
