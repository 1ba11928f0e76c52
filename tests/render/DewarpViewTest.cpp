// The view's dewarped display with simulated mouse input: the morph from the
// flat circle to the perspective view and back, the 5 % jump rule, the wheel
// outside the display, the picture size and a paused picture reaching the
// render core, the repaint timer driving the animation and resting when
// nothing moves, the double panorama filling its halves on any window, and a
// panorama zooming toward the pointer; views steered by hand rendered again
// offscreen from their poses, as an export renders them.

#include "DewarpView.h"
#include "CModelBase.h"
#include "DewarpRenderer.h"
#include "FisheyePicture.h"
#include "PanoRenderer.h"
#include "ViewLayout.h"

#include <QtTest>

namespace
{

constexpr int kViewWidth = 400;
constexpr int kViewHeight = 300;
const QPoint kCentre(200, 150);

void Wheel(GLYuvWidget& view, const QPoint& at, int delta)
{
    QWheelEvent event(QPointF(at), QPointF(view.mapToGlobal(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &event);
}

// A move with the left button held (QTest moves carry no buttons).
void Drag(GLYuvWidget& view, const QPoint& to)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(to), QPointF(view.mapToGlobal(to)), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &event);
}

struct Stage {
    int mode;
    const CModelBase* front;
    bool operator==(const Stage& other) const { return mode == other.mode && front == other.front; }
};

Stage StageOf(const PanoRenderer& renderer)
{
    return {renderer.CurrentMode(), renderer.Slot(0).model};
}

// Paints until the front is `until` or the paints run out; every change of
// stage is appended to stages. Returns the paints made.
int PaintStages(GLYuvWidget& view, const CModelBase* until, QList<Stage>& stages)
{
    const PanoRenderer& renderer = *view.Renderer();
    int paints = 0;
    while (renderer.Slot(0).model != until && paints < 200) {
        DewarpView::Paint(view);
        ++paints;
        if (!(StageOf(renderer) == stages.last())) {
            stages << StageOf(renderer);
        }
    }
    return paints;
}

} // namespace

class DewarpViewTest : public QObject
{
    Q_OBJECT

private slots:
    void wheelMorphsToThePerspectiveAndBack();
    void onlyAJumpMarksTheViewsMoved();
    void wheelOutsideTheDisplayDoesNothing();
    void pictureSizeCompletesTheCircle();
    void pausedPictureShowsAtOnce();
    void timerDrivesTheAnimation();
    void restingDisplayStopsRepainting();
    void doublePanoramaFillsEveryWindowShape();
    void panoramaZoomsTowardThePointer();
    void steeredViewsRenderAlikeOffscreen();
};

void DewarpViewTest::wheelMorphsToThePerspectiveAndBack()
{
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    DewarpView::ShowFisheye(*view);
    PanoRenderer& renderer = *view->Renderer();
    const CModelBase* circle = renderer.Model(0);
    const CModelBase* perspective = renderer.Model(1);
    const CModelBase* morph = renderer.Model(ViewLayout::kTransitOrigin);
    DewarpView::Paint(*view);
    QList<Stage> stages{StageOf(renderer)};
    QCOMPARE(stages.first(), (Stage{0, circle}));

    // Zooming into the circle asks to leave it: the morph runs forward and
    // hands over to the perspective view at its last frame.
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, kCentre);
    Wheel(*view, kCentre, -120);
    const int forward = PaintStages(*view, perspective, stages);
    // A deliberate zoom out of the perspective view at its widest (a quick
    // push of several notches) runs the morph backward.
    for (int notch = 0; notch < 3; ++notch) {
        Wheel(*view, kCentre, 120);
    }
    const int backward = PaintStages(*view, circle, stages);
    const QList<Stage> expected{{0, circle}, {1, morph}, {1, perspective}, {1, morph}, {0, circle}};
    QCOMPARE(stages, expected);
    // Each way passes through every frame of the morph.
    QVERIFY(forward >= 29);
    QVERIFY(backward >= 29);
    QVERIFY(!DewarpView::IsBlack(DewarpView::Paint(*view).pixel(kCentre)));
}

