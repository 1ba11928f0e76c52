// The mesh store's parser on well-formed, truncated and malformed input, and
// the rules the generated meshes must follow for the models and layouts.

#include "PanoMeshStore.h"

#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

void AppendInt(QByteArray& out, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void AppendFloats(QByteArray& out, std::initializer_list<float> values)
{
    for (const float value : values) {
        char bytes[4];
        qToLittleEndian(value, bytes);
        out.append(bytes, 4);
    }
}

void AppendShorts(QByteArray& out, std::initializer_list<quint16> values)
{
    for (const quint16 value : values) {
        char bytes[2];
        qToLittleEndian(value, bytes);
        out.append(bytes, 2);
    }
}

// One triangle set and one morph of two frames, optionally with more sets or
// morphs declared than are present.
QByteArray SmallFile(qint32 declaredSets = 1, qint32 declaredMorphs = 1, quint16 lastIndex = 2)
{
    QByteArray out;
    AppendInt(out, declaredSets);
    AppendInt(out, 3);
    AppendFloats(out, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    AppendFloats(out, {0, 0, 1, 0, 0, 1});
    AppendInt(out, 3);
    AppendShorts(out, {0, 1, lastIndex});
    AppendInt(out, declaredMorphs);
    AppendInt(out, 3);
    AppendInt(out, 2);
    AppendFloats(out, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1});
    return out;
}

struct MeshView {
    float* positions = nullptr;
    float* texCoords = nullptr;
    quint16* indices = nullptr;
    int vertexCount = 0;
    int indexCount = 0;
};

MeshView GetSet(PanoMeshStore& store, int set)
{
    MeshView view;
    int texCount = 0;
    store.GetPositions(set, view.positions, view.vertexCount);
    store.GetTexCoords(set, view.texCoords, texCount);
    store.GetIndices(set, view.indices, view.indexCount);
    return view;
}

float Distance(const float* a, const float* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1])
                     + (a[2] - b[2]) * (a[2] - b[2]));
}

} // namespace

class MeshStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parsesWellFormedFile();
    void everyTruncationFails();
    void rejectsMalformedTables_data();
    void rejectsMalformedTables();
    void rejectsBrokenCompression();
    void gettersLeaveOutputsWhileNotLoaded();
    void sharedGridSets();
    void diskAndHemisphereFollowTheEquidistantLens();
    void stripAndCylinderSpans();
    void expansionsSpanAndMapTheLens();
    void morphsStartAndEndOnTheirMeshes();
    void layoutsFitTheirCurrentMesh();
    void cylinderDrawsBackBeforeFront();

private:
    PanoMeshStore m_store;
};

void MeshStoreTest::initTestCase()
{
    QVERIFY(m_store.Load());
}

void MeshStoreTest::parsesWellFormedFile()
{
    PanoMeshStore store;
    QVERIFY(store.LoadCompressed(qCompress(SmallFile())));
    float* positions = nullptr;
    int count = 0;
    QVERIFY(store.GetPositions(0, positions, count));
    QCOMPARE(count, 3);
    QCOMPARE(positions[3], 1.0f);
    quint16* indices = nullptr;
    QVERIFY(store.GetIndices(0, indices, count));
    QCOMPARE(count, 3);
    QCOMPARE(indices[2], quint16(2));
    float* frames = nullptr;
    int frameCount = 0;
    QVERIFY(store.GetMorph(0, frames, count, frameCount));
    QCOMPARE(count, 3);
    QCOMPARE(frameCount, 2);
    QCOMPARE(frames[17], 1.0f);
    QVERIFY(!store.GetPositions(7, positions, count));
}

void MeshStoreTest::everyTruncationFails()
{
    const QByteArray full = SmallFile();
    for (int length = 0; length < full.size(); ++length) {
        PanoMeshStore store;
        QVERIFY2(!store.Parse(full.left(length)), qPrintable(QString::number(length)));
        QVERIFY(!store.IsLoaded());
    }
}

