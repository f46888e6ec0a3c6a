#pragma once
// Small pictures drawn in code at the screen's density, so that no icon theme is looked up
// while the window is being built.

#include <QColor>
#include <QPixmap>

#include <functional>

class QPainter;

// A size × size picture; draw() paints on a 16 × 16 grid, scaled to the size.
QPixmap SmallPicture(int size, const std::function<void(QPainter &)> &draw);

// The outline colour the window's pictures share.
inline QColor PictureOutline() { return QColor(0x2b, 0x34, 0x40); }
