// The transition models: frame stepping and its end states, scrubbing by
// wheel and drag, direction changes, and the cameras at both ends.

#include "CTransitLnglat2Cylinder.h"
#include "CTransitOrigin2Pers.h"
#include "ModelProbe.h"

#include <QtTest>

#include <vector>

namespace {

template <typename Model>
struct TransitProbe : Probe<Model> {
    using Model::forward;
    using Model::frameCount;
    using Model::frameIndex;
};

using OriginTransit = TransitProbe<CTransitOrigin2Pers>;
using CylinderTransit = TransitProbe<CTransitLnglat2Cylinder>;

constexpr int kFrames = 30;
constexpr int kVertices = 4;

// Morph data whose frames are told apart by their first coordinate.
struct FakeMorph {
    FakeMorph() : frames(size_t(kFrames) * kVertices * 3, 0.0f), texCoords(kVertices * 2, 0.0f)
    {
        for (int frame = 0; frame < kFrames; ++frame) {
            frames[size_t(frame) * kVertices * 3] = float(frame);
        }
    }
    std::vector<float> frames;
    std::vector<float> texCoords;
};

bool Near(double a, double b, double tolerance = 1e-3)
{
    return qAbs(a - b) <= tolerance;
}

template <typename Model>
void Attach(Model& model, const FakeMorph& morph, bool forward = true)
{
    QVERIFY(model.Init());
    QVERIFY(model.SetSource(CModelBase::MountCeiling, 1600, 1200, 500, 800, 600));
    model.SetMorphData(morph.frames.data(), morph.texCoords.data(), kVertices, 6, kFrames);
    model.SetDirection(forward, true);
    model.Start();
}

} // namespace

class TransitionModelTest : public QObject
{
    Q_OBJECT

private slots:
    void forwardRunEndsOnLastFrame();
    void backwardRunEndsOnFirstFrame();
    void holdingStopsAndDraggingScrubs();
    void wheelScrubsAndTurnsTheDirection();
    void directionNeedsMorphData();
    void morphDataMustBeComplete();
    void originEndsAtThePerspectiveEye();
    void cylinderWindowGrowsWithTheMorph();
    void cylinderTransitUsesPanoramaAngles();
};

void TransitionModelTest::forwardRunEndsOnLastFrame()
{
    FakeMorph morph;
    OriginTransit model;
    Attach(model, morph);
    for (int tick = 1; tick < kFrames; ++tick) {
        QCOMPARE(model.Animate(), int(CModelBase::Entering));
        QCOMPARE(model.frameIndex, tick);
    }
    QCOMPARE(model.Animate(), int(CModelBase::TransitEnd));
    QCOMPARE(model.frameIndex, kFrames - 1);
    model.Frame(800, 600);
    QCOMPARE(model.vertices, morph.frames.data() + size_t(kFrames - 1) * kVertices * 3);
    QCOMPARE(model.vertices[0], float(kFrames - 1));
}

void TransitionModelTest::backwardRunEndsOnFirstFrame()
{
    FakeMorph morph;
    CylinderTransit model;
    Attach(model, morph, false);
    QCOMPARE(model.frameIndex, kFrames - 1);
    QCOMPARE(model.vertices[0], float(kFrames - 1));
    model.SetDirection(false, false);
    model.frameIndex = 0;
    QCOMPARE(model.Animate(), int(CModelBase::TransitStart));
    QCOMPARE(model.frameIndex, 0);
}

void TransitionModelTest::holdingStopsAndDraggingScrubs()
{
    FakeMorph morph;
    OriginTransit model;
    Attach(model, morph);
    model.frameIndex = 15;
    model.SetPressed(true);
    model.Animate();
    QCOMPARE(model.frameIndex, 15);
    // 100 pixels up in a 600-pixel view over 30 frames: steps of 12 pixels.
    model.OnDrag(0, -100);
    int frames = 0;
    for (int draw = 0; draw < 12; ++draw) {
        model.Frame(800, 600);
        frames = 15 - model.frameIndex;
    }
    QVERIFY(!model.forward);
    QCOMPARE(frames, 8);
    QVERIFY(Near(model.accumY, 4, 1e-4));
    QCOMPARE(model.vertices[0], 7.0f);
}