void MeshStoreTest::rejectsMalformedTables_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("8 sets") << SmallFile(8);
    QTest::newRow("negative sets") << SmallFile(-1);
    QTest::newRow("7 morphs") << SmallFile(1, 7);
    QTest::newRow("index past the vertices") << SmallFile(1, 1, 3);
    QTest::newRow("trailing bytes") << SmallFile() + QByteArray(1, 'x');
    QByteArray huge;
    AppendInt(huge, 1);
    AppendInt(huge, 70000);
    QTest::newRow("more vertices than 16-bit indices reach") << huge;
    QByteArray negative;
    AppendInt(negative, 1);
    AppendInt(negative, -4);
    QTest::newRow("negative vertex count") << negative;
}

void MeshStoreTest::rejectsMalformedTables()
{
    QFETCH(QByteArray, data);
    PanoMeshStore store;
    QVERIFY(!store.Parse(data));
}

void MeshStoreTest::rejectsBrokenCompression()
{
    PanoMeshStore store;
    QByteArray broken = qCompress(SmallFile());
    broken.chop(8);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("qUncompress"));
    QVERIFY(!store.LoadCompressed(broken));
    QVERIFY(!store.LoadFile(QStringLiteral("/nonexistent/mesh")));
}

void MeshStoreTest::gettersLeaveOutputsWhileNotLoaded()
{
    PanoMeshStore store;
    QVERIFY(store.Parse(SmallFile()));
    QVERIFY(!store.Parse(SmallFile().left(20))); // a failed reload unloads
    float sentinel = 0;
    float* positions = &sentinel;
    int count = -7;
    int frames = -7;
    QVERIFY(!store.GetPositions(0, positions, count));
    QVERIFY(!store.GetTexCoords(0, positions, count));
    QVERIFY(!store.GetMorph(0, positions, count, frames));
    quint16* indices = nullptr;
    QVERIFY(!store.GetIndices(0, indices, count));
    QCOMPARE(positions, &sentinel);
    QCOMPARE(count, -7);
    QCOMPARE(frames, -7);
    QVERIFY(indices == nullptr);
}

void MeshStoreTest::sharedGridSets()
{
    const MeshView disk = GetSet(m_store, 0);
    QVERIFY(disk.vertexCount > 0 && disk.indexCount > 0);
    QCOMPARE(disk.indexCount % 3, 0);
    for (int set = 1; set <= 3; ++set) {
        QCOMPARE(GetSet(m_store, set).vertexCount, disk.vertexCount);
    }
    // The perspective views also draw with the disk's coordinates, and the
    // cylinder with the strip's.
    const MeshView hemisphere = GetSet(m_store, 1);
    const MeshView strip = GetSet(m_store, 2);
    const MeshView cylinder = GetSet(m_store, 3);
    for (int k = 0; k < 2 * disk.vertexCount; ++k) {
        QCOMPARE(hemisphere.texCoords[k], disk.texCoords[k]);
        QCOMPARE(cylinder.texCoords[k], strip.texCoords[k]);
    }
}

void MeshStoreTest::diskAndHemisphereFollowTheEquidistantLens()
{
    const MeshView disk = GetSet(m_store, 0);
    const MeshView hemisphere = GetSet(m_store, 1);
    float maxRadius = 0;
    for (int i = 0; i < disk.vertexCount; ++i) {
        const float* p = disk.positions + 3 * i;
        const float* t = disk.texCoords + 2 * i;
        QCOMPARE(p[2], 0.0f);
        QVERIFY(qAbs(t[0] - p[0] / 100) < 1e-5f && qAbs(t[1] - p[1] / 100) < 1e-5f);
        maxRadius = std::max(maxRadius, std::hypot(p[0], p[1]));

        const float* h = hemisphere.positions + 3 * i;
        QVERIFY(qAbs(std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]) - 100) < 1e-3f);
        QVERIFY(h[2] >= -1e-4f);
        // Polar angle theta lands at theta / (pi / 2) from the centre, along
        // the vertex's azimuth.
        const double theta = std::acos(std::clamp(h[2] / 100.0, -1.0, 1.0));
        const double lateral = std::hypot(h[0], h[1]);
        const double expectU = lateral > 1e-6 ? theta / (kPi / 2) * h[0] / lateral : 0.0;
        const double expectV = lateral > 1e-6 ? theta / (kPi / 2) * h[1] / lateral : 0.0;
        QVERIFY2(qAbs(t[0] - expectU) < 1e-4 && qAbs(t[1] - expectV) < 1e-4,
                 qPrintable(QString::number(i)));
    }
    QVERIFY(qAbs(maxRadius - 100) < 1e-3f);
}

