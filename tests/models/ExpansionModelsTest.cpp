// The flat circle, fisheye-overview, rectangle and longitude-latitude models:
// framing, spring-back, click-to-direction, region, slide limits, panorama
// scrolling, windows and inertia.

#include "CExpandLnglat360.h"
#include "CExpandLnglat360B.h"
#include "CExpandLnglatCylinder.h"
#include "CExpandLnglatHori.h"
#include "CExpandOrigin.h"
#include "CExpandOrigin2.h"
#include "ExpandRectImage.h"
#include "ModelProbe.h"

#include <QtTest>

namespace {

struct OriginProbe : Probe<CExpandOrigin> {
    using CExpandOrigin::distance;
};

struct RectProbe : Probe<ExpandRectImage> {
    using ExpandRectImage::offsetY;
    using ExpandRectImage::scale;
};

// Half-extents of an orthographic projection.
QSizeF OrthoSize(const QMatrix4x4& projection)
{
    return QSizeF(2.0 / projection(0, 0), 2.0 / projection(1, 1));
}

bool Near(double a, double b, double tolerance = 1e-3)
{
    return qAbs(a - b) <= tolerance;
}

// A 4:3 picture whose circle lies fully inside it.
template <typename Model>
void SourceCeiling(Model& model, int mount = CModelBase::MountCeiling)
{
    QVERIFY(model.Init());
    QVERIFY(model.SetSource(mount, 1600, 1200, 500, 800, 600));
    model.Start();
}

} // namespace

class ExpansionModelsTest : public QObject
{
    Q_OBJECT

private slots:
    void originFramesTheVisibleCircle();
    void originSpringsBackAndUnwinds();
    void originStaysWhenReleasedClose();
    void originLeavesWhenZoomedPastFraming();
    void originTurnsCeilingButNotWallPictures();
    void overviewClickGivesDirection();
    void overviewRegionMapsOutline();
    void rectangleSlidesOnlyWhenZoomedIn();
    void rectangleCoastsToRest();
    void rectangleFramesPortraitPictures();
    void panoramaAnglesAreOffsetByQuarterTurn();
    void panoramaDragIsClampedAndWraps();
    void wallPanoramaStaysInsideTheCircle();
    void swipesLeaveOnlyPastFivePixels();
    void cylinderWindow_data();
    void cylinderWindow();
    void horizontalExpansionFramesVisibleAspect();
    void panoramaInertiaAndCruise();
};

void ExpansionModelsTest::originFramesTheVisibleCircle()
{
    OriginProbe model;
    SourceCeiling(model);
    model.Frame(1600, 900);
    QVERIFY(Near(model.eye.z(), 100)); // height limits: the circle fills the height
    model.Frame(300, 600);
    QVERIFY(Near(model.eye.z(), 200)); // a 1:2 view is limited by its width
    QVERIFY(Near(model.eye.x(), 0) && Near(model.eye.y(), 0));

    OriginProbe wall;
    SourceCeiling(wall, CModelBase::MountWall);
    wall.Frame(1600, 900);
    QVERIFY(Near(wall.eye.y(), -100));
}

void ExpansionModelsTest::originSpringsBackAndUnwinds()
{
    OriginProbe model;
    SourceCeiling(model);
    model.distance = 1.8f;
    model.pan = 40;
    model.Animate();
    QCOMPARE(model.GetState(), int(CModelBase::AutoZoom));
    float expected = 1.8f;
    for (int tick = 0; tick < 200 && model.GetState() == CModelBase::AutoZoom; ++tick) {
        expected = std::max(expected - 0.015f, 1.0f);
        QVERIFY(Near(model.distance, expected, 1e-4));
        QVERIFY(Near(model.pan, (model.distance - 1) / 0.8 * 40, 1e-2));
        model.Animate();
    }
    QCOMPARE(model.GetState(), int(CModelBase::Running));
    QCOMPARE(model.distance, 1.0f);
    QCOMPARE(model.pan, 0.0f);
}

void ExpansionModelsTest::originStaysWhenReleasedClose()
{
    OriginProbe model;
    SourceCeiling(model);
    model.distance = 1.4f;
    for (int tick = 0; tick < 10; ++tick) {
        model.Animate();
    }
    QCOMPARE(model.distance, 1.4f);
    QCOMPARE(model.GetState(), int(CModelBase::Running));
}