void TransitionModelTest::wheelScrubsAndTurnsTheDirection()
{
    FakeMorph morph;
    OriginTransit model;
    Attach(model, morph);
    model.frameIndex = 5;
    model.OnWheel(1);
    model.Frame(800, 600);
    QCOMPARE(model.frameIndex, 4);
    QVERIFY(!model.forward);
    model.OnWheel(-1);
    model.Frame(800, 600);
    QCOMPARE(model.frameIndex, 5);
    QVERIFY(model.forward);
    model.frameIndex = kFrames - 1;
    model.OnWheel(-1);
    model.Frame(800, 600);
    QCOMPARE(model.GetState(), int(CModelBase::TransitEnd));
    QCOMPARE(model.frameIndex, kFrames - 1);
}

void TransitionModelTest::directionNeedsMorphData()
{
    OriginTransit bare;
    QVERIFY(bare.Init());
    bare.frameIndex = 3;
    bare.SetDirection(false, true);
    QVERIFY(!bare.forward);
    QCOMPARE(bare.frameIndex, 3);

    FakeMorph morph;
    OriginTransit noTexture;
    QVERIFY(noTexture.Init());
    noTexture.SetMorphData(morph.frames.data(), nullptr, kVertices, 6, kFrames);
    noTexture.frameIndex = 3;
    noTexture.SetDirection(false, true);
    QCOMPARE(noTexture.frameIndex, 3);
    QVERIFY(noTexture.vertices == nullptr);
}

void TransitionModelTest::morphDataMustBeComplete()
{
    FakeMorph morph;
    CylinderTransit model;
    QVERIFY(model.Init());
    model.SetMorphData(morph.frames.data(), morph.texCoords.data(), kVertices, 6, kFrames);
    QCOMPARE(model.vertices, morph.frames.data());
    QCOMPARE(model.vertexCount, kVertices);
    model.SetMorphData(morph.frames.data(), morph.texCoords.data(), kVertices, 6, 0);
    QVERIFY(model.vertices == nullptr);
    QCOMPARE(model.vertexCount, 0);
}

void TransitionModelTest::originEndsAtThePerspectiveEye()
{
    FakeMorph morph;
    OriginTransit model;
    Attach(model, morph);
    model.Frame(800, 600);
    QVERIFY(Near(model.eye.z(), 100)); // first frame: the flat circle's framing
    QVERIFY(Near(model.centre.z(), -100));
    model.SetAngles(40, -30);
    model.frameIndex = kFrames - 1;
    model.Frame(800, 600);
    // Last frame: the eye at the hemisphere's centre, looking along the tilt,
    // with the plain 90-degree projection of a whole circle.
    QVERIFY(Near(model.eye.length(), 0));
    const double t = qDegreesToRadians(-30.0);
    QVERIFY(Near(model.centre.y(), 100 * std::cos(t)) && Near(model.centre.z(), 100 * std::sin(t)));
    QVERIFY(Near(2 * qRadiansToDegrees(std::atan(1.0 / model.projMatrix(1, 1))), 90));
}

void TransitionModelTest::cylinderWindowGrowsWithTheMorph()
{
    FakeMorph morph;
    CylinderTransit model;
    Attach(model, morph);
    model.Frame(600, 600);
    QVERIFY(Near(2 / model.projMatrix(1, 1), 200, 1)); // about the panorama's height
    QVERIFY(Near(2 / model.projMatrix(0, 0), 2 / model.projMatrix(1, 1), 1e-3));
    model.frameIndex = kFrames - 1;
    model.Frame(600, 600);
    QVERIFY(Near(2 / model.projMatrix(1, 1), 300.53, 0.02)); // the cylinder's window
    QVERIFY(Near(model.eye.y(), -346.41, 0.01) && Near(model.eye.z(), 200, 0.01));
}

void TransitionModelTest::cylinderTransitUsesPanoramaAngles()
{
    FakeMorph morph;
    CylinderTransit model;
    Attach(model, morph);
    model.SetAngles(30, 0);
    QCOMPARE(model.pan, -60.0f);
    float pan = 0;
    float tilt = 0;
    model.GetAngles(pan, tilt);
    QCOMPARE(pan, 30.0f);
    model.SetPressed(true);
    model.OnDrag(20, 0);
    model.Frame(800, 600);
    QVERIFY(Near(model.pan, -60 + 4.5));
    QCOMPARE(model.frameIndex, 0);
}

QTEST_GUILESS_MAIN(TransitionModelTest)
#include "TransitionModelTest.moc"
