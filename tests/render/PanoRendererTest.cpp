// The render core without a GL context: start-up, the mode filter, picture
// size and circle, the rectangle mesh, input routing over slot edges, the zoom
// toggles, first-use angle spreads, the morph of modes 0 and 1 driven by Tick,
// no animation without meshes, and layout switches that allocate nothing.
// Model draws run with no program, which stops them before their first GL
// call, right after the input was applied to the camera.

#include "CExpandOrigin.h"
#include "CExpandOrigin2.h"
#include "CModelBase.h"
#include "ExpandPerspective.h"
#include "FisheyeLens.h"
#include "RendererProbe.h"
#include "ViewLayout.h"

#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> g_allocations{0};

constexpr int kViewWidth = 400;
constexpr int kViewHeight = 300;

} // namespace

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

class PanoRendererTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpEndsWithTheCircleInFront();
    void selectModeFiltersAndIgnoresRepeats();
    void pictureSizeCompletesTheDefaultCircle();
    void circleChangesBeyondTolerance();
    void rectangleMeshFollowsThePicture();
    void inputFollowsSlotEdges();
    void dragAndWheelReachTheirViews();
    void doubleClickZoomsAndReturns();
    void stripAndCircleDoNotZoom();
    void firstUseSpreadsAnglesOnce();
    void halfWayMorphReverses();
    void circlePressSteersTheSelectedPerspective();
    void noAnimationWithoutMeshes();
    void lensRewritesTheShownMeshInPlace();
    void layoutSwitchesAllocateNothing();
};

void PanoRendererTest::startUpEndsWithTheCircleInFront()
{
    RendererProbe renderer;
    QVERIFY(renderer.IsMeshLoaded());
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    // Mode 1 set the morph up, mode 0 reversed it at its first frame.
    QCOMPARE(renderer.CurrentMode(), 0);
    QCOMPARE(renderer.Front(), renderer.Model(ViewLayout::kTransitOrigin));
    renderer.Tick();
    QCOMPARE(renderer.CurrentMode(), 0);
    QCOMPARE(renderer.SlotCount(), 1);
    QCOMPARE(renderer.Front(), renderer.Model(0));
    QVERIFY(!renderer.atPerspective);
    QVERIFY(dynamic_cast<CExpandOrigin*>(renderer.Front()));
}

void PanoRendererTest::selectModeFiltersAndIgnoresRepeats()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SelectMode(14);
    renderer.SelectMode(-1);
    QCOMPARE(renderer.CurrentMode(), 0);

    // A repeated fresh request builds nothing: the pressed view keeps the
    // state a rebuild (Stop, Start) would reset.
    renderer.SelectMode(7);
    QCOMPARE(renderer.SlotCount(), 4);
    renderer.OnButton(true, 100, 100);
    QCOMPARE(renderer.Model(11)->GetState(), int(CModelBase::Running));
    renderer.SelectMode(7);
    QCOMPARE(renderer.Model(11)->GetState(), int(CModelBase::Running));
    renderer.OnButton(false, 100, 100);

    renderer.SetCircle(1, 400, 300, 290);
    renderer.SelectMode(0);
    renderer.SelectMode(7);
    QCOMPARE(renderer.CurrentMode(), 0);
    renderer.SelectMode(13);
    QCOMPARE(renderer.CurrentMode(), 13);
    renderer.SelectMode(5);
    QCOMPARE(renderer.CurrentMode(), 5);
    renderer.SelectMode(9);
    QCOMPARE(renderer.CurrentMode(), 5);
}

