// The layout tables and their geometry without GL: every layout tiles the
// view, slot edges, the pixel rectangles of a viewport, the wall-mount
// filter, the picture rectangle, and the meshes each layout hands out against
// the generated mesh store.

#include "PanoMeshStore.h"
#include "ViewLayout.h"

#include <QtTest>

#include <vector>

namespace {

// The slots of a mode's full layout that contain (u, v).
std::vector<int> SlotsAt(int mode, float u, float v)
{
    std::vector<int> hits;
    for (int slot = 0; slot < ViewLayout::SlotCount(mode); ++slot) {
        if (ViewLayout::Contains(ViewLayout::SlotRect(mode, slot), u, v)) {
            hits.push_back(slot);
        }
    }
    return hits;
}

} // namespace

class ViewLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void everyPointBelongsToOneSlot();
    void edgesBelongToTheRightAndUpperSlot();
    void slotPixelsTruncate();
    void slotPixelsTileEveryViewport();
    void wallMountOffersFiveLayouts();
    void rectangleMeshFollowsThePictureAspect();
    void layoutMeshesFitTheirBuffers();
};

void ViewLayoutTest::everyPointBelongsToOneSlot()
{
    constexpr int kSteps = 97;
    for (int mode = 0; mode < ViewLayout::kModeCount; ++mode) {
        QVERIFY(ViewLayout::SlotCount(mode) >= 1);
        QVERIFY(ViewLayout::SlotCount(mode) <= ViewLayout::kMaxSlots);
        for (int i = 0; i < kSteps; ++i) {
            for (int j = 0; j < kSteps; ++j) {
                const float u = float(i) / kSteps;
                const float v = float(j) / kSteps;
                QVERIFY2(SlotsAt(mode, u, v).size() == 1,
                         qPrintable(QStringLiteral("mode %1 at (%2, %3)").arg(mode).arg(u).arg(v)));
            }
        }
    }
}

void ViewLayoutTest::edgesBelongToTheRightAndUpperSlot()
{
    const int quad = ViewLayout::ViewQuadPerspective;
    // The shared vertical edge belongs to the right-hand slot, the shared
    // horizontal edge to the upper one (bottom edges are inside).
    QCOMPARE(SlotsAt(quad, 0.5f, 0.75f), std::vector<int>{1});
    QCOMPARE(SlotsAt(quad, 0.25f, 0.5f), std::vector<int>{0});
    QCOMPARE(SlotsAt(quad, 0.0f, 0.0f), std::vector<int>{2});
    // The view's top row (v = 1) and right column (u = 1) are in no slot.
    QVERIFY(SlotsAt(quad, 0.25f, 1.0f).empty());
    QVERIFY(SlotsAt(quad, 1.0f, 0.25f).empty());
    // The single-precision 0.66 is the edge, not two thirds.
    const int five = ViewLayout::ViewOriginFivePerspectives;
    QCOMPARE(SlotsAt(five, 0.66f, 0.9f), std::vector<int>{1});
    QCOMPARE(SlotsAt(five, 0.665f, 0.9f), std::vector<int>{1});
    QCOMPARE(SlotsAt(five, 0.6599f, 0.9f), std::vector<int>{0});
}

void ViewLayoutTest::slotPixelsTruncate()
{
    const ViewLayout::PixelRect place = ViewLayout::SlotPixels({0.5f, 1.0f, 1.0f, 0.4f}, 1001, 601);
    QCOMPARE(place.x, 500);
    QCOMPARE(place.y, 240);
    QCOMPARE(place.width, 501);
    QCOMPARE(place.height, 361);
    // A slot too small for a pixel keeps its place with no size.
    const ViewLayout::PixelRect tiny = ViewLayout::SlotPixels({0.5f, 0.5f, 0.5f, 0.5f}, 1, 1);
    QCOMPARE(tiny.width, 0);
    QCOMPARE(tiny.height, 0);
}

void ViewLayoutTest::slotPixelsTileEveryViewport()
{
    const QSize sizes[] = {{1001, 601}, {640, 480}, {333, 97}, {1920, 1080}, {3, 2}};
    for (const QSize& size : sizes) {
        for (int mode = 0; mode < ViewLayout::kModeCount; ++mode) {
            std::vector<int> covered(size_t(size.width() * size.height()), 0);
            for (int slot = 0; slot < ViewLayout::SlotCount(mode); ++slot) {
                const ViewLayout::PixelRect place =
                    ViewLayout::SlotPixels(ViewLayout::SlotRect(mode, slot), size.width(), size.height());
                QVERIFY(place.x >= 0 && place.y >= 0);
                QVERIFY(place.x + place.width <= size.width());
                QVERIFY(place.y + place.height <= size.height());
                for (int y = place.y; y < place.y + place.height; ++y) {
                    for (int x = place.x; x < place.x + place.width; ++x) {
                        ++covered[size_t(y * size.width() + x)];
                    }
                }
            }
            const bool tiled = std::all_of(covered.begin(), covered.end(), [](int n) { return n == 1; });
            QVERIFY2(tiled, qPrintable(QStringLiteral("mode %1 in %2 x %3")
                                           .arg(mode).arg(size.width()).arg(size.height())));
        }
    }
}

