// Steering the dewarped views without a GL context: a wheel notch is one
// step in every kind of view (a touchpad's fraction of a notch a fraction of
// it), leaving the perspective view by the wheel takes a deliberate push,
// animation keeps its speed whatever the paint rate, the double panorama's
// halves stay opposite, drags follow the pointer at any pixel ratio, and the
// render core says when nothing moves.

#include "CExpandOrigin.h"
#include "CModelBase.h"
#include "ExpandRectImage.h"
#include "PanoramaModelBase.h"
#include "RendererProbe.h"
#include "ViewLayout.h"

#include <QtTest>

#include <cmath>

namespace {

constexpr int kViewWidth = 400;
constexpr int kViewHeight = 300;
constexpr int kNotch = PanoRenderer::kWheelDeltaPerNotch;

// Applies a model's pending input as a draw of the whole view does.
void Apply(CModelBase* model)
{
    ApplyInput(model, kViewWidth, kViewHeight);
}

// Angle from a to b the short way round, degrees.
float AngleBetween(float a, float b)
{
    return std::fabs(std::remainder(b - a, 360.0f));
}

void Start(RendererProbe& renderer, int mode)
{
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SetPictureSize(800, 600);
    renderer.SelectMode(mode);
}

} // namespace

class SteeringTest : public QObject
{
    Q_OBJECT

private slots:
    void wheelNotchIsOneStepInEveryKindOfView();
    void panoramasZoomByNotchAndKey_data();
    void panoramasZoomByNotchAndKey();
    void zoomedPanoramaScrollsInsteadOfLeaving();
    void wheelReachesTheViewUnderThePointerOnly();
    void leavingThePerspectiveTakesADeliberatePush();
    void cruiseKeepsItsSpeedWhateverThePaintRate();
    void doublePanoramaHalvesStayOpposite();
    void dragsFollowThePointerAtAnyPixelRatio();
    void restsWhenNothingMoves();
};

void SteeringTest::wheelNotchIsOneStepInEveryKindOfView()
{
    // A perspective view: 4 degrees of field of view per notch; a touchpad's
    // quarter notch a quarter of that.
    RendererProbe quad;
    Start(quad, ViewLayout::ViewQuadPerspective);
    CModelBase* perspective = quad.Model(11);
    Apply(perspective);
    const float wide = perspective->Fov();
    quad.OnHover(50, 50);
    quad.OnWheel(-kNotch);
    Apply(perspective);
    QCOMPARE(perspective->Fov(), wide - 4.0f);
    quad.OnWheel(-kNotch / 4);
    Apply(perspective);
    QCOMPARE(perspective->Fov(), wide - 5.0f);
    // Several events between two draws add up.
    quad.OnWheel(kNotch / 2);
    quad.OnWheel(kNotch / 2);
    Apply(perspective);
    QCOMPARE(perspective->Fov(), wide - 1.0f);

    // The flat circle: a tenth of its distance range per notch.
    RendererProbe circle;
    Start(circle, ViewLayout::ViewOrigin);
    circle.Tick();
    auto* origin = dynamic_cast<CExpandOrigin*>(circle.Front());
    QVERIFY(origin);
    Apply(origin);
    circle.OnHover(200, 150);
    circle.OnWheel(kNotch);
    Apply(origin);
    QVERIFY(std::fabs(origin->Distance() - 1.1f) < 1e-5f);
    QCOMPARE(circle.CurrentMode(), int(ViewLayout::ViewOrigin));

    // The picture rectangle: one scale step per notch.
    RendererProbe rectangle;
    Start(rectangle, ViewLayout::ViewRectangle);
    auto* rect = dynamic_cast<ExpandRectImage*>(rectangle.Front());
    QVERIFY(rect);
    Apply(rect);
    rectangle.OnHover(200, 150);
    rectangle.OnWheel(-kNotch);
    Apply(rect);
    QVERIFY(std::fabs(rect->Scale() - 0.95f) < 1e-5f);
}

void SteeringTest::panoramasZoomByNotchAndKey_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QPoint>("pointer");
    QTest::newRow("panorama") << int(ViewLayout::ViewPanorama) << 0 << QPoint(200, 150);
    QTest::newRow("double panorama, lower half")
        << int(ViewLayout::ViewDoublePanorama) << 1 << QPoint(200, 225);
    QTest::newRow("cylinder") << int(ViewLayout::ViewPanoramaCylinder) << 0 << QPoint(200, 150);
}

