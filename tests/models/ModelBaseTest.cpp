// The common model framework: source geometry, draw gating, input rules,
// velocity and the angle limits.

#include "CExpandModelBase.h"
#include "ExpandPerspective.h"
#include "ModelProbe.h"

#include <QtTest>

namespace {

// A model with no behaviour of its own that counts the pure operations the
// framework calls.
class CountingModel : public CExpandModelBase
{
public:
    int Animate() override { return state; }
    void UpdateMatrices(int, int) override { ++updates; }
    void BuildView(int, int) override { ++builds; }

    int updates = 0;
    int builds = 0;
};

using CountingProbe = Probe<CountingModel>;

void ReadyCeiling(CModelBase& model)
{
    QVERIFY(model.SetSource(CModelBase::MountCeiling, 1600, 1200, 500, 800, 600));
}

} // namespace

class ModelBaseTest : public QObject
{
    Q_OBJECT

private slots:
    void setSourceRejectsCircleOutsideRange_data();
    void setSourceRejectsCircleOutsideRange();
    void setSourceBuildsMountFrame();
    void failedSetSourceKeepsOldGeometry();
    void drawIsGatedByStateAndViewport();
    void drawRebuildsViewOnlyWhenSizeChanges();
    void dragAccumulatesAndResetsOnReversal();
    void pressAndReleaseRules();
    void velocityIsClamped();
    void ceilingLimits();
    void wallLimitsFollowTheVisibleCircle();
    void limitsKeepAMinimumRange();
    void resetKeepsConstructorStorage();
};

void ModelBaseTest::setSourceRejectsCircleOutsideRange_data()
{
    QTest::addColumn<float>("radius");
    QTest::addColumn<float>("centreX");
    QTest::addColumn<float>("centreY");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("radius 0") << 0.0f << 10.0f << 10.0f << 100 << false;
    QTest::newRow("centre 100001") << 10.0f << 100001.0f << 10.0f << 100 << false;
    QTest::newRow("negative centre") << 10.0f << 10.0f << -3.0f << 100 << false;
    QTest::newRow("not a number") << float(qQNaN()) << 10.0f << 10.0f << 100 << false;
    QTest::newRow("empty picture") << 10.0f << 10.0f << 10.0f << 0 << false;
    QTest::newRow("radius 100000") << 100000.0f << 100000.0f << 1.0f << 100 << true;
}

void ModelBaseTest::setSourceRejectsCircleOutsideRange()
{
    QFETCH(float, radius);
    QFETCH(float, centreX);
    QFETCH(float, centreY);
    QFETCH(int, width);
    QFETCH(bool, accepted);
    CountingProbe model;
    QCOMPARE(model.SetSource(0, width, 100, radius, centreX, centreY), accepted);
    QCOMPARE(model.ready, accepted);
}

void ModelBaseTest::setSourceBuildsMountFrame()
{
    CountingProbe model;
    ReadyCeiling(model);
    QCOMPARE(model.mountMatrix.map(QVector3D(1, 2, 3)), QVector3D(1, -2, -3));
    QCOMPARE(model.up, QVector3D(0, 1, 0));
    QVERIFY(model.dirty);
    QVERIFY(model.SetSource(CModelBase::MountWall, 1600, 1200, 500, 800, 600));
    QCOMPARE(model.mountMatrix.map(QVector3D(1, 2, 3)), QVector3D(1, 3, -2));
    QCOMPARE(model.up, QVector3D(0, 0, 1));
}

void ModelBaseTest::failedSetSourceKeepsOldGeometry()
{
    CountingProbe model;
    ReadyCeiling(model);
    QVERIFY(!model.SetSource(CModelBase::MountWall, 1600, 1200, 0, 800, 600));
    QVERIFY(model.ready);
    QCOMPARE(model.mountType, int(CModelBase::MountCeiling));
    QCOMPARE(model.up, QVector3D(0, 1, 0));
}

