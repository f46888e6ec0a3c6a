#pragma once
// The colours of inactive tabs, decided in one place for every tab strip of the window: the
// browser tabs, the side bar's tabs and the Options dialog's preview. A scheme names either
// the palette's colours ("std", "rev") or the two stored custom colours (anything else).
// Colours are kept in the stored 0x00BBGGRR form; a value whose high byte is 0xFF refers to
// a system colour (its low byte the system colour's index) and follows the palette.

#include <QColor>
#include <QString>

enum class TTabColorScheme { Standard, Reversed, Custom };

struct TTabColors {
    QColor tab;    // background of tabs that are not selected
    QColor font;   // their text

    // "std" -> Standard, "rev" -> Reversed, any other text (the stored "custom" among
    // them) -> Custom; compared case-sensitively, as the strips always read it.
    static TTabColorScheme ParseScheme(const QString &stored);
    static QString SchemeName(TTabColorScheme scheme);   // "std", "rev", "custom"

    // Standard: button face and window text; reversed: inactive caption and highlighted
    // text; custom: the two stored colours.
    static TTabColors For(TTabColorScheme scheme, int customTabBGR, int customFontBGR);
    static TTabColors For(const QString &storedScheme, int customTabBGR, int customFontBGR)
    {
        return For(ParseScheme(storedScheme), customTabBGR, customFontBGR);
    }

    static QColor FromBGR(int bgr);
    static int ToBGR(const QColor &color);

    // Gives the pair to a strip (anything with SetInactiveTabColor/SetInactiveFontColor).
    template <class Strip>
    void ApplyTo(Strip *strip) const
    {
        if (!strip)
            return;
        strip->SetInactiveTabColor(tab);
        strip->SetInactiveFontColor(font);
    }

    // System colour references (high byte 0xFF), in the stored form.
    static constexpr int clInactiveCaption = -16777213;   // 0xFF000003
    static constexpr int clWindowText = -16777208;        // 0xFF000008
    static constexpr int clHighlightText = -16777202;     // 0xFF00000E
    static constexpr int clBtnFace = -16777201;           // 0xFF00000F
};
