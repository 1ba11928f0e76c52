#include "PictureGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

int NormalisedTurn(int degrees)
{
    const int quarter = static_cast<int>(std::lround(degrees / 90.0)) % 4;
    return ((quarter + 4) % 4) * 90;
}

// Truncates toward zero; values that do not fit an int are clamped.
int Trunc(double value)
{
    constexpr double kLimit = std::numeric_limits<int>::max() / 2;
    if (!(value == value)) {
        return 0;
    }
    return static_cast<int>(std::max(-kLimit, std::min(kLimit, value)));
}

} // namespace

PictureGeometry::PictureGeometry(int storedWidth, int storedHeight, const PictureFormat& format)
    : m_width(std::max(0, storedWidth)), m_height(std::max(0, storedHeight)),
      m_rotationCwDeg(NormalisedTurn(format.rotationCwDeg)), m_mirrored(format.mirrored), m_sar(1.0)
{
    // Nonsense ratios (zero, negative, absurd) are read as square samples.
    if (format.sarNum > 0 && format.sarDen > 0) {
        const double sar = static_cast<double>(format.sarNum) / format.sarDen;
        if (sar >= 0.1 && sar <= 10.0) {
            m_sar = sar;
        }
    }
}

QSize PictureGeometry::DisplaySize() const
{
    if (m_width <= 0 || m_height <= 0) {
        return {};
    }
    const int wide = std::max(1, static_cast<int>(std::lround(m_width * m_sar)));
    return IsQuarterTurn() ? QSize(m_height, wide) : QSize(wide, m_height);
}

QRect PictureGeometry::Viewport(QSize view, AspectMode aspect) const
{
    const QRectF exact = ViewportF(view, aspect);
    return QRect(Trunc(exact.x()), Trunc(exact.y()), Trunc(exact.width()), Trunc(exact.height()));
}

QRectF PictureGeometry::ViewportF(QSize view, AspectMode aspect) const
{
    const QSize shown = DisplaySize();
    if (aspect == AspectMode::Stretch || shown.isEmpty() || view.isEmpty()) {
        return QRectF(QPointF(0, 0), QSizeF(view));
    }
    const double w = view.width();
    const double h = view.height();
    const double pictureAspect = static_cast<double>(shown.width()) / shown.height();
    double vw = w;
    double vh = h;
    if (w / h > pictureAspect) {
        vw = h * pictureAspect;
    } else {
        vh = w / pictureAspect;
    }
    return QRectF((w - vw) * 0.5, (h - vh) * 0.5, vw, vh);
}

QPointF PictureGeometry::UprightToStored(QPointF p) const
{
    // Undo the turn (clockwise turns are undone counter-clockwise), then the
    // mirror, which the picture received first.
    QPointF q = p;
    switch (m_rotationCwDeg) {
    case 90:
        q = QPointF(p.y(), 1.0 - p.x());
        break;
    case 180:
        q = QPointF(1.0 - p.x(), 1.0 - p.y());
        break;
    case 270:
        q = QPointF(1.0 - p.y(), p.x());
        break;
    default:
        break;
    }
    if (m_mirrored) {
        q.setX(1.0 - q.x());
    }
    return q;
}

QPointF PictureGeometry::StoredToUpright(QPointF p) const
{
    QPointF q = p;
    if (m_mirrored) {
        q.setX(1.0 - q.x());
    }
    switch (m_rotationCwDeg) {
    case 90:
        return QPointF(1.0 - q.y(), q.x());
    case 180:
        return QPointF(1.0 - q.x(), 1.0 - q.y());
    case 270:
        return QPointF(q.y(), 1.0 - q.x());
    default:
        return q;
    }
}

std::array<float, 8> PictureGeometry::QuadTexCoords() const
{
    // The quad's corners in the upright picture, top-left origin.
    const QPointF corners[4] = {{0.0, 1.0}, {0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}};
    std::array<float, 8> coords{};
    for (int i = 0; i < 4; ++i) {
        const QPointF stored = UprightToStored(corners[i]);
        coords[static_cast<size_t>(i) * 2] = static_cast<float>(stored.x());
        coords[static_cast<size_t>(i) * 2 + 1] = static_cast<float>(stored.y());
    }
    return coords;
}

QPointF PictureGeometry::PictureToView(QPointF picturePoint, const QRectF& viewport) const
{
    if (m_width <= 0 || m_height <= 0) {
        return viewport.topLeft();
    }
    const QPointF unit(picturePoint.x() / m_width, picturePoint.y() / m_height);
    const QPointF upright = StoredToUpright(unit);
    return QPointF(viewport.x() + upright.x() * viewport.width(),
                   viewport.y() + upright.y() * viewport.height());
}
