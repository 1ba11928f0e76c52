// Camera, mesh and texture matrix together, on the generated meshes: what a
// view shows where, checked against the equidistant fisheye lens, and the
// transitions' first and last frames against the views they link.

#include "CExpandLnglat360.h"
#include "CExpandLnglat360B.h"
#include "CExpandLnglatCylinder.h"
#include "CExpandOrigin.h"
#include "CTransitLnglat2Cylinder.h"
#include "CTransitOrigin2Pers.h"
#include "ExpandPerspective.h"
#include "ExpandPerspective2.h"
#include "ModelProbe.h"
#include "PanoMeshStore.h"

#include <QtTest>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Picture and circle of the tests: 1600 x 1200, radius 500 at the centre.
constexpr int kWidth = 1600;
constexpr int kHeight = 1200;
constexpr double kRadius = 500;

struct Mesh {
    float* positions = nullptr;
    float* texCoords = nullptr;
    quint16* indices = nullptr;
    int vertexCount = 0;
    int indexCount = 0;
};

Mesh GetMesh(PanoMeshStore& store, int set, int indexSet = 0)
{
    Mesh mesh;
    int count = 0;
    store.GetPositions(set, mesh.positions, mesh.vertexCount);
    store.GetTexCoords(set, mesh.texCoords, count);
    store.GetIndices(indexSet, mesh.indices, mesh.indexCount);
    return mesh;
}

template <typename Model>
void Start(Model& model, const Mesh& mesh, int mount = CModelBase::MountCeiling)
{
    QVERIFY(model.Init());
    QVERIFY(model.SetSource(mount, kWidth, kHeight, float(kRadius), kWidth / 2.0f,
                            kHeight / 2.0f));
    model.SetMeshData(mesh.positions, mesh.texCoords, mesh.vertexCount, mesh.indexCount);
    model.Start();
}

// Picture coordinate (0..1) of a fisheye-circle offset.
QPointF PictureOf(double u, double v)
{
    return QPointF((kWidth / 2.0 + kRadius * u) / kWidth, (kHeight / 2.0 + kRadius * v) / kHeight);
}

// The circle offset an equidistant lens gives a direction (x right, y down
// in the picture, z along the optical axis).
QPointF LensOffset(double x, double y, double z)
{
    const double length = std::sqrt(x * x + y * y + z * z);
    const double theta = std::acos(std::clamp(z / length, -1.0, 1.0));
    const double lateral = std::hypot(x, y);
    if (lateral < 1e-12) {
        return QPointF(0, 0);
    }
    return QPointF(theta / (kPi / 2) * x / lateral, theta / (kPi / 2) * y / lateral);
}

// The picture point a model draws at the viewport's centre: the triangle
// under the centre, with perspective-correct interpolation of its samples.
template <typename Model>
bool SampleAtCentre(const Model& model, const Mesh& mesh, QPointF& sample)
{
    for (int k = 0; k + 2 < mesh.indexCount; k += 3) {
        QVector4D clip[3];
        QPointF ndc[3];
        bool inFront = true;
        for (int c = 0; c < 3; ++c) {
            clip[c] = model.Clip(mesh.positions + 3 * mesh.indices[k + c]);
            inFront = inFront && clip[c].w() > 1e-6f;
            ndc[c] = QPointF(clip[c].x() / clip[c].w(), clip[c].y() / clip[c].w());
        }
        if (!inFront) {
            continue;
        }
        const double det = (ndc[1].x() - ndc[0].x()) * (ndc[2].y() - ndc[0].y())
                           - (ndc[2].x() - ndc[0].x()) * (ndc[1].y() - ndc[0].y());
        if (qAbs(det) < 1e-12) {
            continue;
        }
        const double b1 = (-ndc[0].x() * (ndc[2].y() - ndc[0].y())
                           + ndc[0].y() * (ndc[2].x() - ndc[0].x())) / det;
        const double b2 = (-ndc[0].y() * (ndc[1].x() - ndc[0].x())
                           + ndc[0].x() * (ndc[1].y() - ndc[0].y())) / det;
        const double b0 = 1 - b1 - b2;
        if (b0 < -1e-9 || b1 < -1e-9 || b2 < -1e-9) {
            continue;
        }
        const double weights[3] = {b0 / clip[0].w(), b1 / clip[1].w(), b2 / clip[2].w()};
        const double total = weights[0] + weights[1] + weights[2];
        QPointF sum;
        for (int c = 0; c < 3; ++c) {
            sum += model.Sample(mesh.texCoords + 2 * mesh.indices[k + c]) * (weights[c] / total);
        }
        sample = sum;
        return true;
    }
    return false;
}

