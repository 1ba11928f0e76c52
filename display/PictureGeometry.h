#pragma once
// Where and how a stored picture is drawn in the plain display: its upright
// display size (sample aspect applied, then the turn), the rectangle it takes
// in a view, the texture coordinates that turn and mirror it, and the mapping
// of stored picture pixels to view pixels (for outlines drawn over it).
// Pure math on value types, any thread.

#include "PictureFormat.h"

#include <QPointF>
#include <QRect>
#include <QSize>

#include <array>

// How the plain picture fills a view whose shape differs from its own.
enum class AspectMode {
    Keep,    // the whole picture at its display aspect, centred, black bars
    Stretch, // the picture stretched over the whole view
};

class PictureGeometry
{
public:
    PictureGeometry(int storedWidth, int storedHeight, const PictureFormat& format);

    // Upright size at the display aspect: the stored width scaled by the
    // sample aspect ratio (the height kept), then swapped by a quarter turn.
    // Empty for an empty picture.
    QSize DisplaySize() const;

    // The picture's rectangle in a view of the given size, top-left origin,
    // truncated toward zero like the GL viewport it becomes.
    QRect Viewport(QSize view, AspectMode aspect) const;
    // The same before truncation.
    QRectF ViewportF(QSize view, AspectMode aspect) const;

    // Texture coordinates for the quad's corners in the order bottom-left,
    // top-left, top-right, bottom-right (x, y pairs; y = 0 is the stored
    // picture's first row), so that the drawn picture stands upright.
    std::array<float, 8> QuadTexCoords() const;

    // A point in stored picture pixels to the view pixels where it is drawn
    // inside `viewport`.
    QPointF PictureToView(QPointF picturePoint, const QRectF& viewport) const;

    bool IsQuarterTurn() const { return m_rotationCwDeg == 90 || m_rotationCwDeg == 270; }

private:
    // A point of the upright unit square to the stored unit square.
    QPointF UprightToStored(QPointF upright) const;
    QPointF StoredToUpright(QPointF stored) const;

    int m_width;
    int m_height;
    int m_rotationCwDeg;
    bool m_mirrored;
    double m_sar;
};