void DewarpViewTest::onlyAJumpMarksTheViewsMoved()
{
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    DewarpView::ShowFisheye(*view);
    view->SelectViewMode(ViewLayout::ViewOriginThreePerspectives);
    DewarpView::Paint(*view);
    PanoRenderer& renderer = *view->Renderer();
    const auto othersMoved = [&renderer] {
        return renderer.Model(16)->IsMoved() || renderer.Model(17)->IsMoved() ||
               renderer.Model(18)->IsMoved();
    };
    // Two moves of 3 % of the width each.
    QTest::mousePress(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    Drag(*view, QPoint(112, 100));
    Drag(*view, QPoint(124, 100));
    QVERIFY(renderer.Model(15)->IsMoved());
    QVERIFY(!othersMoved());
    QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(124, 100));
    // One move of 6 % of the width.
    QTest::mousePress(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QVERIFY(!othersMoved());
    Drag(*view, QPoint(124, 100));
    QVERIFY(renderer.Model(16)->IsMoved() && renderer.Model(17)->IsMoved() &&
            renderer.Model(18)->IsMoved());
    QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(124, 100));
    // One move of 6 % of the height.
    QTest::mousePress(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QVERIFY(!othersMoved());
    Drag(*view, QPoint(100, 118));
    QVERIFY(othersMoved());
    QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 118));
}

void DewarpViewTest::wheelOutsideTheDisplayDoesNothing()
{
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    DewarpView::ShowFisheye(*view);
    PanoRenderer& renderer = *view->Renderer();
    DewarpView::Paint(*view);
    // The click leaves the pointer over the circle view.
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, kCentre);
    QVERIFY(renderer.Slot(0).hover);
    view->DisablePano();
    Wheel(*view, kCentre, -120);
    view->EnablePanoHY(kPanoModeCeiling, DewarpView::kCentreX, DewarpView::kCentreY,
                       DewarpView::kRadius);
    for (int paint = 0; paint < 5; ++paint) {
        DewarpView::Paint(*view);
    }
    QCOMPARE(renderer.CurrentMode(), 0);
    QCOMPARE(renderer.Slot(0).model, renderer.Model(0));
}

void DewarpViewTest::pictureSizeCompletesTheCircle()
{
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    // No circle: the render core takes the picture's own once it knows the
    // picture's size, which each picture brings.
    view->EnablePanoHY(kPanoModeCeiling, 0, 0, 0);
    QVERIFY(DewarpView::ContentShare(DewarpView::Paint(*view),
                                     QRect(0, 0, kViewWidth, kViewHeight)) == 0.0);
    view->SetDisplay(FisheyePicture::Make(DewarpView::kPictureWidth, DewarpView::kPictureHeight,
                                          DewarpView::kCentreX, DewarpView::kCentreY, 300),
                     DewarpView::kPictureWidth, DewarpView::kPictureHeight);
    DewarpView::Paint(*view);
    const QImage image = DewarpView::Paint(*view);
    QVERIFY(DewarpView::ContentShare(image, QRect(0, 0, kViewWidth, kViewHeight)) > 0.5);
}

void DewarpViewTest::pausedPictureShowsAtOnce()
{
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    view->SetDisplay(FisheyePicture::Make(DewarpView::kPictureWidth, DewarpView::kPictureHeight,
                                          DewarpView::kCentreX, DewarpView::kCentreY,
                                          DewarpView::kRadius),
                     DewarpView::kPictureWidth, DewarpView::kPictureHeight);
    DewarpView::Paint(*view);
    // No new picture follows the switch.
    view->EnablePanoHY(kPanoModeCeiling, DewarpView::kCentreX, DewarpView::kCentreY,
                       DewarpView::kRadius);
    DewarpView::Paint(*view);
    const QImage image = DewarpView::Paint(*view);
    QVERIFY(DewarpView::ContentShare(image, QRect(0, 0, kViewWidth, kViewHeight)) > 0.5);
}