void PanoRendererTest::pictureSizeCompletesTheDefaultCircle()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SetPictureSize(1920, 1080);
    QCOMPARE(renderer.radius, 540.0f);
    QCOMPARE(renderer.centreX, 960.0f);
    QCOMPARE(renderer.centreY, 540.0f);
    QVERIFY(!renderer.sourceDirty);
    QVERIFY(renderer.buffersDirty);
    QVERIFY(renderer.rectMeshStale);

    // Out-of-range circles fall back to the default one.
    renderer.SetCircle(0, 100001, 500, 400);
    renderer.SetPictureSize(1920, 1080);
    QCOMPARE(renderer.centreX, 960.0f);
    QCOMPARE(renderer.radius, 540.0f);
    renderer.SetCircle(0, 500, -1, 400);
    renderer.SetPictureSize(800, 600);
    QCOMPARE(renderer.radius, 300.0f);
    QCOMPARE(renderer.centreY, 300.0f);
    // A valid circle is kept.
    renderer.SetCircle(0, 410, 290, 280);
    renderer.SetPictureSize(800, 600);
    QCOMPARE(renderer.radius, 280.0f);
    QCOMPARE(renderer.centreX, 410.0f);
}

void PanoRendererTest::circleChangesBeyondTolerance()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SetCircle(0, 2.0f, 3.0f, 1.0f);
    QVERIFY(renderer.sourceDirty && renderer.buffersDirty);
    renderer.sourceDirty = renderer.buffersDirty = false;
    renderer.SetCircle(0, 2.0f, 3.0f, 1.0f);
    QVERIFY(!renderer.sourceDirty && !renderer.buffersDirty);
    renderer.SetCircle(0, 2.0f, 3.0f, 1.0000005f);
    QVERIFY(!renderer.sourceDirty && !renderer.buffersDirty);
    QCOMPARE(renderer.radius, 1.0f);
    renderer.SetCircle(0, 2.0f, 3.0f, 1.000002f);
    QVERIFY(renderer.sourceDirty && renderer.buffersDirty);
    renderer.sourceDirty = renderer.buffersDirty = false;
    renderer.SetCircle(1, 2.0f, 3.0f, 1.000002f);
    QVERIFY(renderer.sourceDirty && renderer.buffersDirty);
    // The models receive it with the next picture.
    renderer.SetPictureSize(8, 6);
    QVERIFY(!renderer.sourceDirty);
}

void PanoRendererTest::rectangleMeshFollowsThePicture()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SetPictureSize(1280, 720);
    renderer.SelectMode(13);
    QVERIFY(!renderer.rectMeshStale);
    QCOMPARE(renderer.vertexCount, 4);
    QCOMPARE(renderer.indexCount, 6);
    const float* quad = renderer.vertices;
    QVERIFY(quad);
    QVERIFY(qAbs(quad[0] + 1.7778f) < 1e-4f && qAbs(quad[1] - 1.0f) < 1e-6f);
    QVERIFY(qAbs(quad[9] - 1.7778f) < 1e-4f && qAbs(quad[10] + 1.0f) < 1e-6f);
    // A portrait picture while the rectangle is shown rewrites it in place.
    renderer.SetPictureSize(720, 1280);
    QVERIFY(qAbs(quad[0] + 1.0f) < 1e-6f && qAbs(quad[1] - 1.7778f) < 1e-4f);
    QVERIFY(renderer.buffersDirty);
}

void PanoRendererTest::inputFollowsSlotEdges()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SelectMode(7);
    // x 200 is the shared edge: the right-hand slot has it.
    renderer.OnButton(true, 200, 100);
    QVERIFY(!renderer.Slot(0).pressed);
    QVERIFY(renderer.Slot(1).pressed && renderer.Slot(1).hover);
    QVERIFY(renderer.Model(12)->IsPressed());
    renderer.OnButton(false, 200, 100);
    QVERIFY(!renderer.Slot(1).pressed);
    QVERIFY(renderer.Slot(1).hover);
    // The top pixel row is in no slot.
    renderer.OnButton(true, 100, 0);
    for (int i = 0; i < renderer.SlotCount(); ++i) {
        QVERIFY(!renderer.Slot(i).pressed);
        QVERIFY(!renderer.Slot(i).hover);
    }
    renderer.OnButton(false, 100, 0);
    // y 150 is the shared horizontal edge (v 0.5): the upper slot has it.
    renderer.OnHover(50, 150);
    QVERIFY(renderer.Slot(0).hover);
    QVERIFY(!renderer.Slot(2).hover);
    renderer.OnHover(50, 151);
    QVERIFY(renderer.Slot(2).hover);
    QVERIFY(!renderer.Slot(0).hover);

    // Without a viewport nothing is routed.
    renderer.SetViewportSize(0, 300);
    renderer.OnButton(true, 50, 50);
    QVERIFY(!renderer.Slot(0).pressed);
}

