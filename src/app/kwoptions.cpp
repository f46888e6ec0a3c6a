#include "app/kwoptions.h"

#include "platform/makerhost.h"
#include "platform/registry.h"

#include <QUuid>
#include <QGuiApplication>
#include <QHash>
#include <QScreen>

using namespace Qt::StringLiterals;


const QString TKWOptions::RootKey = QStringLiteral("Software\\Brinwell\\Tabvane");
const QString TKWOptions::SettingsKey = QStringLiteral("Software\\Brinwell\\Tabvane\\CurrentVersion");

namespace {

QString listKey(const QString &subkey)
{
    return TKWOptions::SettingsKey + QLatin1Char('\\') + subkey;
}

QString wrongTypeMessage(const RegValue &value)
{
    return u"Invalid data type for '%1'"_s.arg(value.name);
}

bool isText(const RegValue &value)
{
    return value.type == RegType::Sz || value.type == RegType::ExpandSz;
}

// String data as the store sees it: text up to the first NUL.
QString storedText(const RegValue &value)
{
    if (!isText(value))
        throw RegistryError(wrongTypeMessage(value));
    const int nul = value.text.indexOf(QChar(0));
    return nul < 0 ? value.text : value.text.left(nul);
}

// Signed 32-bit decimal text; leading blanks allowed, nothing after the digits.
bool parseInteger(const QString &text, int *out)
{
    int start = 0;
    while (start < text.size() && text.at(start).isSpace())
        ++start;
    const QString digits = text.mid(start);
    if (digits.isEmpty() || digits.at(digits.size() - 1).isSpace())
        return false;
    bool ok = false;
    const int v = digits.toInt(&ok, 10);
    if (ok)
        *out = v;
    return ok;
}

QSize availableScreenSize()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            return screen->availableGeometry().size();
    }
    return QSize(1024, 768);
}

} // namespace

// The settings key's values and the lists below it, by case-folded name, as one read saw them.
struct TKWOptions::TSnapshot {
    QHash<QString, RegValue> values;
    QHash<QString, QList<RegValue>> lists;   // by the subkey's path below the settings key
};

TKWOptions TKWOptions::Snapshot()
{
    TKWOptions options;
    QList<RegKeyContents> keys;
    try {
        keys = TRegistry().tree(SettingsKey);
    } catch (const RegistryError &) {
        // As for single reads: a store that could not open its key reads defaults.
        if (options.m_rootOpened)
            throw;
    }
    auto snapshot = std::make_shared<TSnapshot>();
    const QString settingsFold = SettingsKey.toCaseFolded();
    const QString listPrefix = settingsFold + QLatin1Char('\\');
    for (const RegKeyContents &key : qAsConst(keys)) {
        const QString fold = key.path.toCaseFolded();
        if (fold == settingsFold) {
            for (const RegValue &v : key.values)
                snapshot->values.insert(v.name.toCaseFolded(), v);
        } else if (fold.startsWith(listPrefix)) {
            snapshot->lists.insert(fold.mid(listPrefix.size()), key.values);
        }
    }
    options.m_snapshot = std::move(snapshot);
    return options;
}

TKWOptions::TKWOptions()
{
    // The root key is created here when missing; a failure shows at the first write.
    try {
        TRegistry reg;
        if (!reg.keyExists(RootKey))
            reg.createKey(RootKey);
        m_rootOpened = true;
    } catch (const RegistryError &) {
        m_rootOpened = false;
    }
}

QString TKWOptions::ReadString(const QString &name, const QString &def) const
{
    RegValue value;
    if (m_snapshot) {
        value = m_snapshot->values.value(name.toCaseFolded());
    } else {
        try {
            value = TRegistry().readValue(SettingsKey, name);
        } catch (const RegistryError &) {
            // A store that could not open its key reads defaults.
            if (!m_rootOpened)
                return def;
            throw;
        }
    }
    return value.exists() && readable(value) ? storedText(value) : def;
}

bool TKWOptions::readable(const RegValue &value) const
{
    if (isText(value) || !m_wrongType)
        return true;   // storedText raises the store's error for a wrong type
    m_wrongType(wrongTypeMessage(value));
    return false;
}

void TKWOptions::WriteString(const QString &name, const QString &value)
{
    if (m_collected) {
        RegValue v;
        v.name = name;
        v.type = RegType::Sz;
        v.text = value;
        m_collected->append(RegChange{RegChange::SetValue, RegRoot::CurrentUser, SettingsKey, v});
        return;
    }
    TRegistry().writeString(SettingsKey, name, value);
}

