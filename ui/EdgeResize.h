#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

// Edge resizing of a frameless window. A region code is row + column: column
// 1 (left edge, x <= 4), 2 (inside) or 3 (right edge, x > width - 5); row 10
// (top, y <= 4), 20 or 30 (bottom, y > height - 5). 22 is the inside.
class EdgeResize
{
public:
    static constexpr int kInside = 22;

    static int RegionCode(const QPoint& pos, const QSize& size);
    static Qt::CursorShape Cursor(int code);
    // The window edges a code names (none for the inside).
    static Qt::Edges Edges(int code);
    // The geometry after moving the edges named by `code` by `travel` from
    // `start`; an empty rectangle when it would be smaller than `minimum`.
    static QRect Resized(int code, const QRect& start, const QPoint& travel, const QSize& minimum);
};