void PanoRendererTest::dragAndWheelReachTheirViews()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SetPictureSize(800, 600);
    renderer.SelectMode(7);
    QCOMPARE(renderer.lastX, 0);
    CModelBase* pressed = renderer.Model(11);
    CModelBase* other = renderer.Model(12);
    ApplyInput(pressed, 200, 150);
    ApplyInput(other, 200, 150);
    const float panBefore = PanOf(pressed);
    const float otherBefore = PanOf(other);
    // The drag is measured from the press: 4 pixels of a 200-pixel view.
    renderer.OnButton(true, 100, 100);
    renderer.OnMove(104, 100);
    ApplyInput(pressed, 200, 150);
    ApplyInput(other, 200, 150);
    QVERIFY(qAbs(qAbs(PanOf(pressed) - panBefore) - 4.0f * 180.0f / 200.0f) < 1e-3f);
    QCOMPARE(PanOf(other), otherBefore);
    QCOMPARE(renderer.lastX, 104);
    renderer.OnButton(false, 104, 100);

    // The wheel reaches the hovered view only: a zoom-in narrows its view,
    // which limits how far it may pan toward the picture's edge.
    auto* hovered = dynamic_cast<ExpandPerspective*>(renderer.Model(14));
    QVERIFY(hovered);
    renderer.OnHover(300, 250);
    QVERIFY(renderer.Slot(3).hover);
    renderer.OnWheel(-120);
    renderer.OnWheel(-120);
    QVERIFY(!renderer.Slot(0).hover);
    float limits[4] = {};
    hovered->GetViewLimits(limits[0], limits[1], limits[2], limits[3]);
    ApplyInput(hovered, 200, 150);
    float zoomed[4] = {};
    hovered->GetViewLimits(zoomed[0], zoomed[1], zoomed[2], zoomed[3]);
    QVERIFY(zoomed[3] > limits[3]);
}

void PanoRendererTest::doubleClickZoomsAndReturns()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SelectMode(8);
    QCOMPARE(renderer.SlotCount(), 4);
    // The circle view is picked but stays in its layout.
    renderer.OnDoubleClick(100, 100);
    QCOMPARE(renderer.SlotCount(), 4);
    QCOMPARE(renderer.Slot(0).model, renderer.Model(15));
    // Slot 2 (bottom left) alone, full size.
    renderer.OnDoubleClick(100, 200);
    QCOMPARE(renderer.SlotCount(), 1);
    const ViewSlot zoomed = renderer.Slot(0);
    QCOMPARE(zoomed.model, renderer.Model(17));
    QCOMPARE(zoomed.left, 0.0f);
    QCOMPARE(zoomed.bottom, 0.0f);
    QCOMPARE(zoomed.right, 1.0f);
    QCOMPARE(zoomed.top, 1.0f);
    // Anywhere on it again: the four views are back in their places.
    renderer.OnDoubleClick(350, 50);
    QCOMPARE(renderer.SlotCount(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(renderer.Slot(i).model, renderer.Model(15 + i));
        QCOMPARE(renderer.Slot(i).left, ViewLayout::SlotRect(8, i).left);
        QCOMPARE(renderer.Slot(i).bottom, ViewLayout::SlotRect(8, i).bottom);
    }
    // The quad layout zooms any of its views, the top-left one included.
    renderer.SelectMode(7);
    renderer.OnDoubleClick(10, 10);
    QCOMPARE(renderer.SlotCount(), 1);
    QCOMPARE(renderer.Slot(0).model, renderer.Model(11));
    // A double click outside every slot (the top row) changes nothing.
    renderer.OnDoubleClick(10, 0);
    QCOMPARE(renderer.SlotCount(), 1);
}