void MeshStoreTest::stripAndCylinderSpans()
{
    const MeshView strip = GetSet(m_store, 2);
    const MeshView cylinder = GetSet(m_store, 3);
    float minX = 0;
    float maxX = 0;
    float minY = 0;
    float maxY = 0;
    for (int i = 0; i < strip.vertexCount; ++i) {
        const float* p = strip.positions + 3 * i;
        const float* t = strip.texCoords + 2 * i;
        minX = std::min(minX, p[0]);
        maxX = std::max(maxX, p[0]);
        minY = std::min(minY, p[1]);
        maxY = std::max(maxY, p[1]);
        QCOMPARE(p[2], 0.0f);
        const double rho = std::hypot(t[0], t[1]);
        QVERIFY(rho <= 1.0 + 1e-6);
        if (rho > 1e-3) {
            // Longitude runs linearly along x, 100 units per radian; the
            // strip's front (x = 0) samples the direction opposite to +u.
            const double longitude = std::atan2(-t[1], -t[0]);
            const double expected = p[0] / 100.0;
            const double wrapped = std::remainder(longitude - expected, 2 * kPi);
            QVERIFY2(qAbs(wrapped) < 1e-4, qPrintable(QString::number(i)));
        }
        const float* c = cylinder.positions + 3 * i;
        QVERIFY(qAbs(std::hypot(c[0], c[1]) - 100) < 1e-3);
        QCOMPARE(c[2], p[1]); // rows run along the cylinder's axis
        if (qAbs(p[0]) < 300) {
            QVERIFY(qAbs(std::atan2(c[0], c[1]) - p[0] / 100.0) < 1e-4);
        }
    }
    QVERIFY(qAbs(minX + 314.15927f) < 1e-3f && qAbs(maxX - 314.15927f) < 1e-3f);
    QCOMPARE(minY, -100.0f);
    QCOMPARE(maxY, 100.0f);
}

void MeshStoreTest::expansionsSpanAndMapTheLens()
{
    for (int set = 4; set <= 5; ++set) {
        const MeshView expansion = GetSet(m_store, set);
        QVERIFY(expansion.vertexCount > 4);
        int corners = 0;
        for (int i = 0; i < expansion.vertexCount; ++i) {
            const float* p = expansion.positions + 3 * i;
            const float* t = expansion.texCoords + 2 * i;
            QVERIFY(qAbs(p[0]) <= 100 && qAbs(p[1]) <= 100);
            QVERIFY(std::hypot(t[0], t[1]) <= 1.0 + 1e-6);
            corners += qAbs(p[0]) == 100 && qAbs(p[1]) == 100;
            // The middle row (horizontal) or column (vertical) is the lens's
            // horizon line: 90 degrees of longitude reach the rim.
            const float along = set == 4 ? p[0] : p[1];
            const float across = set == 4 ? p[1] : p[0];
            if (across == 0) {
                const float tAlong = set == 4 ? t[0] : t[1];
                const float tAcross = set == 4 ? t[1] : t[0];
                QVERIFY(qAbs(tAlong - along / 100) < 1e-5f);
                QVERIFY(qAbs(tAcross) < 1e-6f);
            }
        }
        QCOMPARE(corners, 4);
    }
    const MeshView rectangle = GetSet(m_store, 6);
    QCOMPARE(rectangle.vertexCount, 4);
    QCOMPARE(rectangle.indexCount, 6);
}

