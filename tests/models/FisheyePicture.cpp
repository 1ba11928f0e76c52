#include "FisheyePicture.h"

#include <cmath>

namespace {

constexpr double kHalfPi = 1.57079632679489661923;
constexpr int kNeutralChroma = 128;

} // namespace

bool FisheyePicture::FloorPoint(double polar, double azimuth, QPointF& floor)
{
    if (polar > kHorizonCutDegrees * kHalfPi / 90.0) {
        return false;
    }
    const double reach = std::tan(polar);
    floor = QPointF(reach * std::cos(azimuth), reach * std::sin(azimuth));
    return true;
}

bool FisheyePicture::OnLine(const QPointF& floor)
{
    const auto near = [](double value) {
        const double offset = std::remainder(value, kGridSpacing);
        return std::fabs(offset) <= kLineHalfWidth;
    };
    return near(floor.x()) || near(floor.y());
}

QByteArray FisheyePicture::Make(int width, int height, double centreX, double centreY,
                                double radius)
{
    return Make(width, height, centreX, centreY, radius, FisheyeLens());
}

QByteArray FisheyePicture::Make(int width, int height, double centreX, double centreY,
                                double radius, const FisheyeLens& lens)
{
    const int chromaWidth = width / 2;
    const int chromaHeight = height / 2;
    QByteArray picture(width * height + 2 * chromaWidth * chromaHeight, char(0));
    uchar* luma = reinterpret_cast<uchar*>(picture.data());
    uchar* u = luma + width * height;
    uchar* v = u + chromaWidth * chromaHeight;
    for (int i = 0; i < chromaWidth * chromaHeight; ++i) {
        u[i] = v[i] = kNeutralChroma;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Pixel centres: the texture samples at (x + 0.5) / width.
            const double dx = (x + 0.5 - centreX) / radius;
            const double dy = (y + 0.5 - centreY) / radius;
            const double rho = std::sqrt(dx * dx + dy * dy);
            if (rho > 1.0) {
                continue;
            }
            QPointF floor;
            double polar = 0;
            double azimuth = 0;
            lens.Direction(dx, dy, polar, azimuth);
            const bool seen = FloorPoint(polar, azimuth, floor);
            uchar value = kCutLuma;
            if (seen) {
                value = OnLine(floor) ? kLineLuma : kGroundLuma;
            }
            luma[y * width + x] = value;
            if (seen && (x % 2) == 0 && (y % 2) == 0) {
                const int c = (y / 2) * chromaWidth + x / 2;
                u[c] = uchar(kNeutralChroma + (floor.x() > 0 ? kChromaSwing : -kChromaSwing));
                v[c] = uchar(kNeutralChroma + (floor.y() > 0 ? kChromaSwing : -kChromaSwing));
            }
        }
    }
    return picture;
}