void DewarpViewTest::timerDrivesTheAnimation()
{
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    DewarpView::ShowFisheye(*view);
    PanoRenderer& renderer = *view->Renderer();
    view->SelectViewMode(ViewLayout::ViewPerspective);
    QCOMPARE(renderer.Slot(0).model, renderer.Model(ViewLayout::kTransitOrigin));
    // No paint is asked for here: the repaint timer runs the morph to its end.
    QTRY_COMPARE_WITH_TIMEOUT(renderer.Slot(0).model, renderer.Model(1), 20000);
    view->DisablePano();
    view->SelectViewMode(ViewLayout::ViewOrigin);
    // Outside the display paints do not animate the models.
    for (int paint = 0; paint < 5; ++paint) {
        DewarpView::Paint(*view);
    }
    QCOMPARE(renderer.Slot(0).model, renderer.Model(ViewLayout::kTransitOrigin));
}

void DewarpViewTest::restingDisplayStopsRepainting()
{
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    DewarpView::ShowFisheye(*view);
    PanoRenderer& renderer = *view->Renderer();
    view->SelectViewMode(ViewLayout::ViewQuadPerspective);
    // The timer repaints while the views settle inside the picture's limits.
    QTRY_VERIFY_WITH_TIMEOUT(renderer.IsAtRest() && !view->IsPainting(), 30000);
    QSignalSpy paints(view.get(), &GLYuvWidget::frameSwapped);
    QTest::qWait(400);
    QCOMPARE(paints.count(), 0);
    // A wheel turn over a view paints again.
    Wheel(*view, QPoint(300, 220), -120);
    QTRY_VERIFY(paints.count() > 0);
}

void DewarpViewTest::doublePanoramaFillsEveryWindowShape()
{
    // 4:3, 16:9 and 21:9 windows: each half shows 180 degrees of the strip
    // across its whole width, with no empty ends.
    for (const QSize size : {QSize(400, 300), QSize(480, 270), QSize(630, 270)}) {
        auto view = DewarpView::Make(size.width(), size.height());
        DewarpView::ShowFisheye(*view);
        view->SelectViewMode(ViewLayout::ViewDoublePanorama);
        QImage image;
        for (int paint = 0; paint < 3; ++paint) {
            image = DewarpView::Paint(*view);
        }
        const PanoRenderer& renderer = *view->Renderer();
        QCOMPARE(renderer.SlotCount(), 2);
        for (int half = 0; half < 2; ++half) {
            const QRect rect = DewarpView::SlotPixels(renderer.Slot(half), image.size());
            // Columns at both ends carry picture, not black.
            const QRect ends[2] = {QRect(rect.left() + 2, rect.top() + 4, 6, rect.height() - 8),
                                   QRect(rect.right() - 8, rect.top() + 4, 6, rect.height() - 8)};
            for (const QRect& end : ends) {
                QVERIFY2(DewarpView::ContentShare(image, end) > 0.9,
                         qPrintable(QStringLiteral("%1x%2 half %3")
                                        .arg(size.width())
                                        .arg(size.height())
                                        .arg(half)));
            }
        }
    }
}