void MeshStoreTest::morphsStartAndEndOnTheirMeshes()
{
    const MeshView disk = GetSet(m_store, 0);
    const MeshView hemisphere = GetSet(m_store, 1);
    const MeshView strip = GetSet(m_store, 2);
    const MeshView cylinder = GetSet(m_store, 3);
    float* frames = nullptr;
    int perFrame = 0;
    int frameCount = 0;
    QVERIFY(m_store.GetMorph(0, frames, perFrame, frameCount));
    QCOMPARE(perFrame, disk.vertexCount);
    QVERIFY(frameCount >= 2);
    const float* last = frames + size_t(frameCount - 1) * perFrame * 3;
    for (int k = 0; k < perFrame * 3; ++k) {
        QCOMPARE(frames[k], disk.positions[k]);
        QCOMPARE(last[k], hemisphere.positions[k]);
    }
    QVERIFY(m_store.GetMorph(5, frames, perFrame, frameCount));
    QCOMPARE(perFrame, strip.vertexCount);
    last = frames + size_t(frameCount - 1) * perFrame * 3;
    for (int i = 0; i < perFrame; ++i) {
        // The first frame is the strip stood upright for the level camera.
        const float* first = frames + 3 * i;
        const float* s = strip.positions + 3 * i;
        QCOMPARE(first[0], s[0]);
        QCOMPARE(first[1], 0.0f);
        QCOMPARE(first[2], s[1]);
        QCOMPARE(Distance(last + 3 * i, cylinder.positions + 3 * i), 0.0f);
    }
    // Neighbouring frames differ by a fraction of the shape change.
    for (int frame = 1; frame < frameCount; ++frame) {
        const float* a = frames + size_t(frame - 1) * perFrame * 3;
        const float* b = a + perFrame * 3;
        QVERIFY(Distance(a, b) < 40.0f);
    }
}

void MeshStoreTest::layoutsFitTheirCurrentMesh()
{
    // Per layout: the mesh sets its models draw (positions; a negative entry
    // names a morph) and the set whose arrays fill the GPU buffers.
    struct Layout {
        int mode;
        std::vector<int> drawn;
        int current;
    };
    const std::vector<Layout> layouts = {
        {0, {0}, 0},       {1, {-1, 1}, 1}, {2, {1, 2}, 2}, {3, {-6, 2, 3}, 3},
        {4, {4}, 4},       {5, {5}, 5},     {6, {2}, 2},    {7, {1}, 1},
        {8, {0, 1}, 1},    {9, {0, 1}, 1},  {10, {0, 1}, 1}, {11, {0, 1, 2}, 2},
        {12, {2}, 2},      {13, {6}, 6},
    };
    for (const Layout& layout : layouts) {
        const int capacity = GetSet(m_store, layout.current).vertexCount;
        for (const int mesh : layout.drawn) {
            int count = 0;
            if (mesh >= 0) {
                count = GetSet(m_store, mesh).vertexCount;
            } else {
                float* frames = nullptr;
                int frameCount = 0;
                QVERIFY(m_store.GetMorph(-mesh - 1, frames, count, frameCount));
            }
            QVERIFY2(count <= capacity, qPrintable(QString("mode %1").arg(layout.mode)));
        }
    }
}

void MeshStoreTest::cylinderDrawsBackBeforeFront()
{
    // The cylinder camera never moves and draws without a depth buffer, so
    // every triangle facing away from it must come before any facing it.
    const MeshView disk = GetSet(m_store, 0);
    const MeshView cylinder = GetSet(m_store, 3);
    const QVector3D eye(0, 346.41f, -200.0f); // the ceiling camera in mesh coordinates
    bool seenFront = false;
    int backAfterFront = 0;
    for (int k = 0; k + 2 < disk.indexCount; k += 3) {
        const float* a = cylinder.positions + 3 * disk.indices[k];
        const float* b = cylinder.positions + 3 * disk.indices[k + 1];
        const float* c = cylinder.positions + 3 * disk.indices[k + 2];
        const QVector3D pa(a[0], a[1], a[2]);
        const QVector3D centroid = (pa + QVector3D(b[0], b[1], b[2]) + QVector3D(c[0], c[1], c[2])) / 3;
        const QVector3D outward(centroid.x(), centroid.y(), 0);
        const bool front = QVector3D::dotProduct(outward, eye - centroid) > 0;
        seenFront = seenFront || front;
        backAfterFront += seenFront && !front;
    }
    QVERIFY(seenFront);
    QCOMPARE(backAfterFront, 0);
}

QTEST_GUILESS_MAIN(MeshStoreTest)
#include "MeshStoreTest.moc"