void ModelBaseTest::drawIsGatedByStateAndViewport()
{
    CountingProbe model;
    model.Frame(100, 100);
    QCOMPARE(model.updates, 0); // not ready
    ReadyCeiling(model);
    model.Frame(100, 100);
    QCOMPARE(model.updates, 0); // state 0
    model.Start();
    model.Stop();
    model.Frame(100, 100);
    QCOMPARE(model.updates, 0); // state 2
    model.Start();
    model.Frame(0, 100);
    model.Frame(100, -1);
    QCOMPARE(model.updates, 0); // an empty viewport never reaches the matrices
    model.Frame(100, 100);
    QCOMPARE(model.updates, 1);
    QCOMPARE(model.builds, 1);
}

void ModelBaseTest::drawRebuildsViewOnlyWhenSizeChanges()
{
    CountingProbe model;
    ReadyCeiling(model);
    model.Start();
    model.Frame(320, 240);
    model.Frame(320, 240);
    QCOMPARE(model.builds, 1);
    model.Frame(640, 240);
    QCOMPARE(model.builds, 2);
    QCOMPARE(model.viewWidth, 640);
    model.Frame(640, 240);
    QCOMPARE(model.builds, 2);
    QCOMPARE(model.updates, 4);
    model.Start(); // a fresh start rebuilds once more
    model.Frame(640, 240);
    QCOMPARE(model.builds, 3);
}

void ModelBaseTest::dragAccumulatesAndResetsOnReversal()
{
    CountingProbe model;
    model.OnDrag(3, 0);
    model.OnDrag(-2, 0);
    QCOMPARE(model.accumX, -2.0f);
    QCOMPARE(model.dragDir, int(CModelBase::DirLeft));
    model.OnDrag(0, 5);
    QCOMPARE(model.dragDir, int(CModelBase::DirDown));
    QCOMPARE(model.dragY, -5.0f);
    QCOMPARE(model.accumY, -5.0f);
    model.OnDrag(0, 4);
    QCOMPARE(model.accumY, -9.0f); // same direction sums
    model.OnDrag(1, -7);
    QCOMPARE(model.accumY, 7.0f); // reversal restarts the sum
    QCOMPARE(model.dragDir, int(CModelBase::DirUp));
    QVERIFY(model.moved);
    model.SetTarget(true, 10, -20);
    model.OnDrag(0, 0);
    QVERIFY(model.targetActive); // no movement keeps the go-to
    model.OnDrag(0.5f, 0);
    QVERIFY(!model.targetActive);
    QCOMPARE(model.dragDir, int(CModelBase::DirRight));
}

void ModelBaseTest::pressAndReleaseRules()
{
    CountingProbe model;
    model.SetVelocity(2, 1, 1);
    model.StartCruise();
    model.OnDrag(5, 5);
    model.SetPressed(true);
    QVERIFY(model.IsPressed());
    QVERIFY(model.IsSelected());
    QCOMPARE(model.GetState(), int(CModelBase::Running));
    QVERIFY(!model.cruise);
    QCOMPARE(model.panSpeed, 0.0f);
    QCOMPARE(model.accumX, 0.0f);
    QVERIFY(model.moved);
    model.SetPressed(false);
    QVERIFY(!model.moved);
    QVERIFY(model.IsSelected()); // the selection outlives the press
    model.ClearSelected();
    QVERIFY(!model.IsSelected());
}

void ModelBaseTest::velocityIsClamped()
{
    CountingProbe model;
    model.SetVelocity(9, -7, 1);
    float pan = 0;
    float tilt = 0;
    float zoom = 0;
    model.GetVelocity(pan, tilt, zoom);
    QCOMPARE(pan, 5.0f);
    QCOMPARE(tilt, -3.0f);
    QCOMPARE(zoom, 1.0f);
    model.SetVelocity(-9, 7, -4);
    model.GetVelocity(pan, tilt, zoom);
    QCOMPARE(pan, -5.0f);
    QCOMPARE(tilt, 3.0f);
    QCOMPARE(zoom, -3.0f);
}

