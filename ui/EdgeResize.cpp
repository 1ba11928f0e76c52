#include "EdgeResize.h"

int EdgeResize::RegionCode(const QPoint& pos, const QSize& size)
{
    int column = 2;
    if (pos.x() <= 4) {
        column = 1;
    } else if (pos.x() > size.width() - 5) {
        column = 3;
    }
    int row = 20;
    if (pos.y() <= 4) {
        row = 10;
    } else if (pos.y() > size.height() - 5) {
        row = 30;
    }
    return row + column;
}

Qt::CursorShape EdgeResize::Cursor(int code)
{
    switch (code) {
    case 11:
    case 33:
        return Qt::SizeFDiagCursor;
    case 13:
    case 31:
        return Qt::SizeBDiagCursor;
    case 12:
    case 32:
        return Qt::SizeVerCursor;
    case 21:
    case 23:
        return Qt::SizeHorCursor;
    default:
        return Qt::ArrowCursor;
    }
}

Qt::Edges EdgeResize::Edges(int code)
{
    Qt::Edges edges;
    const int column = code % 10;
    const int row = code - column;
    if (column == 1) {
        edges |= Qt::LeftEdge;
    } else if (column == 3) {
        edges |= Qt::RightEdge;
    }
    if (row == 10) {
        edges |= Qt::TopEdge;
    } else if (row == 30) {
        edges |= Qt::BottomEdge;
    }
    return edges;
}

QRect EdgeResize::Resized(int code, const QRect& start, const QPoint& travel, const QSize& minimum)
{
    QRect rect = start;
    const int column = code % 10;
    const int row = code - column;
    if (column == 1) {
        rect.setLeft(start.left() + travel.x());
    } else if (column == 3) {
        rect.setRight(start.right() + travel.x());
    }
    if (row == 10) {
        rect.setTop(start.top() + travel.y());
    } else if (row == 30) {
        rect.setBottom(start.bottom() + travel.y());
    }
    if (rect.width() < minimum.width() || rect.height() < minimum.height()) {
        return QRect();
    }
    return rect;
}