void ExpansionModelsTest::originLeavesWhenZoomedPastFraming()
{
    OriginProbe model;
    SourceCeiling(model);
    model.OnWheel(0.2f);
    model.Frame(800, 600);
    QVERIFY(Near(model.distance, 1.2));
    QVERIFY(Near(model.eye.z(), 120, 1e-2));
    model.OnWheel(-0.5f);
    model.Frame(800, 600);
    QCOMPARE(model.distance, 1.0f);
    QCOMPARE(model.GetState(), int(CModelBase::LeaveRequest));

    OriginProbe dragged;
    SourceCeiling(dragged);
    dragged.OnDrag(5, 1); // mainly horizontal: turns, never leaves
    dragged.Frame(800, 600);
    QVERIFY(dragged.GetState() != CModelBase::LeaveRequest);
    dragged.OnDrag(1, 40); // mainly downward: pulls in past the framing
    dragged.Frame(800, 600);
    QCOMPARE(dragged.GetState(), int(CModelBase::LeaveRequest));
}

void ExpansionModelsTest::originTurnsCeilingButNotWallPictures()
{
    OriginProbe model;
    SourceCeiling(model);
    model.pan = 178;
    model.OnDrag(40, 0); // 40 x 180 / 800 = 9, clamped to 5
    model.Frame(800, 600);
    QVERIFY(Near(model.pan, -177));
    // The texture turns with the pan: the centre stays, the rest rotates.
    const float centre[2] = {0, 0};
    QVERIFY(Near(model.Sample(centre).x(), 0.5) && Near(model.Sample(centre).y(), 0.5));

    OriginProbe wall;
    SourceCeiling(wall, CModelBase::MountWall);
    wall.SetAngles(30, 0);
    wall.OnDrag(40, 0);
    wall.Frame(800, 600);
    const float right[2] = {1, 0};
    // Unrotated: the circle's right edge samples the picture at centre + radius.
    QVERIFY(Near(wall.Sample(right).x(), 1300.0 / 1600) && Near(wall.Sample(right).y(), 0.5));
}

void ExpansionModelsTest::overviewClickGivesDirection()
{
    Probe<CExpandOrigin2> model;
    SourceCeiling(model);
    model.Frame(800, 600); // height-limited: 600 pixels show 2 x 500 picture pixels
    static const float kPoint[2] = {0, 0};
    model.SetRegion(true, kPoint, 1);
    model.SetPressed(true);
    model.SetClickPoint(true, 400, 300);
    model.Animate();
    float pan = 1;
    float tilt = 0;
    model.GetAngles(pan, tilt);
    QCOMPARE(pan, 0.0f); // the exact centre has no azimuth: 0, never a division by zero
    QVERIFY(Near(tilt, -90, 1e-3));
    model.SetClickPoint(true, 400, 599.99f); // the rim straight up
    model.Animate();
    model.GetAngles(pan, tilt);
    QVERIFY(Near(pan, 0, 1e-3));
    QVERIFY(Near(tilt, -5.7296, 1e-2)); // never above -0.1 radians
    model.SetClickPoint(true, 550, 300); // right of the centre, half way out
    model.Animate();
    model.GetAngles(pan, tilt);
    QVERIFY(Near(pan, -90, 1e-3));
    QVERIFY(Near(tilt, -45, 1e-3));
    model.SetClickPoint(true, 800, 300); // on the right edge: outside the viewport
    model.Animate();
    model.GetAngles(pan, tilt);
    QVERIFY(Near(pan, -90, 1e-3));
    QVERIFY(Near(tilt, -45, 1e-3));
}

void ExpansionModelsTest::overviewRegionMapsOutline()
{
    Probe<CExpandOrigin2> model;
    SourceCeiling(model);
    model.Frame(800, 600);
    const float kHalfPi = 1.5707964f;
    // Centre, straight up at the horizon, right at half the polar range.
    const float points[6] = {0, 0, 0, kHalfPi, -kHalfPi, kHalfPi / 2};
    model.SetRegion(true, points, 3);
    QVERIFY(model.regionOn);
    QCOMPARE(model.regionCounts[0], 3);
    const float* out = model.regionPoints[0];
    QVERIFY(Near(out[0], 0) && Near(out[1], 0) && Near(out[2], -1));
    QVERIFY(Near(out[3], 0) && Near(out[4], 1)); // the rim touches the top edge
    QVERIFY(Near(out[6], -0.5 * 600 / 800) && Near(out[7], 0));

    std::vector<float> many(2 * 5000, 0.1f);
    model.SetRegion(true, many.data(), 5000);
    QVERIFY(model.regionOn);
    QCOMPARE(model.regionCounts[0], 3); // too many points keep the previous polygon
    model.SetRegion(false, points, 3);
    QVERIFY(!model.regionOn);

    Probe<CExpandOrigin2> wall;
    SourceCeiling(wall, CModelBase::MountWall);
    wall.SetRegion(true, points, 3);
    QVERIFY(!wall.regionOn);
}

