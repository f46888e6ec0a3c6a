#pragma once
// The main toolbar's catalogue of buttons, its default layout and the layout file
// "tbmain.dat" (section "Toolbar": one line per button in toolbar order; the key is the
// button's id, or "Sep" + its position for a separator; the value "1" or "0" is whether
// the button is shown).

#include <QByteArray>
#include <QList>
#include <QString>

enum class TToolStyle { Button, DropDown, Check, Separator };

struct TToolButtonDef {
    int id;
    const char *name;      // tbNew, tbOpen, ...
    const char *caption;
    TToolStyle style;
    const char *hint;      // "short|long"
};

struct TToolbarItem {
    int id = -1;           // -1: separator
    bool visible = true;
    bool operator==(const TToolbarItem &o) const { return id == o.id && visible == o.visible; }
};

namespace TToolbarCatalogue {
constexpr int MaxId = 20;
// The catalogue entry of an id; nullptr outside 0..20 (such a button has no caption or action).
const TToolButtonDef *Find(int id);
// Ids 0..20 in order with a separator after 1, 3, 7, 9 and 12; 1, 17, 18, 19, 20 hidden.
QList<TToolbarItem> DefaultLayout();
// The layout stored in the file, in toolbar order. A missing file gives *exists false and
// an empty list; a key that is neither "Sep..." nor an integer is skipped.
QList<TToolbarItem> ReadLayout(const QString &path, bool *exists);
// Rewrites the file (atomically) with one line per item.
bool WriteLayout(const QString &path, const QList<TToolbarItem> &items);
QString FileName();    // "tbmain.dat" in the program's data folder
// The button's picture as an SVG document (24 x 24); empty outside 0..20.
QByteArray IconSvg(int id);
}