// The panoramas zoom their window: one notch is one scale step, a quarter
// notch a quarter of it, + and - are a notch each, and the zoom stops at the
// whole strip and at the narrowest window.
void SteeringTest::panoramasZoomByNotchAndKey()
{
    QFETCH(int, mode);
    QFETCH(int, slot);
    QFETCH(QPoint, pointer);
    RendererProbe renderer;
    Start(renderer, mode);
    const ViewSlot shown = renderer.Slot(slot);
    auto* panorama = dynamic_cast<PanoramaModelBase*>(shown.model);
    QVERIFY(panorama);
    const int width = qRound((shown.right - shown.left) * kViewWidth);
    const int height = qRound((shown.top - shown.bottom) * kViewHeight);
    const auto apply = [&] { ApplyInput(panorama, width, height); };
    const auto scaleIs = [&](float expected) {
        return std::fabs(panorama->ZoomScale() - expected) < 1e-5f;
    };
    apply();
    QVERIFY(scaleIs(1.0f));
    const float step = PanoramaModelBase::kZoomStepPerNotch;
    renderer.OnHover(pointer.x(), pointer.y());
    renderer.OnWheel(-kNotch);
    apply();
    QVERIFY2(scaleIs(1.0f - step), qPrintable(QString::number(panorama->ZoomScale())));
    renderer.OnWheel(-kNotch / 4);
    apply();
    QVERIFY(scaleIs(1.0f - 1.25f * step));
    renderer.StepByKey(PanoRenderer::KeyStep::ZoomIn);
    apply();
    QVERIFY(scaleIs(1.0f - 2.25f * step));
    renderer.StepByKey(PanoRenderer::KeyStep::ZoomOut);
    apply();
    QVERIFY(scaleIs(1.0f - 1.25f * step));
    // Bounded both ways, however far the wheel turns.
    for (int notch = 0; notch < 40; ++notch) {
        renderer.OnWheel(-kNotch);
        apply();
    }
    QVERIFY(scaleIs(PanoramaModelBase::kMinZoomScale));
    for (int notch = 0; notch < 40; ++notch) {
        renderer.OnWheel(kNotch);
        apply();
    }
    QVERIFY(scaleIs(1.0f));
    // The window narrows toward the pointer: up near the top edge, down near
    // the bottom one, about the centre in the middle.
    QVERIFY(std::fabs(panorama->CurrentPose()[1]) < 1e-4f);
    const int top = qRound((1.0f - shown.top) * kViewHeight) + 1;
    const int bottom = qRound((1.0f - shown.bottom) * kViewHeight) - 1;
    float offsets[2] = {0.0f, 0.0f};
    const int edges[2] = {top, bottom};
    for (int k = 0; k < 2; ++k) {
        renderer.OnHover(pointer.x(), edges[k]);
        renderer.OnWheel(-2 * kNotch);
        apply();
        offsets[k] = panorama->CurrentPose()[1];
        renderer.OnWheel(2 * kNotch);
        apply();
        QVERIFY(std::fabs(panorama->CurrentPose()[1]) < 1e-4f);
    }
    QVERIFY2(offsets[0] > 1.0f && offsets[1] < -1.0f,
             qPrintable(QStringLiteral("%1, %2").arg(offsets[0]).arg(offsets[1])));
}

void SteeringTest::zoomedPanoramaScrollsInsteadOfLeaving()
{
    RendererProbe renderer;
    Start(renderer, ViewLayout::ViewPanoramaCylinder);
    CModelBase* cylinder = renderer.Front();
    auto* zoomed = dynamic_cast<PanoramaModelBase*>(cylinder);
    QVERIFY(zoomed);
    Apply(cylinder);
    renderer.OnHover(200, 150);
    renderer.OnWheel(-4 * kNotch);
    Apply(cylinder);
    const float offset = cylinder->CurrentPose()[1];
    // Zoomed in, an upward drag scrolls the picture up with the pointer.
    renderer.OnButton(true, 200, 200);
    for (int y = 190; y >= 150; y -= 10) {
        renderer.OnMove(200, y);
        Apply(cylinder);
        renderer.Tick();
    }
    renderer.OnButton(false, 200, 150);
    for (int tick = 0; tick < 10; ++tick) {
        renderer.Tick();
    }
    QCOMPARE(renderer.Front(), cylinder);
    QVERIFY2(cylinder->CurrentPose()[1] < offset,
             qPrintable(QStringLiteral("%1 from %2").arg(cylinder->CurrentPose()[1]).arg(offset)));
    // Up and Down scroll it too.
    const float scrolled = cylinder->CurrentPose()[1];
    renderer.StepByKey(PanoRenderer::KeyStep::Up);
    Apply(cylinder);
    QVERIFY(cylinder->CurrentPose()[1] > scrolled);
    renderer.StepByKey(PanoRenderer::KeyStep::Down);
    Apply(cylinder);
    QVERIFY(std::fabs(cylinder->CurrentPose()[1] - scrolled) < 1e-3f);
    QCOMPARE(renderer.Front(), cylinder);
    // Back at the whole window the same drag swipes the view away.
    renderer.OnWheel(8 * kNotch);
    Apply(cylinder);
    QVERIFY(std::fabs(zoomed->ZoomScale() - 1.0f) < 1e-5f);
    // The keys leave a whole window alone.
    for (int key = 0; key < 5; ++key) {
        renderer.StepByKey(PanoRenderer::KeyStep::Up);
        Apply(cylinder);
        renderer.Tick();
    }
    QCOMPARE(renderer.Front(), cylinder);
    renderer.OnButton(true, 200, 200);
    for (int y = 190; y >= 150 && renderer.Front() == cylinder; y -= 10) {
        renderer.OnMove(200, y);
        Apply(cylinder);
        renderer.Tick();
    }
    QCOMPARE(renderer.Front(), renderer.Model(ViewLayout::kTransitCylinder));
}