bool Near(const QPointF& a, const QPointF& b, double tolerance)
{
    return qAbs(a.x() - b.x()) <= tolerance && qAbs(a.y() - b.y()) <= tolerance;
}

// Largest distance between the screen positions of the same vertex drawn by
// two models, each on its own mesh; infinite when too few vertices are seen.
template <typename A, typename B>
double LargestScreenGap(const A& a, const float* aPositions, const B& b,
                        const float* bPositions, int vertexCount)
{
    double gap = 0;
    int compared = 0;
    for (int i = 0; i < vertexCount; ++i) {
        const QVector4D ca = a.Clip(aPositions + 3 * i);
        const QVector4D cb = b.Clip(bPositions + 3 * i);
        // Only what lies in front of both cameras and near the viewport
        // counts; points beside the eye would magnify rounding without end.
        const QVector2D na = ca.toVector2DAffine();
        const QVector2D nb = cb.toVector2DAffine();
        if (ca.w() < 0.5f || cb.w() < 0.5f || qAbs(na.x()) > 2 || qAbs(na.y()) > 2) {
            continue;
        }
        gap = std::max(gap, double((na - nb).length()));
        ++compared;
    }
    return compared >= vertexCount / 10 ? gap : qInf();
}

} // namespace

class ProjectionGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void perspectiveCentreSamplesViewingDirection_data();
    void perspectiveCentreSamplesViewingDirection();
    void panoramaColumnSamplesItsAzimuth_data();
    void panoramaColumnSamplesItsAzimuth();
    void flatCircleIsUprightAndFramed();
    void circleMorphStartsAndEndsOnItsViews();
    void panoramaMorphStartsAndEndsOnItsViews();

private:
    PanoMeshStore m_store;
};

void ProjectionGeometryTest::initTestCase()
{
    QVERIFY(m_store.Load());
}

void ProjectionGeometryTest::perspectiveCentreSamplesViewingDirection_data()
{
    QTest::addColumn<int>("mount");
    QTest::addColumn<float>("pan");
    QTest::addColumn<float>("tilt");
    QTest::newRow("ceiling straight down") << 0 << 0.0f << -89.9f;
    QTest::newRow("ceiling 30, -45") << 0 << 30.0f << -45.0f;
    QTest::newRow("ceiling -120, -20") << 0 << -120.0f << -20.0f;
    QTest::newRow("ceiling 170, -70") << 0 << 170.0f << -70.0f;
    QTest::newRow("wall level") << 1 << 0.0f << 0.0f;
    QTest::newRow("wall 35, 20") << 1 << 35.0f << 20.0f;
    QTest::newRow("wall -60, -15") << 1 << -60.0f << -15.0f;
}

void ProjectionGeometryTest::perspectiveCentreSamplesViewingDirection()
{
    QFETCH(int, mount);
    QFETCH(float, pan);
    QFETCH(float, tilt);
    const Mesh mesh = GetMesh(m_store, 1);
    Probe<ExpandPerspective> model;
    Start(model, mesh, mount);
    model.SetAngles(pan, tilt);
    model.Frame(640, 480);
    QPointF sample;
    QVERIFY(SampleAtCentre(model, mesh, sample));
    const double p = qDegreesToRadians(double(pan));
    const double t = qDegreesToRadians(double(tilt));
    QPointF offset;
    if (mount == CModelBase::MountCeiling) {
        // Pan 0 looks toward the top of the picture, larger pans turn left;
        // tilt -90 looks along the optical axis.
        const double rho = (90.0 + tilt) / 90.0;
        offset = QPointF(-rho * std::sin(p), -rho * std::cos(p));
    } else {
        // The optical axis is level; tilt looks up the picture, pan left.
        offset = LensOffset(-std::cos(t) * std::sin(p), -std::sin(t), std::cos(t) * std::cos(p));
    }
    const QPointF expected = PictureOf(offset.x(), offset.y());
    QVERIFY2(Near(sample, expected, 1e-3),
             qPrintable(QString("sample %1,%2 expected %3,%4")
                            .arg(sample.x()).arg(sample.y()).arg(expected.x()).arg(expected.y())));
}

