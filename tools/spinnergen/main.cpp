// spinnergen: draws the loading animation strip, a row of square spinner
// frames side by side, and saves it as a PNG.
//
//   spinnergen OUTPUT.png [FRAME_SIDE_PX] [FRAME_COUNT]
//
// Defaults: 49 frames of 78 x 78 pixels (a 3822 x 78 strip). Each frame shows
// a ring of dots with a bright head and a fading tail; the head advances by
// one frame's share of a full turn, so the strip loops smoothly.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kDefaultFrameSidePx = 78;
constexpr int kDefaultFrameCount = 49;
constexpr int kDotCount = 12;
constexpr double kPi = 3.14159265358979323846;
constexpr double kRingRadiusShare = 0.36;   // of the frame side
constexpr double kDotRadiusShare = 0.065;   // of the frame side
constexpr double kTailTurns = 0.75;         // how far behind the head dots still glow
constexpr double kMinAlpha = 0.12;

void DrawFrame(QPainter& painter, int frameIndex, int frameCount, int side)
{
    const QPointF centre(frameIndex * side + side / 2.0, side / 2.0);
    const double ringRadius = side * kRingRadiusShare;
    const double headTurn = static_cast<double>(frameIndex) / frameCount;
    for (int dot = 0; dot < kDotCount; ++dot) {
        const double dotTurn = static_cast<double>(dot) / kDotCount;
        // Distance behind the head, in turns, 0 (at the head) up to 1.
        const double behind = std::fmod(headTurn - dotTurn + 1.0, 1.0);
        const double glow = behind < kTailTurns ? 1.0 - behind / kTailTurns : 0.0;
        const double alpha = kMinAlpha + (1.0 - kMinAlpha) * glow;
        const double dotRadius = side * kDotRadiusShare * (0.7 + 0.3 * glow);
        const double angle = 2.0 * kPi * dotTurn - kPi / 2.0;
        const QPointF at(centre.x() + ringRadius * std::cos(angle), centre.y() + ringRadius * std::sin(angle));
        QColor colour(255, 255, 255);
        colour.setAlphaF(alpha);
        painter.setBrush(colour);
        painter.drawEllipse(at, dotRadius, dotRadius);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [FRAME_SIDE_PX] [FRAME_COUNT]\n", argv[0]);
        return 2;
    }
    const int side = argc > 2 ? std::atoi(argv[2]) : kDefaultFrameSidePx;
    const int frameCount = argc > 3 ? std::atoi(argv[3]) : kDefaultFrameCount;
    if (side <= 0 || frameCount <= 0) {
        std::fprintf(stderr, "spinnergen: frame side and count must be positive\n");
        return 2;
    }
    QImage strip(side * frameCount, side, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    {
        QPainter painter(&strip);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        for (int frame = 0; frame < frameCount; ++frame) {
            DrawFrame(painter, frame, frameCount, side);
        }
    }
    if (!strip.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "spinnergen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
