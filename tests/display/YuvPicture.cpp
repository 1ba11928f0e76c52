#include "YuvPicture.h"

#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace YuvPicture {

int LumaBytes(int width, int height)
{
    return width * height;
}

int ChromaBytes(int width, int height)
{
    return (width / 2) * (height / 2);
}

int UOffset(int width, int height)
{
    return width * height;
}

int VOffset(int width, int height)
{
    return width * height * 5 / 4;
}

int TotalBytes(int width, int height)
{
    return width * height * 3 / 2;
}

QByteArray Uniform(int width, int height, quint8 y, quint8 u, quint8 v)
{
    QByteArray picture(TotalBytes(width, height), char(0));
    std::fill_n(picture.data(), LumaBytes(width, height), char(y));
    std::fill_n(picture.data() + UOffset(width, height), ChromaBytes(width, height), char(u));
    std::fill_n(picture.data() + VOffset(width, height), ChromaBytes(width, height), char(v));
    return picture;
}

QByteArray Quadrants(int width, int height, quint8 topLeft, quint8 topRight, quint8 bottomLeft,
                     quint8 bottomRight)
{
    QByteArray picture = Uniform(width, height, 0, 128, 128);
    char* luma = picture.data();
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const bool top = row < height / 2;
            const bool left = column < width / 2;
            luma[row * width + column] =
                char(top ? (left ? topLeft : topRight) : (left ? bottomLeft : bottomRight));
        }
    }
    return picture;
}

QRgb ExpectedRgb(quint8 y, quint8 u, quint8 v)
{
    // The textbook BT.601 limited-range constants, independent of the code
    // under test.
    const double fy = 1.164383 * (y - 16);
    const double fu = u - 128.0;
    const double fv = v - 128.0;
    auto channel = [](double value) { return static_cast<int>(std::lround(std::clamp(value, 0.0, 255.0))); };
    return qRgb(channel(fy + 1.596027 * fv), channel(fy - 0.391762 * fu - 0.812968 * fv),
                channel(fy + 2.017232 * fu));
}

bool Near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

bool IsYellowish(QRgb pixel)
{
    return qRed(pixel) > 100 && qGreen(pixel) > 100 && qBlue(pixel) < 60
        && std::abs(qRed(pixel) - qGreen(pixel)) < 30;
}

int CountDifferent(const QImage& image, const QRect& rect, QRgb expected, int tolerance)
{
    int different = 0;
    const QRect inside = rect.intersected(image.rect());
    for (int row = inside.top(); row <= inside.bottom(); ++row) {
        for (int column = inside.left(); column <= inside.right(); ++column) {
            if (!Near(image.pixel(column, row), expected, tolerance)) {
                ++different;
            }
        }
    }
    return different;
}

} // namespace YuvPicture