void PanoRendererTest::stripAndCircleDoNotZoom()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SelectMode(11);
    QCOMPARE(renderer.SlotCount(), 4);
    renderer.OnDoubleClick(200, 280); // the bottom strip
    QCOMPARE(renderer.SlotCount(), 4);
    QCOMPARE(renderer.Slot(3).model, renderer.Model(30));
    renderer.OnDoubleClick(100, 100); // the circle view
    QCOMPARE(renderer.SlotCount(), 4);
    renderer.OnDoubleClick(350, 150); // the lower perspective
    QCOMPARE(renderer.SlotCount(), 1);
    QCOMPARE(renderer.Slot(0).model, renderer.Model(29));
}

void PanoRendererTest::firstUseSpreadsAnglesOnce()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.Model(20)->SetAngles(10.0f, -30.0f);
    renderer.SelectMode(9);
    const float expected[] = {82.0f, 154.0f, 226.0f, 298.0f};
    for (int k = 0; k < 4; ++k) {
        float pan = 0.0f;
        float tilt = 0.0f;
        renderer.Model(21 + k)->GetAngles(pan, tilt);
        QCOMPARE(pan, expected[k]);
        QCOMPARE(tilt, -30.0f);
    }
    QVERIFY(!renderer.firstUse[9]);
    renderer.SelectMode(0);
    renderer.Model(21)->SetAngles(5.0f, -20.0f);
    renderer.SelectMode(9);
    QCOMPARE(PanOf(renderer.Model(21)), 5.0f);
    QCOMPARE(PanOf(renderer.Model(22)), 154.0f);

    // The double panorama shows opposite halves, from the front it follows.
    renderer.SelectMode(0);
    renderer.Model(0)->SetAngles(30.0f, 0.0f);
    renderer.SelectMode(6);
    QCOMPARE(PanOf(renderer.Model(9)), 30.0f);
    QCOMPARE(PanOf(renderer.Model(10)), 210.0f);
}

void PanoRendererTest::halfWayMorphReverses()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.Tick();
    QCOMPARE(renderer.Front(), renderer.Model(0));
    CModelBase* morph = renderer.Model(ViewLayout::kTransitOrigin);
    renderer.SelectMode(1);
    QCOMPARE(renderer.Front(), morph);
    constexpr int kForwardTicks = 10;
    for (int i = 0; i < kForwardTicks; ++i) {
        renderer.Tick();
    }
    QCOMPARE(renderer.CurrentMode(), 1);
    QCOMPARE(renderer.Front(), morph);
    // Half-way, mode 0 keeps the morph in front and runs it back from where
    // it is: the circle view returns after as many frames as it went.
    renderer.SelectMode(0);
    QCOMPARE(renderer.CurrentMode(), 0);
    QCOMPARE(renderer.Front(), morph);
    int ticks = 0;
    while (renderer.Front() == morph && ticks < 100) {
        renderer.Tick();
        ++ticks;
        QCOMPARE(renderer.CurrentMode(), 0);
    }
    QCOMPARE(renderer.Front(), renderer.Model(0));
    QCOMPARE(ticks, kForwardTicks + 1);

    // And the other way round: asking for the perspective view while the
    // morph heads back to the circle turns it forward again.
    renderer.SelectMode(1);
    for (int i = 0; i < kForwardTicks; ++i) {
        renderer.Tick();
    }
    renderer.SelectMode(0);
    for (int i = 0; i < 3; ++i) {
        renderer.Tick();
    }
    renderer.SelectMode(1);
    ticks = 0;
    while (renderer.Front() == morph && ticks < 100) {
        renderer.Tick();
        ++ticks;
    }
    QCOMPARE(renderer.CurrentMode(), 1);
    QCOMPARE(renderer.Front(), renderer.Model(1));
    QVERIFY(renderer.atPerspective);
}

