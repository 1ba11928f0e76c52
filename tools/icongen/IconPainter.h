#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QVector>

// Draws the icons of the player on a 24 x 24 design grid, scaled to the
// image size: thin round strokes, one colour per image, transparent ground.
class IconPainter
{
public:
    enum class Glyph {
        Minimize, Maximize, Close, PauseBars, PlayTriangle, Previous, Next,
        Loop, Single, Random, StopAfter, Camera, Record, SoundOn, SoundOff,
        Gear, List, FullScreen, Add, Delete, Document, AppLogo
    };

    struct Icon {
        QString fileName;
        int sizePx;
        Glyph glyph;
        QColor colour;
        QString label; // Document only: the file kind written on the page
    };

    static QVector<Icon> AllIcons();
    static QImage Render(const Icon& icon);
};