void SteeringTest::wheelReachesTheViewUnderThePointerOnly()
{
    RendererProbe renderer;
    Start(renderer, ViewLayout::ViewQuadPerspective);
    CModelBase* views[4] = {renderer.Model(11), renderer.Model(12), renderer.Model(13),
                            renderer.Model(14)};
    for (CModelBase* view : views) {
        Apply(view);
    }
    // No click: the pointer over the lower right view is enough.
    renderer.OnHover(300, 250);
    renderer.OnWheel(-kNotch);
    for (CModelBase* view : views) {
        Apply(view);
    }
    QCOMPARE(views[3]->Fov(), 86.0f);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(views[i]->Fov(), 90.0f);
    }
    // Leaving the view (the pointer outside) routes the wheel nowhere.
    renderer.OnHover(-1, -1);
    renderer.OnWheel(-kNotch);
    Apply(views[3]);
    QCOMPARE(views[3]->Fov(), 86.0f);
}

void SteeringTest::leavingThePerspectiveTakesADeliberatePush()
{
    RendererProbe renderer;
    Start(renderer, ViewLayout::ViewPerspective);
    // Let the morph from the circle run to the perspective view.
    for (int tick = 0; tick < 200 && renderer.Front() != renderer.Model(1); ++tick) {
        Apply(renderer.Front());
        renderer.Tick();
    }
    CModelBase* perspective = renderer.Model(1);
    QCOMPARE(renderer.Front(), perspective);
    renderer.OnHover(200, 150);
    // One notch out at the widest view, again and again with pauses: stays.
    for (int notch = 0; notch < 4; ++notch) {
        renderer.OnWheel(kNotch);
        Apply(perspective);
        for (int tick = 0; tick < 60; ++tick) {
            renderer.Tick();
        }
        QCOMPARE(renderer.Front(), perspective);
    }
    // Three notches in a quick push: back toward the circle.
    for (int notch = 0; notch < 3; ++notch) {
        renderer.OnWheel(kNotch);
        Apply(perspective);
        renderer.Tick();
    }
    QCOMPARE(renderer.Front(), renderer.Model(ViewLayout::kTransitOrigin));
}

void SteeringTest::cruiseKeepsItsSpeedWhateverThePaintRate()
{
    float turned[2] = {0.0f, 0.0f};
    const qint64 paintIntervalsMs[2] = {7, 100};
    for (int run = 0; run < 2; ++run) {
        RendererProbe renderer;
        Start(renderer, ViewLayout::ViewPanorama);
        CModelBase* panorama = renderer.Front();
        Apply(panorama);
        QVERIFY(renderer.CanCruise());
        renderer.SetCruise(true);
        QVERIFY(renderer.IsCruising());
        const float start = PanOf(panorama);
        for (qint64 now = 0; now <= 4000; now += paintIntervalsMs[run]) {
            renderer.Advance(now);
        }
        turned[run] = std::remainder(PanOf(panorama) - start, 360.0f);
    }
    // Four seconds of cruise turn the same way whether painted at 140 or at
    // 10 pictures a second (up to one tick's step).
    QVERIFY2(turned[0] > 20.0f, qPrintable(QString::number(turned[0])));
    QVERIFY2(std::fabs(turned[0] - turned[1]) <= 0.25f,
             qPrintable(QStringLiteral("%1 against %2").arg(turned[0]).arg(turned[1])));

    // A press on the view stops the cruise.
    RendererProbe pressed;
    Start(pressed, ViewLayout::ViewPanorama);
    pressed.SetCruise(true);
    pressed.OnButton(true, 100, 100);
    pressed.OnButton(false, 100, 100);
    QVERIFY(!pressed.IsCruising());
}

