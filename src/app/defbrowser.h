#pragma once
// Making Tabvane the default web browser, and undoing it.
//
// Two places record the choice. The classes root of the registry holds a shell verb
// "Tabvane" for htmlfile, http, https and file and makes it each class's default verb. The
// desktop's own binding is a "tabvane.desktop" entry in $XDG_DATA_HOME/applications and
// the defaults for text/html and x-scheme-handler/http(s) in $XDG_CONFIG_HOME/mimeapps.list.
//
// Rule for "is default": the default verbs of htmlfile and HTTP both read exactly
// "Tabvane", and tabvane.desktop is what the desktop really uses for text/html and for
// x-scheme-handler/http (the first installed entry of the first mimeapps.list, in the
// freedesktop lookup order, that names a default for the type).

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace DefBrowser {

extern const QString DesktopId;            // "tabvane.desktop"
QStringList BrowserMimeTypes();           // text/html, x-scheme-handler/http, .../https
QString CommandLine(const QString &exePath);   // exe path + " \"%1\"", the path unquoted

// Registry and desktop operations. Hive failures raise RegistryError; a file that cannot
// be written raises std::runtime_error.
bool IsDefaultBrowser();
void Register(const QString &exePath);
// Sets the four default verbs back to "open" (missing "shell" keys are not created) and
// removes tabvane.desktop from the mimeapps.list defaults. The verb keys, the "open"
// commands and the desktop entry stay.
void RestoreOpenVerb();

// The start-up question. Nothing happens when already default; "Yes" registers and, with
// the check box cleared, stores AskDefaultBrowser false; "No" stores nothing.
struct TOfferAnswer {
    bool yes = false;
    bool checked = true;
};
void Offer(QWidget *owner, const QString &exePath);
// Offer with the question supplied by the caller.
void OfferWith(const QString &exePath, const std::function<TOfferAnswer()> &ask);

// The desktop binding, in parts.
QString DesktopEntryPath();
QString DesktopEntryText(const QString &exePath);
// The entry's icon: the vane of an installed program's icon theme, else the desktop's
// generic web-browser icon.
QString DesktopIconName(const QString &exePath);
QString ExecQuoted(const QString &program);   // quoted and escaped for an Exec= line
QString MimeAppsPath();
// The user's files that registration rewrites: mimeapps.list, and each existing
// desktop-specific "<desktop>-mimeapps.list" of $XDG_CURRENT_DESKTOP, which the desktop
// reads first.
QStringList MimeAppsPaths();
// Rewrites mimeapps.list text: for each type in [Default Applications], puts desktopId
// first (add) or removes it (remove), keeping the other entries and all other lines.
QString UpdateMimeApps(const QString &text, const QStringList &mimeTypes,
                       const QString &desktopId, bool add);
// The desktop ids listed for a type in the text's [Default Applications] group.
QStringList MimeAppsDefaults(const QString &text, const QString &mimeType);
// The desktop id the desktop uses for a type; "" when none.
QString EffectiveDefault(const QString &mimeType);

}