void ExpansionModelsTest::rectangleSlidesOnlyWhenZoomedIn()
{
    RectProbe model;
    QVERIFY(model.Init());
    QVERIFY(model.SetSource(0, 1600, 900, 450, 800, 450));
    model.Start();
    model.OnDrag(-500, 0);
    model.Frame(800, 450);
    QCOMPARE(model.eye.x(), 0.0f); // whole picture shown: nothing to slide
    for (int step = 0; step < 10; ++step) {
        model.OnWheel(-0.05f);
        model.Frame(800, 450);
    }
    QVERIFY(Near(model.scale, 0.5));
    for (int step = 0; step < 100; ++step) {
        model.OnDrag(-500, 500);
        model.Frame(800, 450);
    }
    QVERIFY(Near(model.eye.x(), 0.5 * 16 / 9.0));
    QVERIFY(Near(model.centre.x(), model.eye.x()));
    QVERIFY(Near(model.offsetY, -0.5));
    QVERIFY(Near(model.panSpeed, -0.29999998, 1e-6));
    QVERIFY(Near(model.tiltSpeed, -0.3, 1e-6));
    for (int step = 0; step < 40; ++step) {
        model.OnWheel(-1);
        model.Frame(800, 450);
    }
    QVERIFY(Near(model.scale, 0.1)); // the wheel moves at most 0.05 per frame
    for (int step = 0; step < 40; ++step) {
        model.OnWheel(1);
        model.Frame(800, 450);
    }
    QVERIFY(Near(model.scale, 1.4));
}

void ExpansionModelsTest::rectangleCoastsToRest()
{
    RectProbe model;
    QVERIFY(model.Init());
    QVERIFY(model.SetSource(0, 1600, 900, 450, 800, 450));
    model.Start();
    model.OnDrag(0, -20); // a purely vertical fling
    model.Frame(800, 450);
    QVERIFY(model.tiltSpeed > 0);
    for (int tick = 0; tick < 20; ++tick) {
        model.Animate();
    }
    QCOMPARE(model.tiltSpeed, 0.0f);
}

void ExpansionModelsTest::rectangleFramesPortraitPictures()
{
    RectProbe model;
    QVERIFY(model.Init());
    QVERIFY(model.SetSource(0, 900, 1600, 450, 450, 800));
    model.Start();
    model.Frame(450, 800);
    // The quad of a portrait picture spans x 1 and y 16/9; the projection
    // shows all of it.
    const QSizeF size = OrthoSize(model.projMatrix);
    QVERIFY(Near(size.width(), 2) && Near(size.height(), 2 * 16 / 9.0));
    // The quad's top edge (texture v = 1) is drawn at the bottom: rows run
    // top-down in the texture, and the picture is upright on screen.
    const float top[3] = {0, 16 / 9.0f, 0};
    QVERIFY(Near(model.Clip(top).y(), -1));
}

void ExpansionModelsTest::panoramaAnglesAreOffsetByQuarterTurn()
{
    Probe<CExpandLnglat360> model;
    SourceCeiling(model);
    float pan = 1;
    float tilt = 1;
    model.GetAngles(pan, tilt);
    QCOMPARE(pan, 0.0f);
    QCOMPARE(model.pan, -90.0f);
    model.SetAngles(30, 5);
    model.Frame(800, 400);
    model.GetAngles(pan, tilt);
    QCOMPARE(pan, 30.0f);
    QCOMPARE(tilt, 0.0f);
}

void ExpansionModelsTest::panoramaDragIsClampedAndWraps()
{
    Probe<CExpandLnglat360> model;
    SourceCeiling(model);
    model.SetAngles(0, 0);
    model.OnDrag(20, 0);
    model.Frame(800, 400);
    QVERIFY(Near(model.pan, -90 + 4.5));
    model.OnDrag(400, 0);
    model.Frame(800, 400);
    QVERIFY(Near(model.pan, -90 + 9.5)); // at most 5 degrees per frame
    model.pan = 179;
    model.OnDrag(400, 0);
    model.Frame(800, 400);
    QVERIFY(Near(model.pan, -176));
    model.pan = qInf();
    model.Frame(800, 400);
    QCOMPARE(model.pan, 0.0f); // a non-finite pan restarts instead of looping
}

void ExpansionModelsTest::wallPanoramaStaysInsideTheCircle()
{
    Probe<CExpandLnglat360> model;
    SourceCeiling(model, CModelBase::MountWall);
    model.pan = 80;
    model.Frame(800, 400);
    QVERIFY(Near(model.pan, 90 - qRadiansToDegrees(std::atan(2.0))));
    QVERIFY(Near(model.pan, 26.565, 1e-3));
    model.pan = -80;
    model.Frame(800, 400);
    QVERIFY(Near(model.pan, -26.565, 1e-3));
}