void ModelBaseTest::ceilingLimits()
{
    CountingProbe model;
    ReadyCeiling(model);
    float panMin = 0;
    float panMax = 0;
    float tiltMin = 0;
    float tiltMax = 0;
    model.GetViewLimits(panMin, panMax, tiltMin, tiltMax);
    QCOMPARE(panMin, -3600000.0f);
    QCOMPARE(panMax, 3600000.0f);
    QCOMPARE(tiltMin, -89.9f);
    QCOMPARE(tiltMax, -45.0f);
    model.fov = 60;
    model.GetViewLimits(panMin, panMax, tiltMin, tiltMax);
    QCOMPARE(tiltMax, -30.0f);
    model.GetCentreLimits(panMin, panMax, tiltMin, tiltMax);
    QCOMPARE(tiltMin, -89.9f);
    QCOMPARE(tiltMax, -0.1f);
}

void ModelBaseTest::wallLimitsFollowTheVisibleCircle()
{
    CountingProbe model;
    QVERIFY(model.SetSource(CModelBase::MountWall, 1600, 1200, 500, 800, 600));
    float panMin = 0;
    float panMax = 0;
    float tiltMin = 0;
    float tiltMax = 0;
    model.Frame(100, 100); // not started: the viewport stays unknown, counted square
    model.GetViewLimits(panMin, panMax, tiltMin, tiltMax);
    QCOMPARE(panMax, 45.0f);
    QCOMPARE(panMin, -45.0f);
    QVERIFY(qAbs(tiltMax - 26.92f) < 1e-4f);
    QVERIFY(qAbs(tiltMin + 26.92f) < 1e-4f);
    model.GetCentreLimits(panMin, panMax, tiltMin, tiltMax);
    QCOMPARE(panMax, 90.0f);
    QVERIFY(qAbs(tiltMax - 26.92f) < 1e-4f);

    // A circle cut to 300 pixels each side of its centre in a 600-high
    // picture: d = 500 (whole width), f = 300.
    QVERIFY(model.SetSource(CModelBase::MountWall, 1600, 600, 500, 800, 300));
    model.Start();
    model.Frame(200, 100);
    model.GetViewLimits(panMin, panMax, tiltMin, tiltMax);
    const float hHalf = qRadiansToDegrees(std::atan(2.0f));
    QVERIFY(qAbs(panMax - (90.0f - hHalf)) < 1e-4f);
    QVERIFY(qAbs(tiltMax - (0.6f * 89.9f - 45.0f)) < 1e-4f);
}

void ModelBaseTest::limitsKeepAMinimumRange()
{
    CountingProbe model;
    // A circle reaching only 10 pixels into a narrow picture.
    QVERIFY(model.SetSource(CModelBase::MountWall, 20, 20, 500, 10, 10));
    float panMin = 0;
    float panMax = 0;
    float tiltMin = 0;
    float tiltMax = 0;
    model.GetViewLimits(panMin, panMax, tiltMin, tiltMax);
    QCOMPARE(panMax, 1.0f);
    QCOMPARE(panMin, -1.0f);
    QCOMPARE(tiltMax, 1.0f);
    QCOMPARE(tiltMin, -1.0f);
}

void ModelBaseTest::resetKeepsConstructorStorage()
{
    Probe<ExpandPerspective> model;
    QVERIFY(model.Init());
    QCOMPARE(model.outlineCapacity, ExpandPerspective::kOutlineCapacity);
    QVERIFY(model.outlinePoints != nullptr);
    static const float kVertex[3] = {1, 2, 3};
    model.SetMeshData(kVertex, kVertex, 1, 3);
    model.Reset();
    QVERIFY(model.vertices == nullptr);
    QCOMPARE(model.outlineCapacity, ExpandPerspective::kOutlineCapacity);
    QVERIFY(model.outlinePoints != nullptr);
}

QTEST_GUILESS_MAIN(ModelBaseTest)
#include "ModelBaseTest.moc"