void PanoRendererTest::circlePressSteersTheSelectedPerspective()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SetPictureSize(800, 600);
    renderer.SelectMode(8);
    CModelBase* circle = renderer.Model(15);
    CModelBase* right = renderer.Model(16);
    // Pressing a perspective selects it; a press in the circle keeps it.
    renderer.OnButton(true, 300, 50);
    renderer.OnButton(false, 300, 50);
    QVERIFY(right->IsSelected());
    circle->SetAngles(50.0f, -40.0f);
    renderer.OnButton(true, 100, 100);
    QVERIFY(right->IsSelected());
    QVERIFY(circle->IsPressed());
    const float start = qAbs(PanOf(right) - 50.0f);
    for (int i = 0; i < 10; ++i) {
        renderer.Tick();
    }
    QVERIFY(qAbs(PanOf(right) - PanOf(circle)) < start);
    renderer.OnButton(false, 100, 100);
    // A press in another perspective moves the selection there.
    renderer.OnButton(true, 100, 200);
    QVERIFY(!right->IsSelected());
    QVERIFY(renderer.Model(17)->IsSelected());
}

void PanoRendererTest::noAnimationWithoutMeshes()
{
    RendererProbe renderer(QStringLiteral("/nonexistent/PanoDataCompress"));
    QVERIFY(!renderer.IsMeshLoaded());
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SetPictureSize(800, 600);
    CModelBase* morph = renderer.Model(ViewLayout::kTransitOrigin);
    QCOMPARE(renderer.Front(), morph);
    // Render returns before Tick (and before any GL call): the start-up
    // morph never reaches its first frame.
    for (int i = 0; i < 3; ++i) {
        renderer.Render();
    }
    QCOMPARE(renderer.Front(), morph);
    QVERIFY(!renderer.vertices);
    // The layouts are still built, with no geometry.
    renderer.SelectMode(13);
    QCOMPARE(renderer.CurrentMode(), 13);
    QCOMPARE(renderer.vertexCount, 0);
}

void PanoRendererTest::lensRewritesTheShownMeshInPlace()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SetCircle(0, 400, 300, 290);
    renderer.SetPictureSize(800, 600);
    renderer.SelectMode(7);
    const float* coords = nullptr;
    {
        float* set = nullptr;
        int count = 0;
        QVERIFY(renderer.meshStore.GetTexCoords(1, set, count));
        coords = set;
    }
    const float rim = coords[2 * (renderer.vertexCount - 1)];
    renderer.buffersDirty = false;
    const FisheyeLens lens = FisheyeLens::Make(FisheyeLens::Projection::Equidistant, 240);
    renderer.SetLens(lens);
    QCOMPARE(renderer.Lens(), lens);
    QVERIFY(renderer.buffersDirty);
    // The shown views draw from the same arrays, now for the wider lens: the
    // horizon lies at three quarters of the radius.
    QVERIFY(qAbs(coords[2 * (renderer.vertexCount - 1)] - rim * 0.75f) < 1e-5f);
    renderer.buffersDirty = false;
    renderer.SetLens(lens);
    QVERIFY(!renderer.buffersDirty);
    renderer.SetLens(FisheyeLens());
    QCOMPARE(coords[2 * (renderer.vertexCount - 1)], rim);

    // Without meshes there is nothing to rewrite: the lens stays the default.
    RendererProbe empty(QStringLiteral("/nonexistent/PanoDataCompress"));
    empty.SetLens(lens);
    QVERIFY(empty.Lens().IsDefault());
    QVERIFY(!empty.buffersDirty);
}

void PanoRendererTest::layoutSwitchesAllocateNothing()
{
    RendererProbe renderer;
    renderer.StartLikeTheView(kViewWidth, kViewHeight);
    renderer.SetPictureSize(800, 600);
    // First builds (angle spreads) once, outside the count.
    for (int mode = 0; mode < ViewLayout::kModeCount; ++mode) {
        renderer.SelectMode(mode);
    }
    const long before = g_allocations.load();
    for (int round = 0; round < 2; ++round) {
        for (int mode = ViewLayout::kModeCount - 1; mode >= 0; --mode) {
            renderer.SelectMode(mode);
            renderer.OnDoubleClick(300, 250);
            renderer.OnDoubleClick(300, 250);
            renderer.Tick();
        }
    }
    QCOMPARE(g_allocations.load() - before, 0L);
}

QTEST_GUILESS_MAIN(PanoRendererTest)
#include "PanoRendererTest.moc"
