// The perspective views: zoom limits and spring-back, tilt and pan limits,
// coasting and cruise, go-to, the cropped-circle correction and the outline.

#include "CExpandOrigin2.h"
#include "ExpandPerspective.h"
#include "ExpandPerspective2.h"
#include "ModelProbe.h"

#include <QtTest>

namespace {

struct PerspectiveProbe : Probe<ExpandPerspective> {
    using ExpandPerspective::leaveFlag;
};

bool Near(double a, double b, double tolerance = 1e-3)
{
    return qAbs(a - b) <= tolerance;
}

template <typename Model>
void Source(Model& model, int mount = CModelBase::MountCeiling)
{
    QVERIFY(model.Init());
    QVERIFY(model.SetSource(mount, 1600, 1200, 500, 800, 600));
    model.Start();
}

// Vertical field of view of a perspective projection, degrees.
double ProjectionFov(const QMatrix4x4& projection)
{
    return 2 * qRadiansToDegrees(std::atan(1.0 / projection(1, 1)));
}

} // namespace

class PerspectiveModelTest : public QObject
{
    Q_OBJECT

private slots:
    void zoomOutPastNinetyLeaves();
    void zoomInBelowSixtySpringsBack();
    void ceilingAnglesStayBelowHorizon();
    void ceilingTiltSpringsBackToViewLimit();
    void goToTakesTheShorterWayAround();
    void goToStartsTowardItsTarget();
    void flingDecaysOrCruises();
    void wallPanCoastsBackInsideTheView();
    void croppedCircleNarrowsAndMovesBack();
    void cameraLooksAlongPanAndTilt();
    void outlineSamplesTheViewportBorder();
    void outlineIsSkippedForOversizedViews();
    void outlineMeetsTheOverviewClick();
};

void PerspectiveModelTest::zoomOutPastNinetyLeaves()
{
    PerspectiveProbe model;
    Source(model);
    model.fov = 80;
    // Reaching the widest view with a little to spare does not leave.
    model.OnWheel(3);
    model.Frame(800, 600);
    QCOMPARE(model.fov, 90.0f);
    QVERIFY(!model.leaveFlag);
    QVERIFY(model.Animate() != int(CModelBase::LeaveRequest));
    // Nor does one notch more, however often it comes with pauses between.
    for (int notch = 0; notch < 5; ++notch) {
        model.OnWheel(1);
        model.Frame(800, 600);
        for (int tick = 0; tick < 50; ++tick) {
            QVERIFY(model.Animate() != int(CModelBase::LeaveRequest));
        }
    }
    // A quick push of a few notches past it does.
    for (int notch = 0; notch < 3; ++notch) {
        model.OnWheel(1);
        model.Frame(800, 600);
        model.Animate();
    }
    QVERIFY(model.leaveFlag);
    QCOMPARE(model.Animate(), int(CModelBase::LeaveRequest));
    model.Start();
    QVERIFY(!model.leaveFlag);
}

void PerspectiveModelTest::zoomInBelowSixtySpringsBack()
{
    PerspectiveProbe model;
    Source(model);
    model.fov = 65;
    model.OnWheel(-6);
    model.Frame(800, 600);
    QCOMPARE(model.fov, 41.0f);
    QCOMPARE(model.zoomSpeed, -3.0f);
    model.Animate();
    QVERIFY(Near(model.fov, 38.05, 1e-4));
    QVERIFY(Near(model.zoomSpeed, -2.95, 1e-5));
    model.Animate();
    QCOMPARE(model.fov, 40.0f);
    QCOMPARE(model.zoomSpeed, 0.0f);
    float previous = model.fov;
    int ticks = 0;
    while (model.fov < 60 && ticks < 100) {
        model.Animate();
        QVERIFY(Near(model.fov - previous, 0.6, 1e-4) || model.fov == 60.0f);
        previous = model.fov;
        ++ticks;
    }
    QCOMPARE(model.fov, 60.0f);
    QCOMPARE(model.GetState(), int(CModelBase::Running));
    QCOMPARE(ticks, 34);
}

void PerspectiveModelTest::ceilingAnglesStayBelowHorizon()
{
    PerspectiveProbe model;
    Source(model);
    model.SetAngles(185, 10);
    model.Frame(800, 600);
    QVERIFY(Near(model.pan, -175));
    QVERIFY(Near(model.tilt, -0.1));
    model.SetAngles(0, -120);
    model.Frame(800, 600);
    QVERIFY(Near(model.tilt, -89.9));
    for (int frame = 0; frame < 200; ++frame) {
        model.OnDrag(0, -300); // keep dragging up: tilt falls 1.5 per frame at most
        model.Frame(800, 600);
        QVERIFY(model.tilt <= -0.1f && model.tilt >= -89.9f);
    }
}

