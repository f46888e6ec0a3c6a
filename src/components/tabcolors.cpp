#include "components/tabcolors.h"

#include <QGuiApplication>
#include <QPalette>

TTabColorScheme TTabColors::ParseScheme(const QString &stored)
{
    if (stored == QLatin1String("std"))
        return TTabColorScheme::Standard;
    if (stored == QLatin1String("rev"))
        return TTabColorScheme::Reversed;
    return TTabColorScheme::Custom;
}

QString TTabColors::SchemeName(TTabColorScheme scheme)
{
    switch (scheme) {
    case TTabColorScheme::Standard: return QStringLiteral("std");
    case TTabColorScheme::Reversed: return QStringLiteral("rev");
    case TTabColorScheme::Custom: break;
    }
    return QStringLiteral("custom");
}

TTabColors TTabColors::For(TTabColorScheme scheme, int customTabBGR, int customFontBGR)
{
    switch (scheme) {
    case TTabColorScheme::Standard: return {FromBGR(clBtnFace), FromBGR(clWindowText)};
    case TTabColorScheme::Reversed: return {FromBGR(clInactiveCaption), FromBGR(clHighlightText)};
    case TTabColorScheme::Custom: break;
    }
    return {FromBGR(customTabBGR), FromBGR(customFontBGR)};
}

QColor TTabColors::FromBGR(int bgr)
{
    const quint32 v = quint32(bgr);
    if ((v & 0xFF000000u) == 0xFF000000u) {
        const QPalette pal = QGuiApplication::palette();
        switch (v & 0xFFu) {
        case 0: case 10: case 11: case 15: return pal.color(QPalette::Button);
        case 1: case 3: case 12: case 16: case 28: return pal.color(QPalette::Dark);
        case 2: case 13: case 27: case 29: return pal.color(QPalette::Highlight);
        case 4: case 30: return pal.color(QPalette::Window);
        case 5: return pal.color(QPalette::Base);
        case 6: case 21: return pal.color(QPalette::Shadow);
        case 7: case 8: return pal.color(QPalette::WindowText);
        case 9: case 14: case 19: return pal.color(QPalette::HighlightedText);
        case 17: return pal.color(QPalette::Disabled, QPalette::Text);
        case 18: return pal.color(QPalette::ButtonText);
        case 20: return pal.color(QPalette::Light);
        case 22: return pal.color(QPalette::Midlight);
        case 23: return pal.color(QPalette::ToolTipText);
        case 24: return pal.color(QPalette::ToolTipBase);
        case 26: return pal.color(QPalette::Link);
        default: return pal.color(QPalette::WindowText);
        }
    }
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

int TTabColors::ToBGR(const QColor &color)
{
    const QColor c = color.toRgb();
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}