void ProjectionGeometryTest::panoramaColumnSamplesItsAzimuth_data()
{
    QTest::addColumn<bool>("wholeStrip");
    QTest::addColumn<float>("pan");
    QTest::newRow("strip at 0") << true << 0.0f;
    QTest::newRow("strip at 25") << true << 25.0f;
    QTest::newRow("window at -140") << false << -140.0f;
}

void ProjectionGeometryTest::panoramaColumnSamplesItsAzimuth()
{
    QFETCH(bool, wholeStrip);
    QFETCH(float, pan);
    const Mesh mesh = GetMesh(m_store, 2);
    Probe<CExpandLnglat360B> strip;
    Probe<CExpandLnglat360> window;
    CModelBase& model = wholeStrip ? static_cast<CModelBase&>(strip) : window;
    Start(strip, mesh);
    Start(window, mesh);
    model.SetAngles(pan, 0);
    strip.Frame(800, 400);
    window.Frame(800, 400);
    // Screen x to longitude: the strip shows +-pi, the 2:1 window +-2 radians.
    const double halfSpan = wholeStrip ? kPi : 2.0;
    int checked = 0;
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const QVector4D clip = wholeStrip ? strip.Clip(mesh.positions + 3 * i)
                                          : window.Clip(mesh.positions + 3 * i);
        const QPointF sample = wholeStrip ? strip.Sample(mesh.texCoords + 2 * i)
                                          : window.Sample(mesh.texCoords + 2 * i);
        const double ndcX = clip.x() / clip.w();
        const double ndcY = clip.y() / clip.w();
        if (qAbs(ndcX) > 1 || qAbs(ndcY) > 1) {
            continue;
        }
        const double u = (sample.x() * kWidth - kWidth / 2.0) / kRadius;
        const double v = (sample.y() * kHeight - kHeight / 2.0) / kRadius;
        const double rho = std::hypot(u, v);
        // Top of the view: the rim; bottom: the circle's centre.
        QVERIFY(qAbs(rho - (ndcY + 1) / 2) < 1e-4);
        if (rho < 0.05) {
            continue;
        }
        // A column at longitude l shows the direction a perspective view at
        // pan (pan - l) looks at.
        const double azimuth = qDegreesToRadians(double(pan)) - ndcX * halfSpan;
        const double error = std::remainder(std::atan2(-u, -v) - azimuth, 2 * kPi);
        QVERIFY2(qAbs(error) < 1e-3, qPrintable(QString::number(i)));
        ++checked;
    }
    QVERIFY(checked > 1000);
}

void ProjectionGeometryTest::flatCircleIsUprightAndFramed()
{
    const Mesh mesh = GetMesh(m_store, 0);
    Probe<CExpandOrigin> model;
    Start(model, mesh);
    model.Frame(800, 600); // height-limited: the view's height shows the diameter
    const double aspect = 800.0 / 600.0;
    for (int i = 0; i < mesh.vertexCount; i += 7) {
        const QVector4D clip = model.Clip(mesh.positions + 3 * i);
        const double ndcX = clip.x() / clip.w();
        const double ndcY = clip.y() / clip.w();
        const QPointF expected = PictureOf(ndcX * aspect, -ndcY);
        QVERIFY(Near(model.Sample(mesh.texCoords + 2 * i), expected, 1e-5));
    }
}