void SteeringTest::doublePanoramaHalvesStayOpposite()
{
    RendererProbe renderer;
    Start(renderer, ViewLayout::ViewDoublePanorama);
    CModelBase* upper = renderer.Slot(0).model;
    CModelBase* lower = renderer.Slot(1).model;
    Apply(upper);
    Apply(lower);
    QVERIFY(std::fabs(AngleBetween(PanOf(upper), PanOf(lower)) - 180.0f) < 1e-3f);
    // Dragging the lower half turns the upper one with it.
    renderer.OnButton(true, 100, 250);
    renderer.OnMove(140, 250);
    Apply(lower);
    renderer.Tick();
    QVERIFY(AngleBetween(PanOf(lower), 0.0f) > 1.0f);
    QVERIFY(std::fabs(AngleBetween(PanOf(upper), PanOf(lower)) - 180.0f) < 1e-3f);
    renderer.OnButton(false, 140, 250);
    // And the upper half the lower one, coasting included.
    renderer.OnButton(true, 100, 50);
    renderer.OnMove(60, 50);
    Apply(upper);
    renderer.OnButton(false, 60, 50);
    for (int tick = 0; tick < 30; ++tick) {
        renderer.Tick();
        QVERIFY(std::fabs(AngleBetween(PanOf(upper), PanOf(lower)) - 180.0f) < 1e-3f);
    }
}

void SteeringTest::dragsFollowThePointerAtAnyPixelRatio()
{
    float turned[3] = {0.0f, 0.0f, 0.0f};
    const float ratios[3] = {1.0f, 1.5f, 2.0f};
    for (int run = 0; run < 3; ++run) {
        RendererProbe renderer;
        Start(renderer, ViewLayout::ViewQuadPerspective);
        renderer.SetPixelRatio(ratios[run]);
        CModelBase* view = renderer.Model(11);
        // The view draws at the framebuffer's size.
        const int drawWidth = qRound(kViewWidth / 2 * ratios[run]);
        const int drawHeight = qRound(kViewHeight / 2 * ratios[run]);
        ApplyInput(view, drawWidth, drawHeight);
        const float start = PanOf(view);
        renderer.OnButton(true, 100, 50);
        renderer.OnMove(104, 50);
        ApplyInput(view, drawWidth, drawHeight);
        turned[run] = AngleBetween(start, PanOf(view));
    }
    // 4 view pixels of a 200-pixel view turn it by 3.6 degrees at every ratio.
    QVERIFY(std::fabs(turned[0] - 3.6f) < 1e-3f);
    QVERIFY(std::fabs(turned[1] - turned[0]) < 1e-3f);
    QVERIFY(std::fabs(turned[2] - turned[0]) < 1e-3f);
}

void SteeringTest::restsWhenNothingMoves()
{
    RendererProbe renderer;
    Start(renderer, ViewLayout::ViewQuadPerspective);
    // Paints as the view makes them while anything moves: each view drawn,
    // then a tick. The views first spring back inside the picture's limits.
    const auto paint = [&renderer] {
        for (int i = 0; i < renderer.SlotCount(); ++i) {
            ApplyInput(renderer.Slot(i).model, kViewWidth / 2, kViewHeight / 2);
        }
        renderer.Tick();
    };
    for (int tick = 0; tick < 500 && !renderer.IsAtRest(); ++tick) {
        paint();
    }
    QVERIFY(renderer.IsAtRest());
    paint();
    QVERIFY(renderer.IsAtRest());
    // A fling coasts, then settles.
    renderer.OnButton(true, 100, 50);
    QVERIFY(!renderer.IsAtRest());
    renderer.OnMove(110, 50);
    ApplyInput(renderer.Model(11), kViewWidth / 2, kViewHeight / 2);
    renderer.OnButton(false, 110, 50);
    renderer.Tick();
    QVERIFY(!renderer.IsAtRest());
    int ticks = 0;
    while (!renderer.IsAtRest() && ticks < 500) {
        paint();
        ++ticks;
    }
    QVERIFY(renderer.IsAtRest());
    // A wheel turn waits for its draw; the morph of the circle views never
    // rests until it reaches an end.
    renderer.OnHover(50, 50);
    renderer.OnWheel(-kNotch);
    QVERIFY(!renderer.IsAtRest());
    Apply(renderer.Model(11));
    renderer.SelectMode(ViewLayout::ViewPerspective);
    QVERIFY(!renderer.IsAtRest());
}

QTEST_MAIN(SteeringTest)
#include "SteeringTest.moc"