void PerspectiveModelTest::ceilingTiltSpringsBackToViewLimit()
{
    PerspectiveProbe model;
    Source(model);
    model.Frame(800, 600);
    model.SetAngles(0, -20);
    float previousSpeed = 0;
    bool bounced = false;
    for (int tick = 0; tick < 400; ++tick) {
        model.Animate();
        const float speed = model.tiltSpeed;
        QVERIFY(qAbs(speed) <= 3.0f);
        if (!bounced && speed < 0 && previousSpeed <= 0) {
            QVERIFY(Near(speed - previousSpeed, -0.1, 1e-4) || speed == -3.0f);
        }
        bounced = bounced || speed > 0;
        previousSpeed = speed;
    }
    QVERIFY(bounced);
    QVERIFY(Near(model.tilt, -45, 0.05));
    QCOMPARE(model.tiltSpeed, 0.0f);
}

void PerspectiveModelTest::goToTakesTheShorterWayAround()
{
    PerspectiveProbe model;
    Source(model);
    model.SetAngles(170, -40);
    model.SetTarget(true, -170, -40);
    float travelled = 0;
    float last = model.pan;
    for (int tick = 0; tick < 50 && model.targetActive; ++tick) {
        model.Animate();
        const float step = std::remainder(model.pan - last, 360.0f);
        QVERIFY(step >= 0);
        travelled += step;
        last = model.pan;
    }
    QVERIFY(!model.targetActive);
    QVERIFY(Near(std::remainder(model.pan + 170, 360.0f), 0));
    QVERIFY(Near(travelled, 20, 1e-3));
    QCOMPARE(model.panSpeed, 0.0f);
}

void PerspectiveModelTest::goToStartsTowardItsTarget()
{
    PerspectiveProbe model;
    Source(model);
    model.SetAngles(0, -30);
    model.SetTarget(true, -40, -70);
    model.Animate();
    QVERIFY(model.pan < 0);
    QVERIFY(model.tilt < -30);
    // The axis with the longer way accelerates by 0.5, the other in proportion.
    QVERIFY(Near(model.panSpeed, -0.5, 1e-5));
    QVERIFY(Near(model.tiltSpeed, -0.5, 1e-5));
    model.SetTarget(true, -40 - 80, -70);
    model.Animate();
    QVERIFY(Near(model.panSpeed, -1.0, 1e-5));
    QVERIFY(Near(model.tiltSpeed, -0.5 - 0.5 * 39.5 / 119.5, 1e-4));
    for (int tick = 0; tick < 200 && model.targetActive; ++tick) {
        model.Animate();
    }
    QVERIFY(Near(model.pan, -120) && Near(model.tilt, -70));
}

void PerspectiveModelTest::flingDecaysOrCruises()
{
    PerspectiveProbe model;
    Source(model);
    model.SetAngles(0, -60);
    model.SetVelocity(5, 0, 0);
    model.Animate();
    QVERIFY(Near(model.panSpeed, 4.95, 1e-5));
    model.Animate();
    QVERIFY(Near(model.panSpeed, 4.9, 1e-5));
    int ticks = 2;
    while (model.panSpeed > 0 && ticks < 200) {
        model.Animate();
        ++ticks;
    }
    QCOMPARE(ticks, 100);

    PerspectiveProbe cruising;
    Source(cruising);
    cruising.SetAngles(0, -60);
    cruising.OnDrag(30, 2); // last drag sideways
    cruising.SetVelocity(5, 0, 0);
    cruising.StartCruise();
    for (int tick = 0; tick < 300; ++tick) {
        cruising.Animate();
    }
    QVERIFY(Near(cruising.panSpeed, 0.2, 1e-6));
    const float before = cruising.pan;
    cruising.Animate();
    QVERIFY(Near(cruising.pan - before, 0.2, 1e-4));
}

void PerspectiveModelTest::wallPanCoastsBackInsideTheView()
{
    PerspectiveProbe model;
    Source(model, CModelBase::MountWall);
    model.Frame(600, 600);
    model.SetAngles(60, 0);
    model.Frame(600, 600); // 60 is inside the centre limits (+-90)
    QCOMPARE(model.pan, 60.0f);
    float previous = model.pan;
    for (int tick = 0; tick < 300; ++tick) {
        model.Animate();
        QVERIFY(model.pan <= 90.0f);
        previous = model.pan;
    }
    Q_UNUSED(previous);
    QVERIFY(Near(model.pan, 45, 0.05));
    QCOMPARE(model.panSpeed, 0.0f);
}

void PerspectiveModelTest::croppedCircleNarrowsAndMovesBack()
{
    Probe<ExpandPerspective2> cropped;
    QVERIFY(cropped.Init());
    // Visible aspect 1.5: the circle is cut to 400 of its 600-pixel radius
    // vertically.
    QVERIFY(cropped.SetSource(CModelBase::MountCeiling, 1800, 800, 600, 900, 400));
    cropped.Start();
    cropped.Frame(800, 600);
    QVERIFY(Near(ProjectionFov(cropped.projMatrix), 90 * 0.843, 1e-3));
    QVERIFY(Near(cropped.eye.z(), 19.673035, 1e-5));

    Probe<ExpandPerspective2> whole;
    Source(whole, CModelBase::MountWall);
    whole.Frame(800, 600);
    QVERIFY(Near(ProjectionFov(whole.projMatrix), 90, 1e-3));
    QCOMPARE(whole.eye, QVector3D());
}

