#include "browser/tabdrops.h"

#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmanager.h"
#include "platform/inifile.h"

#include <QFileInfo>

namespace {
// Whether the text names an existing Internet shortcut file; *address is then its URL
// ("" when the file has none).
bool readShortcut(const QString &path, QString *address)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.suffix().compare(QLatin1String("url"), Qt::CaseInsensitive) != 0)
        return false;
    *address = TIniFile(path).ReadString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), QString()).trimmed();
    return true;
}
}

TTabDrops::TTabDrops(TTabManager *tabs, QObject *parent)
    : QObject(parent), m_tabs(tabs)
{
    setObjectName(QStringLiteral("tabDrops"));
    tabs->PageControl()->setAcceptDrops(true);
    connect(tabs->PageControl(), &TKWPageControl::TextDropped, this, &TTabDrops::OnTextDropped);
}

void TTabDrops::OnTextDropped(int tabIndex, const QString &textOrPath)
{
    QString text = textOrPath.trimmed();
    QString shortcut;
    if (readShortcut(text, &shortcut))
        text = shortcut;   // a shortcut without an address opens nothing
    if (text.isEmpty() || tabIndex < 0)
        return;
    TBrowserTab *tab = m_tabs->TabAt(m_tabs->PageControl()->TabToPageIndex(tabIndex));
    if (!tab)
        return;
    if (tab == m_tabs->ActiveTab()) {
        if (TBrowserTab *fresh = m_tabs->CreateBackgroundTab())
            fresh->OpenAsHome(text);
    } else {
        tab->NavigateTo(text);
    }
}