int TKWOptions::ReadInteger(const QString &name, int def) const
{
    const QString text = ReadString(name, QString());
    int v = def;
    return parseInteger(text, &v) ? v : def;
}

void TKWOptions::WriteInteger(const QString &name, int value)
{
    WriteString(name, QString::number(value));
}

bool TKWOptions::ReadBool(const QString &name, bool def) const
{
    return ReadInteger(name, def ? 1 : 0) != 0;
}

void TKWOptions::WriteBool(const QString &name, bool value)
{
    WriteString(name, value ? u"1"_s : u"0"_s);
}

QStringList TKWOptions::ReadList(const QString &subkey) const
{
    QList<RegValue> values;
    if (m_snapshot) {
        values = m_snapshot->lists.value(subkey.toCaseFolded());
    } else {
        try {
            values = TRegistry().values(listKey(subkey));
        } catch (const RegistryError &) {
            if (!m_rootOpened)
                return QStringList();
            throw;
        }
    }
    QStringList lines;
    for (const RegValue &v : values) {
        if (!readable(v))
            continue;
        const QString data = storedText(v);
        if (!data.isEmpty())
            lines << v.name + QLatin1Char('=') + data;
    }
    return lines;
}

void TKWOptions::WriteList(const QString &subkey, const QStringList &lines)
{
    QList<RegValue> values;
    values.reserve(lines.size());
    for (const QString &line : lines) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;   // a line without "=" has no name and no data
        RegValue v;
        v.type = RegType::Sz;
        v.name = line.left(eq);
        v.text = line.mid(eq + 1);
        values << v;
    }
    if (m_collected) {
        // As replaceValues does it: the old list goes, then the new one is written.
        m_collected->append(RegChange{RegChange::DeleteKey, RegRoot::CurrentUser, listKey(subkey), RegValue()});
        for (const RegValue &v : qAsConst(values))
            m_collected->append(RegChange{RegChange::SetValue, RegRoot::CurrentUser, listKey(subkey), v});
        return;
    }
    TRegistry().replaceValues(listKey(subkey), values);
}

// Start-up and instance
bool TKWOptions::AllowMultiInstance() const { return ReadBool(u"AllowMultiInstance"_s, false); }
void TKWOptions::SetAllowMultiInstance(bool v) { WriteBool(u"AllowMultiInstance"_s, v); }
QString TKWOptions::CommandLine() const { return ReadString(u"CommandLine"_s, QString()); }
void TKWOptions::SetCommandLine(const QString &v) { WriteString(u"CommandLine"_s, v); }
QString TKWOptions::StartupMode() const { return ReadString(u"StartupMode"_s, u"Home"_s); }
void TKWOptions::SetStartupMode(const QString &v) { WriteString(u"StartupMode"_s, v); }
QString TKWOptions::StartupVessaGroup() const { return ReadString(u"StartupVessaGroup"_s, QString()); }
void TKWOptions::SetStartupVessaGroup(const QString &v) { WriteString(u"StartupVessaGroup"_s, v); }
QString TKWOptions::StartupPage() const { return ReadString(u"StartupPage"_s, QString()); }
void TKWOptions::SetStartupPage(const QString &v) { WriteString(u"StartupPage"_s, v); }
bool TKWOptions::AskDefaultBrowser() const { return ReadBool(u"AskDefaultBrowser"_s, true); }
void TKWOptions::SetAskDefaultBrowser(bool v) { WriteBool(u"AskDefaultBrowser"_s, v); }
bool TKWOptions::ConfirmShutdown() const { return ReadBool(u"ConfirmShutdown"_s, true); }
void TKWOptions::SetConfirmShutdown(bool v) { WriteBool(u"ConfirmShutdown"_s, v); }
QString TKWOptions::KWID() const { return ReadString(u"KWID"_s, QString()); }
void TKWOptions::SetKWID(const QString &v) { WriteString(u"KWID"_s, v); }