void PerspectiveModelTest::cameraLooksAlongPanAndTilt()
{
    PerspectiveProbe wall;
    Source(wall, CModelBase::MountWall);
    wall.SetAngles(30, 20);
    wall.Frame(600, 600);
    const double p = qDegreesToRadians(30.0);
    const double t = qDegreesToRadians(20.0);
    QVERIFY(Near(wall.centre.x(), -100 * std::cos(t) * std::sin(p)));
    QVERIFY(Near(wall.centre.y(), 100 * std::cos(t) * std::cos(p)));
    QVERIFY(Near(wall.centre.z(), 100 * std::sin(t)));
    // Drag up tilts down; drag right pans to larger angles.
    wall.OnDrag(12, -8);
    wall.Frame(600, 600);
    QVERIFY(Near(wall.tilt, 20 - 1.2, 1e-4));
    QVERIFY(Near(wall.pan, 30 + 3.6, 1e-4));
}

void PerspectiveModelTest::outlineSamplesTheViewportBorder()
{
    PerspectiveProbe model;
    Source(model);
    model.SetShowOutline(true);
    model.SetPressed(true); // selects the view
    model.SetPressed(false);
    model.SetAngles(30, -50);
    model.Frame(400, 300);
    model.Animate();
    const float* points = nullptr;
    int count = 0;
    model.GetOutline(points, count);
    QVERIFY(count > 690 && count <= 400 + 300 + 10);
    // The centre first: azimuth -pan, polar angle 90 + tilt.
    QVERIFY(Near(points[0], qDegreesToRadians(-30.0), 1e-4));
    QVERIFY(Near(points[1], qDegreesToRadians(40.0), 1e-4));
    // The walk starts and ends at the middle of the top edge.
    QVERIFY(Near(points[2], points[2 * count - 2], 1e-5));
    QVERIFY(Near(points[3], points[2 * count - 1], 1e-5));
    // The top edge looks farther out than the centre, never past the horizon.
    QVERIFY(points[3] > points[1]);
    for (int i = 1; i < count; ++i) {
        QVERIFY(points[2 * i + 1] <= 1.5707964f);
    }

    model.ClearSelected();
    model.SetAngles(60, -50);
    model.Animate();
    model.GetOutline(points, count);
    QVERIFY(Near(points[0], qDegreesToRadians(-30.0), 1e-4)); // not selected: unchanged
}

void PerspectiveModelTest::outlineIsSkippedForOversizedViews()
{
    PerspectiveProbe model;
    Source(model);
    model.SetShowOutline(true);
    model.SetPressed(true);
    model.SetPressed(false);
    model.Frame(3000, 1481); // 3000 + 1481 + 10 > 4490
    model.Animate();
    const float* points = nullptr;
    int count = -1;
    model.GetOutline(points, count);
    QCOMPARE(count, 0);
    model.Frame(3000, 1480);
    model.Animate();
    model.GetOutline(points, count);
    QVERIFY(count > 4000 && count <= 4490);
}

void PerspectiveModelTest::outlineMeetsTheOverviewClick()
{
    // A click in the overview turns into angles for the perspective view; the
    // centre of that view's outline is drawn back where the click was.
    Probe<CExpandOrigin2> overview;
    Source(overview);
    overview.Frame(640, 480);
    static const float kPoint[2] = {0, 0};
    overview.SetRegion(true, kPoint, 1);
    overview.SetPressed(true);
    const QPointF click(260, 290); // y from the bottom edge; steeper than the view limit
    overview.SetClickPoint(true, float(click.x()), float(click.y()));
    overview.Animate();
    float pan = 0;
    float tilt = 0;
    overview.GetAngles(pan, tilt);

    PerspectiveProbe perspective;
    Source(perspective);
    perspective.SetShowOutline(true);
    perspective.SetPressed(true);
    perspective.SetPressed(false);
    perspective.SetTarget(true, pan, tilt);
    perspective.Frame(320, 240);
    for (int tick = 0; tick < 100; ++tick) {
        perspective.Animate();
    }
    const float* points = nullptr;
    int count = 0;
    perspective.GetOutline(points, count);
    QVERIFY(count > 0);
    overview.SetRegion(true, points, count);
    const float* clip = overview.regionPoints[0];
    QVERIFY(Near(clip[0], click.x() / 640 * 2 - 1, 1e-3));
    QVERIFY(Near(clip[1], click.y() / 480 * 2 - 1, 1e-3));
}

QTEST_GUILESS_MAIN(PerspectiveModelTest)
#include "PerspectiveModelTest.moc"