void DewarpViewTest::panoramaZoomsTowardThePointer()
{
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    DewarpView::ShowFisheye(*view);
    view->SelectViewMode(ViewLayout::ViewPanorama);
    QImage whole;
    for (int paint = 0; paint < 3; ++paint) {
        whole = DewarpView::Paint(*view);
    }
    // Eight notches in: the window is 0.6 of its height, about the pointer.
    const QPoint pointer(290, 110);
    for (int notch = 0; notch < 8; ++notch) {
        Wheel(*view, pointer, -120);
    }
    const QImage zoomed = DewarpView::Paint(*view);
    const double scale = 1.0 - 8 * 0.05;
    // What lies d pixels from the pointer in the zoomed view lay scale x d
    // pixels from it before; without the zoom the two would not match.
    const auto difference = [&](double ratio) {
        double sum = 0.0;
        int samples = 0;
        for (int dy = -60; dy <= 60; dy += 3) {
            for (int dx = -80; dx <= 80; dx += 3) {
                const QPoint before(qRound(pointer.x() + dx * ratio),
                                    qRound(pointer.y() + dy * ratio));
                sum += std::abs(qGray(zoomed.pixel(pointer + QPoint(dx, dy))) -
                                qGray(whole.pixel(before)));
                ++samples;
            }
        }
        return sum / samples;
    };
    const double matched = difference(scale);
    const double unzoomed = difference(1.0);
    QVERIFY2(matched < 0.4 * unzoomed,
             qPrintable(QStringLiteral("%1 against %2").arg(matched).arg(unzoomed)));
}

// What the export takes from the screen (each view's pose, the layout and
// the circle) shows the same views when a render core of its own draws them.
void DewarpViewTest::steeredViewsRenderAlikeOffscreen()
{
    auto view = DewarpView::Make(kViewWidth, kViewHeight);
    DewarpView::ShowFisheye(*view);
    view->SelectViewMode(ViewLayout::ViewOriginThreePerspectives);
    PanoRenderer& renderer = *view->Renderer();
    const auto settle = [&] {
        for (int paints = 0; paints < 400 && !renderer.IsAtRest(); ++paints) {
            DewarpView::Paint(*view);
        }
    };
    settle();
    // The first perspective view panned and tilted, the second zoomed in.
    QTest::mousePress(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    Drag(*view, QPoint(140, 130));
    QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(140, 130));
    Wheel(*view, QPoint(300, 80), -240);
    settle();
    QVERIFY(renderer.IsAtRest());
    const QImage shown = DewarpView::Paint(*view).convertToFormat(QImage::Format_RGB32);
    DewarpSettings settings;
    settings.layout = renderer.CurrentMode();
    settings.circleX = DewarpView::kCentreX;
    settings.circleY = DewarpView::kCentreY;
    settings.circleRadius = DewarpView::kRadius;
    for (int i = 0; i < renderer.SlotCount(); ++i) {
        const CModelBase* model = renderer.Slot(i).model;
        settings.poses.push_back(model ? model->CurrentPose() : CModelBase::Pose{});
    }
    const QByteArray picture =
        FisheyePicture::Make(DewarpView::kPictureWidth, DewarpView::kPictureHeight,
                             DewarpView::kCentreX, DewarpView::kCentreY, DewarpView::kRadius);
    const QSize size = shown.size();
    std::vector<uchar> rgba(static_cast<size_t>(size.width()) * size.height() * 4);
    view->makeCurrent();
    {
        DewarpRenderer offscreen(settings, size);
        QVERIFY2(offscreen.Init(), qPrintable(offscreen.ErrorString()));
        QVERIFY(offscreen.Render(picture.constData(), picture.size(), DewarpView::kPictureWidth,
                                 DewarpView::kPictureHeight, view->Format(), rgba.data()));
    }
    view->doneCurrent();
    double total = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const uchar* drawn =
                &rgba[(static_cast<size_t>(size.height() - 1 - y) * size.width() + x) * 4];
            const QRgb pixel = shown.pixel(x, y);
            total += std::abs(qRed(pixel) - drawn[0]) + std::abs(qGreen(pixel) - drawn[1]) +
                     std::abs(qBlue(pixel) - drawn[2]);
        }
    }
    const double mean = total / (3.0 * size.width() * size.height());
    QVERIFY2(mean < 2.0, qPrintable(QStringLiteral("mean difference %1").arg(mean)));
}

QTEST_MAIN(DewarpViewTest)
#include "DewarpViewTest.moc"
