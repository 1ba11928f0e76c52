#pragma once

#include "GLYuvWidget.h"
#include "ViewSlot.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <memory>

// A shown GLYuvWidget in the dewarped display of the synthetic fisheye
// picture, and pixel helpers for what it draws.
namespace DewarpView {

constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;
constexpr int kCentreX = 400;
constexpr int kCentreY = 300;
constexpr int kRadius = 290;

// A clock for the render core that moves on one animation tick each time it
// is read, so that every paint steps the animation exactly once.
std::function<qint64()> TickPerPaintClock();

// A view of the given size, shown and exposed; its render core runs on
// TickPerPaintClock.
std::unique_ptr<GLYuvWidget> Make(int width, int height);
// The fisheye picture on the view, then the dewarped display of its circle.
void ShowFisheye(GLYuvWidget& view);
// One paint (one render-core tick) read back.
QImage Paint(GLYuvWidget& view);

// A slot's pixels in an image of the view (rows from the top).
QRect SlotPixels(const ViewSlot& slot, const QSize& view);
bool IsBlack(QRgb pixel);
// Share of the pixels of rect that are not black.
double ContentShare(const QImage& image, const QRect& rect);
// Pixels outside rect that are not black.
int CountOutside(const QImage& image, const QRect& rect);

} // namespace DewarpView