void TKWOptions::EnsureKWID(const QString &stored)
{
    if (stored.length() != 36)
        SetKWID(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}
int TKWOptions::CheckedVersion() const { return ReadInteger(u"CheckedVersion"_s, 118); }
void TKWOptions::SetCheckedVersion(int v) { WriteInteger(u"CheckedVersion"_s, v); }

// Window and view
bool TKWOptions::Maximized() const { return ReadBool(u"Maximized"_s, false); }
void TKWOptions::SetMaximized(bool v) { WriteBool(u"Maximized"_s, v); }
int TKWOptions::Left() const { return ReadInteger(u"Left"_s, 10); }
void TKWOptions::SetLeft(int v) { WriteInteger(u"Left"_s, qMax(0, v)); }
int TKWOptions::Top() const { return ReadInteger(u"Top"_s, 10); }
void TKWOptions::SetTop(int v) { WriteInteger(u"Top"_s, qMax(0, v)); }
int TKWOptions::Width() const { return ReadInteger(u"Width"_s, availableScreenSize().width() - 40); }
void TKWOptions::SetWidth(int v) { WriteInteger(u"Width"_s, qMax(0, v)); }
int TKWOptions::Height() const { return ReadInteger(u"Height"_s, availableScreenSize().height() - 40); }
void TKWOptions::SetHeight(int v) { WriteInteger(u"Height"_s, qMax(0, v)); }
bool TKWOptions::FullScreen() const { return ReadBool(u"FullScreen"_s, false); }
void TKWOptions::SetFullScreen(bool v) { WriteBool(u"FullScreen"_s, v); }
bool TKWOptions::ViewToolbar() const { return ReadBool(u"ViewToolbar"_s, true); }
void TKWOptions::SetViewToolbar(bool v) { WriteBool(u"ViewToolbar"_s, v); }
bool TKWOptions::ViewAddressBar() const { return ReadBool(u"ViewAddressBar"_s, true); }
void TKWOptions::SetViewAddressBar(bool v) { WriteBool(u"ViewAddressBar"_s, v); }
bool TKWOptions::ViewLinksBar() const { return ReadBool(u"ViewLinksBar"_s, true); }
void TKWOptions::SetViewLinksBar(bool v) { WriteBool(u"ViewLinksBar"_s, v); }
bool TKWOptions::ViewStatusBar() const { return ReadBool(u"ViewStatusBar"_s, true); }
void TKWOptions::SetViewStatusBar(bool v) { WriteBool(u"ViewStatusBar"_s, v); }
bool TKWOptions::ViewVessaBar() const { return ReadBool(u"ViewVessaBar"_s, false); }
void TKWOptions::SetViewVessaBar(bool v) { WriteBool(u"ViewVessaBar"_s, v); }
int TKWOptions::VessaBarWidth() const { return ReadInteger(u"VessaBarWidth"_s, 234); }
void TKWOptions::SetVessaBarWidth(int v) { WriteInteger(u"VessaBarWidth"_s, v < 0 ? 234 : v); }
bool TKWOptions::MinToTray() const { return ReadBool(u"MinToTray"_s, false); }
void TKWOptions::SetMinToTray(bool v) { WriteBool(u"MinToTray"_s, v); }
bool TKWOptions::DisableALTShortcuts() const { return ReadBool(u"DisableALTShortcuts"_s, false); }
void TKWOptions::SetDisableALTShortcuts(bool v) { WriteBool(u"DisableALTShortcuts"_s, v); }
bool TKWOptions::ToolbarShowColor() const { return ReadBool(u"ToolbarShowColor"_s, false); }
void TKWOptions::SetToolbarShowColor(bool v) { WriteBool(u"ToolbarShowColor"_s, v); }
int TKWOptions::FavoritesWidth() const { return ReadInteger(u"FavoritesWidth"_s, 250); }
void TKWOptions::SetFavoritesWidth(int v) { WriteInteger(u"FavoritesWidth"_s, v); }
int TKWOptions::FavoritesHeight() const { return ReadInteger(u"FavoritesHeight"_s, 400); }
void TKWOptions::SetFavoritesHeight(int v) { WriteInteger(u"FavoritesHeight"_s, v); }

// Tabs
bool TKWOptions::TabsDown() const { return ReadBool(u"TabsDown"_s, true); }
void TKWOptions::SetTabsDown(bool v) { WriteBool(u"TabsDown"_s, v); }
bool TKWOptions::MultipleLines() const { return ReadBool(u"MultipleLines"_s, false); }
void TKWOptions::SetMultipleLines(bool v) { WriteBool(u"MultipleLines"_s, v); }
int TKWOptions::LimitTitleLength() const { return ReadInteger(u"LimitTitleLength"_s, 35); }
void TKWOptions::SetLimitTitleLength(int v) { WriteInteger(u"LimitTitleLength"_s, v); }
QString TKWOptions::TabColorScheme() const { return ReadString(u"TabColorScheme"_s, u"custom"_s); }
void TKWOptions::SetTabColorScheme(const QString &v) { WriteString(u"TabColorScheme"_s, v); }
int TKWOptions::InactiveTabColor() const { return ReadInteger(u"InactiveTabColor"_s, 0xAAAAAA); }
void TKWOptions::SetInactiveTabColor(int v) { WriteInteger(u"InactiveTabColor"_s, v); }
int TKWOptions::InactiveFontColor() const { return ReadInteger(u"InactiveFontColor"_s, 0); }
void TKWOptions::SetInactiveFontColor(int v) { WriteInteger(u"InactiveFontColor"_s, v); }
bool TKWOptions::OpenNewAtEnd() const { return ReadBool(u"OpenNewAtEnd"_s, false); }
void TKWOptions::SetOpenNewAtEnd(bool v) { WriteBool(u"OpenNewAtEnd"_s, v); }
bool TKWOptions::OpenNewInForeground() const { return ReadBool(u"OpenNewInForeground"_s, false); }
void TKWOptions::SetOpenNewInForeground(bool v) { WriteBool(u"OpenNewInForeground"_s, v); }
int TKWOptions::NewAction() const { return qBound(0, ReadInteger(u"NewAction"_s, 0), 2); }
void TKWOptions::SetNewAction(int v) { WriteInteger(u"NewAction"_s, qBound(0, v, 2)); }
bool TKWOptions::ConfirmCloseAll() const { return ReadBool(u"ConfirmCloseAll"_s, true); }
void TKWOptions::SetConfirmCloseAll(bool v) { WriteBool(u"ConfirmCloseAll"_s, v); }
bool TKWOptions::VGCloseFirst() const { return ReadBool(u"VGCloseFirst"_s, false); }
void TKWOptions::SetVGCloseFirst(bool v) { WriteBool(u"VGCloseFirst"_s, v); }

// Address bar and completion
bool TKWOptions::AddressNewWin() const { return ReadBool(u"AddressNewWin"_s, false); }
void TKWOptions::SetAddressNewWin(bool v) { WriteBool(u"AddressNewWin"_s, v); }
bool TKWOptions::ShowGo() const { return ReadBool(u"ShowGo"_s, false); }
void TKWOptions::SetShowGo(bool v) { WriteBool(u"ShowGo"_s, v); }

TAutoCompleteStyle TKWOptions::AutoCompleteStyle() const
{
    const QString style = ReadString(u"AutoCompleteStyle"_s, u"IE5"_s);
    if (style == QLatin1String("IE4"))
        return TAutoCompleteStyle::IE4;
    if (style == QLatin1String("IE5"))
        return TAutoCompleteStyle::IE5;
    return TAutoCompleteStyle::None;
}

void TKWOptions::SetAutoCompleteStyle(TAutoCompleteStyle v)
{
    const QString text = v == TAutoCompleteStyle::IE4   ? u"IE4"_s
                         : v == TAutoCompleteStyle::IE5 ? u"IE5"_s
                                                        : u"none"_s;
    WriteString(u"AutoCompleteStyle"_s, text);
}

QString TKWOptions::CtrlPre() const { return ReadString(u"CtrlPre"_s, u"http://www."_s); }
void TKWOptions::SetCtrlPre(const QString &v) { WriteString(u"CtrlPre"_s, v); }
QString TKWOptions::CtrlPost() const { return ReadString(u"CtrlPost"_s, u".com"_s); }
void TKWOptions::SetCtrlPost(const QString &v) { WriteString(u"CtrlPost"_s, v); }
QString TKWOptions::ShiftPre() const { return ReadString(u"ShiftPre"_s, u"http://www."_s); }
void TKWOptions::SetShiftPre(const QString &v) { WriteString(u"ShiftPre"_s, v); }
QString TKWOptions::ShiftPost() const { return ReadString(u"ShiftPost"_s, u".net"_s); }
void TKWOptions::SetShiftPost(const QString &v) { WriteString(u"ShiftPost"_s, v); }
QString TKWOptions::CtrlShiftPre() const { return ReadString(u"CtrlShiftPre"_s, u"http://www."_s); }
void TKWOptions::SetCtrlShiftPre(const QString &v) { WriteString(u"CtrlShiftPre"_s, v); }
QString TKWOptions::CtrlShiftPost() const { return ReadString(u"CtrlShiftPost"_s, u".org"_s); }
void TKWOptions::SetCtrlShiftPost(const QString &v) { WriteString(u"CtrlShiftPost"_s, v); }

// Side bar, favorites, search, add-ons
bool TKWOptions::CBAutoExpand() const { return ReadBool(u"CBAutoExpand"_s, true); }
void TKWOptions::SetCBAutoExpand(bool v) { WriteBool(u"CBAutoExpand"_s, v); }
bool TKWOptions::FavoritesNewWin() const { return ReadBool(u"FavoritesNewWin"_s, true); }
void TKWOptions::SetFavoritesNewWin(bool v) { WriteBool(u"FavoritesNewWin"_s, v); }
bool TKWOptions::HistoryNewWin() const { return ReadBool(u"HistoryNewWin"_s, true); }
void TKWOptions::SetHistoryNewWin(bool v) { WriteBool(u"HistoryNewWin"_s, v); }
bool TKWOptions::LinksNewWin() const { return ReadBool(u"LinksNewWin"_s, true); }
void TKWOptions::SetLinksNewWin(bool v) { WriteBool(u"LinksNewWin"_s, v); }
bool TKWOptions::SearchNewWin() const { return ReadBool(u"SearchNewWin"_s, true); }
void TKWOptions::SetSearchNewWin(bool v) { WriteBool(u"SearchNewWin"_s, v); }
bool TKWOptions::BreakFavorites() const { return ReadBool(u"BreakFavorites"_s, false); }
void TKWOptions::SetBreakFavorites(bool v) { WriteBool(u"BreakFavorites"_s, v); }
bool TKWOptions::UseCustomIcons() const { return ReadBool(u"UseCustomIcons"_s, true); }
void TKWOptions::SetUseCustomIcons(bool v) { WriteBool(u"UseCustomIcons"_s, v); }
QString TKWOptions::SearchBar() const { return ReadString(u"SearchBar"_s, DefaultSearchBar()); }
void TKWOptions::SetSearchBar(const QString &v) { WriteString(u"SearchBar"_s, v); }
QString TKWOptions::DefaultSearchBar()
{
    return TMakerHost::Maker() + QStringLiteral("/searchbar/fraSearchIE5.php");
}
bool TKWOptions::UsePopupVessa() const { return ReadBool(u"UsePopupVessa"_s, true); }
void TKWOptions::SetUsePopupVessa(bool v) { WriteBool(u"UsePopupVessa"_s, v); }
bool TKWOptions::PopupVessaNotify() const { return ReadBool(u"PopupVessaNotify"_s, true); }
void TKWOptions::SetPopupVessaNotify(bool v) { WriteBool(u"PopupVessaNotify"_s, v); }
bool TKWOptions::FlyswatEnabled() const { return ReadBool(u"FlyswatEnabled"_s, true); }
void TKWOptions::SetFlyswatEnabled(bool v) { WriteBool(u"FlyswatEnabled"_s, v); }
bool TKWOptions::FlyswatShowLinks() const { return ReadBool(u"FlyswatShowLinks"_s, true); }
void TKWOptions::SetFlyswatShowLinks(bool v) { WriteBool(u"FlyswatShowLinks"_s, v); }

// Lists
QStringList TKWOptions::LastOpenSites() const { return ReadList(u"Last Open Sites"_s); }
void TKWOptions::SetLastOpenSites(const QStringList &lines) { WriteList(u"Last Open Sites"_s, lines); }
QStringList TKWOptions::PopupVessa() const { return ReadList(u"PopupVessa"_s); }
void TKWOptions::SetPopupVessa(const QStringList &lines) { WriteList(u"PopupVessa"_s, lines); }
QStringList TKWOptions::SearchEngines() const { return ReadList(u"Search Engines"_s); }
void TKWOptions::SetSearchEngines(const QStringList &lines) { WriteList(u"Search Engines"_s, lines); }
QStringList TKWOptions::SearchBarList() const { return ReadList(u"Search Bar"_s); }
void TKWOptions::SetSearchBarList(const QStringList &lines) { WriteList(u"Search Bar"_s, lines); }
QStringList TKWOptions::SearchCombo() const { return ReadList(u"Search Combo"_s); }

void TKWOptions::AddSearchBarEntry(const QString &name, const QString &address)
{
    if (m_collected) {
        RegValue v;
        v.name = name;
        v.type = RegType::Sz;
        v.text = address;
        m_collected->append(RegChange{RegChange::SetValue, RegRoot::CurrentUser, listKey(u"Search Bar"_s), v});
        return;
    }
    TRegistry().writeString(listKey(u"Search Bar"_s), name, address);
}