void ExpansionModelsTest::swipesLeaveOnlyPastFivePixels()
{
    Probe<CExpandLnglat360> panorama;
    SourceCeiling(panorama);
    panorama.OnDrag(0, 4);
    panorama.Frame(800, 400);
    QVERIFY(panorama.GetState() != CModelBase::LeaveRequest);
    panorama.OnDrag(0.5f, 2);
    panorama.Frame(800, 400);
    QCOMPARE(panorama.GetState(), int(CModelBase::LeaveRequest));
    QCOMPARE(panorama.accumY, 0.0f);

    Probe<CExpandLnglat360B> strip;
    SourceCeiling(strip);
    strip.OnDrag(0, -6); // upward: the strip only leaves downward
    strip.Frame(800, 400);
    QVERIFY(strip.GetState() != CModelBase::LeaveRequest);

    Probe<CExpandLnglatCylinder> cylinder;
    SourceCeiling(cylinder);
    cylinder.OnDrag(0, 6); // downward: the cylinder only leaves upward
    cylinder.Frame(800, 400);
    QVERIFY(cylinder.GetState() != CModelBase::LeaveRequest);
    cylinder.OnDrag(0, -12);
    cylinder.Frame(800, 400);
    QCOMPARE(cylinder.GetState(), int(CModelBase::LeaveRequest));
}

void ExpansionModelsTest::cylinderWindow_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("windowWidth");
    QTest::addColumn<double>("windowHeight");
    QTest::newRow("1:1") << 600 << 600 << 300.53 << 300.53;
    QTest::newRow("2:1") << 1200 << 600 << 601.05 << 300.53;
    QTest::newRow("1:2") << 300 << 600 << 220.0 << 440.0;
}

void ExpansionModelsTest::cylinderWindow()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, windowWidth);
    QFETCH(double, windowHeight);
    Probe<CExpandLnglatCylinder> model;
    SourceCeiling(model);
    model.Frame(width, height);
    const QSizeF size = OrthoSize(model.projMatrix);
    QVERIFY(Near(size.width(), windowWidth, 0.02));
    QVERIFY(Near(size.height(), windowHeight, 0.02));
    QVERIFY(Near(model.eye.y(), -346.41, 0.01) && Near(model.eye.z(), 200, 0.01));
}

void ExpansionModelsTest::horizontalExpansionFramesVisibleAspect()
{
    Probe<CExpandLnglatHori> model;
    QVERIFY(model.Init());
    // d = 1000 (the whole width), f = 500 (the circle is cut top and bottom).
    QVERIFY(model.SetSource(CModelBase::MountWall, 2000, 1000, 1000, 1000, 500));
    model.Start();
    // The expansion keeps its 2:1 shape: exactly framed on a 2:1 viewport,
    // with bars beside it on a wider one and above and below on a taller one.
    model.Frame(800, 400);
    QSizeF size = OrthoSize(model.projMatrix);
    QVERIFY(Near(size.width(), 200) && Near(size.height(), 100));
    model.Frame(1600, 400);
    size = OrthoSize(model.projMatrix);
    QVERIFY(Near(size.width(), 400) && Near(size.height(), 100));
    model.Frame(300, 900);
    size = OrthoSize(model.projMatrix);
    QVERIFY(Near(size.width(), 200) && Near(size.height(), 600));
    model.OnDrag(50, 50);
    model.OnWheel(3);
    model.Frame(640, 480);
    QCOMPARE(model.pan, 0.0f); // no interaction
    model.state = 9;
    QCOMPARE(model.Animate(), int(CModelBase::Idle));
}

void ExpansionModelsTest::panoramaInertiaAndCruise()
{
    Probe<CExpandLnglat360> model;
    SourceCeiling(model);
    model.SetVelocity(0.3f, 0, 0);
    model.StartCruise();
    const float cruising[4] = {0.25f, 0.21f, 0.2f, 0.2f};
    for (const float expected : cruising) {
        const float before = model.pan;
        model.Animate();
        QVERIFY(Near(model.panSpeed, expected, 1e-5));
        QVERIFY(Near(model.pan - before, expected, 1e-4));
    }
    model.SetPressed(true); // a press ends the cruise and holds still
    model.SetVelocity(0.12f, 0, 0);
    const float held = model.pan;
    model.Animate();
    QCOMPARE(model.pan, held);
    model.SetPressed(false);
    model.SetVelocity(0.12f, 0, 0);
    const float coasting[3] = {0.07f, 0.02f, 0.0f};
    for (const float expected : coasting) {
        model.Animate();
        QVERIFY(Near(model.panSpeed, expected, 1e-5));
    }
}

QTEST_GUILESS_MAIN(ExpansionModelsTest)
#include "ExpansionModelsTest.moc"
