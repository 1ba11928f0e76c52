#include "DewarpView.h"

#include "AnimationClock.h"
#include "FisheyePicture.h"
#include "PanoRenderer.h"
#include "ViewLayout.h"

#include <QtTest>

#include <memory>

namespace DewarpView {

std::unique_ptr<GLYuvWidget> Make(int width, int height)
{
    auto view = std::make_unique<GLYuvWidget>();
    view->resize(width, height);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) {
        qWarning("view not exposed");
    }
    // The render core is made with the view's GL objects, on first need.
    view->makeCurrent();
    view->doneCurrent();
    if (view->Renderer()) {
        view->Renderer()->SetAnimationClock(TickPerPaintClock());
    }
    return view;
}

std::function<qint64()> TickPerPaintClock()
{
    auto now = std::make_shared<qint64>(0);
    return [now] { return *now += AnimationClock::kTickMs; };
}

void ShowFisheye(GLYuvWidget& view)
{
    view.SetDisplay(FisheyePicture::Make(kPictureWidth, kPictureHeight, kCentreX, kCentreY, kRadius),
                    kPictureWidth, kPictureHeight);
    view.EnablePanoHY(kPanoModeCeiling, kCentreX, kCentreY, kRadius);
}

QImage Paint(GLYuvWidget& view)
{
    return view.grabFramebuffer();
}

QRect SlotPixels(const ViewSlot& slot, const QSize& view)
{
    const ViewLayout::PixelRect place = ViewLayout::SlotPixels(
        {slot.left, slot.top, slot.right, slot.bottom}, view.width(), view.height());
    return QRect(place.x, view.height() - place.y - place.height, place.width, place.height);
}

bool IsBlack(QRgb pixel)
{
    return qRed(pixel) + qGreen(pixel) + qBlue(pixel) <= 12;
}

double ContentShare(const QImage& image, const QRect& rect)
{
    int content = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            content += IsBlack(image.pixel(x, y)) ? 0 : 1;
        }
    }
    return rect.isEmpty() ? 0.0 : double(content) / (rect.width() * rect.height());
}

int CountOutside(const QImage& image, const QRect& rect)
{
    int outside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!rect.contains(x, y) && !IsBlack(image.pixel(x, y))) {
                ++outside;
            }
        }
    }
    return outside;
}

} // namespace DewarpView