void ViewLayoutTest::wallMountOffersFiveLayouts()
{
    QList<int> wall;
    for (int mode = -1; mode <= ViewLayout::kModeCount; ++mode) {
        if (ViewLayout::AcceptsMount(mode, 1)) {
            wall << mode;
        }
        // Any non-zero mount type is a wall mount.
        QCOMPARE(ViewLayout::AcceptsMount(mode, 7), ViewLayout::AcceptsMount(mode, 1));
        QCOMPARE(ViewLayout::AcceptsMount(mode, 0), mode >= 0 && mode < ViewLayout::kModeCount);
    }
    QCOMPARE(wall, (QList<int>{0, 1, 4, 5, 13}));
}

void ViewLayoutTest::rectangleMeshFollowsThePictureAspect()
{
    float positions[12] = {};
    float texCoords[8] = {};
    quint16 indices[6] = {};
    QVERIFY(ViewLayout::FillRectMesh(1280, 720, positions, texCoords, indices));
    QCOMPARE(positions[0], -1280.0f / 720.0f);
    QCOMPARE(positions[1], 1.0f);
    QCOMPARE(positions[9], 1280.0f / 720.0f);
    QCOMPARE(positions[10], -1.0f);
    QVERIFY(qAbs(positions[3] - 1.7778f) < 1e-4f);
    // Texture (0, 1) at the top left, (1, 0) at the bottom right; two
    // triangles covering the quad.
    QCOMPARE(texCoords[0], 0.0f);
    QCOMPARE(texCoords[1], 1.0f);
    QCOMPARE(texCoords[6], 1.0f);
    QCOMPARE(texCoords[7], 0.0f);
    QCOMPARE(QList<quint16>(indices, indices + 6), (QList<quint16>{0, 1, 3, 0, 3, 2}));

    QVERIFY(ViewLayout::FillRectMesh(720, 1280, positions, texCoords, indices));
    QCOMPARE(positions[0], -1.0f);
    QCOMPARE(positions[1], 1280.0f / 720.0f);

    // No size: nothing written, no division by zero.
    positions[0] = 42.0f;
    QVERIFY(!ViewLayout::FillRectMesh(1280, 0, positions, texCoords, indices));
    QVERIFY(!ViewLayout::FillRectMesh(0, 720, positions, texCoords, indices));
    QCOMPARE(positions[0], 42.0f);
}

// Every model draw overwrites the beginning of the GPU buffers filled from the
// layout's current mesh and draws with its index list, so each mesh of a
// layout must have no more vertices than the current mesh and the same index
// count; and every mesh must exist in the generated store.
void ViewLayoutTest::layoutMeshesFitTheirBuffers()
{
    PanoMeshStore store;
    QVERIFY(store.Load());
    for (int mode = 0; mode < ViewLayout::kModeCount; ++mode) {
        const ViewLayout::MeshSets current = ViewLayout::CurrentMesh(mode);
        float* points = nullptr;
        float* coords = nullptr;
        quint16* order = nullptr;
        int currentVertices = 0;
        int coordVertices = 0;
        int currentIndices = 0;
        QVERIFY(store.GetPositions(current.positions, points, currentVertices));
        QVERIFY(store.GetTexCoords(current.texCoords, coords, coordVertices));
        QVERIFY(store.GetIndices(current.indices, order, currentIndices));
        QCOMPARE(coordVertices, currentVertices);
        const ViewLayout::MeshUse* uses = nullptr;
        const int count = ViewLayout::MeshUses(mode, uses);
        QVERIFY(count >= 1);
        for (int i = 0; i < count; ++i) {
            int vertices = 0;
            int frames = 0;
            int indices = 0;
            if (uses[i].morph) {
                QVERIFY(store.GetMorph(uses[i].positions, points, vertices, frames));
                QVERIFY(frames > 1);
            } else {
                QVERIFY(store.GetPositions(uses[i].positions, points, vertices));
            }
            QVERIFY(store.GetTexCoords(uses[i].texCoords, coords, coordVertices));
            QVERIFY(store.GetIndices(uses[i].indices, order, indices));
            QVERIFY2(vertices <= currentVertices && vertices == coordVertices,
                     qPrintable(QStringLiteral("mode %1 mesh %2").arg(mode).arg(i)));
            QCOMPARE(indices, currentIndices);
        }
    }
}

QTEST_GUILESS_MAIN(ViewLayoutTest)
#include "ViewLayoutTest.moc"