void ProjectionGeometryTest::circleMorphStartsAndEndsOnItsViews()
{
    float* frames = nullptr;
    int perFrame = 0;
    int frameCount = 0;
    QVERIFY(m_store.GetMorph(0, frames, perFrame, frameCount));
    const Mesh disk = GetMesh(m_store, 0);
    const Mesh hemisphere = GetMesh(m_store, 1);
    // A whole circle, and one cut by the picture's top and bottom edges.
    for (const QPair<int, float>& picture : {qMakePair(1200, 500.0f), qMakePair(1000, 600.0f)}) {
        const int height = picture.first;
        const float radius = picture.second;
        Probe<CTransitOrigin2Pers> transit;
        QVERIFY(transit.Init());
        QVERIFY(transit.SetSource(0, kWidth, height, radius, kWidth / 2.0f, height / 2.0f));
        transit.SetMorphData(frames, disk.texCoords, perFrame, disk.indexCount, frameCount);
        transit.SetDirection(true, true);
        transit.Start();
        transit.SetAngles(35, -55);
        transit.Frame(800, 600);
        Probe<CExpandOrigin> origin;
        QVERIFY(origin.Init());
        QVERIFY(origin.SetSource(0, kWidth, height, radius, kWidth / 2.0f, height / 2.0f));
        origin.Start();
        origin.SetAngles(35, 0);
        origin.Frame(800, 600);
        QVERIFY(LargestScreenGap(transit, transit.vertices, origin, disk.positions, perFrame) < 1e-4);
        QCOMPARE(transit.texMatrix, origin.texMatrix);

        transit.SetDirection(false, true);
        transit.SetAngles(35, -55);
        transit.Frame(800, 600);
        Probe<ExpandPerspective2> perspective;
        QVERIFY(perspective.Init());
        QVERIFY(perspective.SetSource(0, kWidth, height, radius, kWidth / 2.0f,
                                      height / 2.0f));
        perspective.Start();
        perspective.SetAngles(35, -55);
        perspective.Frame(800, 600);
        QVERIFY(LargestScreenGap(transit, transit.vertices, perspective, hemisphere.positions,
                                 perFrame) < 1e-3);
        QCOMPARE(transit.texMatrix, perspective.texMatrix);
    }
}

void ProjectionGeometryTest::panoramaMorphStartsAndEndsOnItsViews()
{
    float* frames = nullptr;
    int perFrame = 0;
    int frameCount = 0;
    QVERIFY(m_store.GetMorph(5, frames, perFrame, frameCount));
    const Mesh strip = GetMesh(m_store, 2);
    const Mesh cylinder = GetMesh(m_store, 3);
    Probe<CTransitLnglat2Cylinder> transit;
    QVERIFY(transit.Init());
    QVERIFY(transit.SetSource(0, kWidth, kHeight, float(kRadius), kWidth / 2.0f, kHeight / 2.0f));
    transit.SetMorphData(frames, strip.texCoords, perFrame, strip.indexCount, frameCount);
    transit.SetDirection(true, true);
    transit.Start();
    transit.SetAngles(50, 0);
    transit.Frame(800, 600);
    Probe<CExpandLnglat360> panorama;
    Start(panorama, strip);
    panorama.SetAngles(50, 0);
    panorama.Frame(800, 600);
    // The first frame's eye sits a fraction of a degree above level.
    QVERIFY(LargestScreenGap(transit, transit.vertices, panorama, strip.positions, perFrame) < 0.01);
    QCOMPARE(transit.texMatrix, panorama.texMatrix);

    transit.SetDirection(false, true);
    transit.Frame(800, 600);
    Probe<CExpandLnglatCylinder> drum;
    Start(drum, cylinder);
    drum.SetAngles(50, 0);
    drum.Frame(800, 600);
    QVERIFY(LargestScreenGap(transit, transit.vertices, drum, cylinder.positions, perFrame) < 1e-4);
    QCOMPARE(transit.texMatrix, drum.texMatrix);
}

QTEST_GUILESS_MAIN(ProjectionGeometryTest)
#include "ProjectionGeometryTest.moc"
