#include "PanoRenderer.h"

#include "CExpandLnglat360.h"
#include "CExpandLnglat360B.h"
#include "CExpandLnglatCylinder.h"
#include "CExpandLnglatHori.h"
#include "CExpandLnglatVert.h"
#include "CExpandOrigin.h"
#include "CExpandOrigin2.h"
#include "CTransitLnglat2Cylinder.h"
#include "CTransitOrigin2Pers.h"
#include "ExpandPerspective.h"
#include "ExpandPerspective2.h"
#include "ExpandRectImage.h"
#include "MorphCycle.h"

#include <QMutexLocker>
#include <QOpenGLContext>
#include <QOpenGLShaderProgram>

#include <cmath>

namespace {

// Circle values outside (0, kMaxCircleValue] are replaced by the default
// circle centred in the picture.
constexpr float kMaxCircleValue = 100000.0f;
// Circle changes up to this are no change.
constexpr float kCircleTolerance = 1e-6f;
constexpr int kPositionBytes = 3 * sizeof(float);
constexpr int kTexCoordBytes = 2 * sizeof(float);
constexpr int kIndexBytes = sizeof(quint16);

void PlaceSlot(ViewSlot& slot, const ViewLayout::Rect& rect)
{
    slot.left = rect.left;
    slot.top = rect.top;
    slot.right = rect.right;
    slot.bottom = rect.bottom;
}

bool InCircleRange(float value)
{
    return value > 0.0f && value <= kMaxCircleValue;
}

template <typename Model>
std::unique_ptr<CExpandModelBase> Make()
{
    return std::make_unique<Model>();
}

} // namespace

// One layout under construction: the mode, where the call came from, the
// front view it replaces and the new slot table (a copy of the current one).
struct PanoRenderer::LayoutBuild {
    int mode;
    bool fresh;
    int previousMode;
    float pan0;
    float tilt0;
    CModelBase* oldFront;
    std::array<ViewSlot, kMaxSlots> table;
    int count;
};

PanoRenderer::PanoRenderer(QOpenGLShaderProgram* viewProgram, GLuint planeY, GLuint planeU,
                           GLuint planeV, const QString& meshFile)
    : program(viewProgram), texY(planeY), texU(planeU), texV(planeV)
{
    CreateModels();
    ResetAll();
    meshLoaded = meshFile.isEmpty() ? meshStore.Load() : meshStore.LoadFile(meshFile);
}

PanoRenderer::~PanoRenderer()
{
    ResetAll();
    QMutexLocker param(&paramLock);
    buffers.Release();
}

void PanoRenderer::CreateModels()
{
    using Factory = std::unique_ptr<CExpandModelBase> (*)();
    const Factory pers = Make<ExpandPerspective>;
    const Factory flat2 = Make<CExpandOrigin2>;
    const Factory pano = Make<CExpandLnglat360>;
    const Factory kTable[kModelCount] = {
        Make<CExpandOrigin>, Make<ExpandPerspective2>, pers, pers, Make<CExpandLnglat360B>, pano, // 0-5
        Make<CExpandLnglatCylinder>, Make<CExpandLnglatHori>, Make<CExpandLnglatVert>,          // 6-8
        pano, pano, pers, pers, pers, pers, flat2, pers, pers, pers,                            // 9-18
        flat2, pers, pers, pers, pers, pers, flat2, pers, flat2, pers, pers,                    // 19-29
        Make<CExpandLnglat360B>, pano, Make<ExpandRectImage>,                                   // 30-32
    };
    for (int i = 0; i < kModelCount; ++i) {
        models[i] = kTable[i]();
    }
    // The double panorama's halves show opposite half circles.
    for (int half : {9, 10}) {
        static_cast<CExpandLnglat360*>(models[half].get())->SetSpanDegrees(180.0f);
    }
    transitOrigin = std::make_unique<CTransitOrigin2Pers>();
    transitCylinder = std::make_unique<CTransitLnglat2Cylinder>();
}

// Every Reset (and so every Init) clears a model's border flag: the flags are
// applied again after each.
void PanoRenderer::ApplyBorders()
{
    // The perspective sub-views, the double panorama and the strip under two
    // perspectives draw a border.
    static const int kBordered[] = {2,  3,  9,  10, 11, 12, 13, 14, 16, 17,
                                    18, 20, 21, 22, 23, 24, 26, 28, 29, 30};
    for (int i = 0; i < kAllModels; ++i) {
        Model(i)->SetFrameBorder(false);
    }
    for (int index : kBordered) {
        models[index]->SetFrameBorder(true);
    }
}

CModelBase* PanoRenderer::Model(int index) const
{
    if (index >= 0 && index < kModelCount) {
        return models[index].get();
    }
    return Transit(index);
}

CTransitModelBase* PanoRenderer::Transit(int target) const
{
    if (target == ViewLayout::kTransitOrigin) {
        return transitOrigin.get();
    }
    if (target == ViewLayout::kTransitCylinder) {
        return transitCylinder.get();
    }
    return nullptr;
}

void PanoRenderer::ResetAll()
{
    QMutexLocker layout(&layoutLock);
    QMutexLocker param(&paramLock);
    for (int i = 0; i < kAllModels; ++i) {
        Model(i)->Reset();
    }
    ApplyBorders();
    firstUse.fill(true);
    viewSlots.fill(ViewSlot{});
    slotCount = 0;
    atPerspective = true;
    rectMeshStale = false;
    vertices = texCoords = nullptr;
    indices = nullptr;
    vertexCount = indexCount = 0;
    lastX = lastY = 0;
}

bool PanoRenderer::InitModels()
{
    ResetAll();
    for (int i = 0; i < kAllModels; ++i) {
        Model(i)->Init();
    }
    ApplyBorders();
    {
        QMutexLocker layout(&layoutLock);
        QMutexLocker param(&paramLock);
        SetCurrentMesh({0, 0, 0});
        currentMode = -1;
        slotCount = 0;
        viewSlots.fill(ViewSlot{});
    }
    SetViewMode(ViewLayout::ViewOrigin, true);
    return true;
}

void PanoRenderer::InitGLFunctions()
{
    initializeOpenGLFunctions();
    buffers.InitGLFunctions();
    for (int i = 0; i < kAllModels; ++i) {
        Model(i)->initializeOpenGLFunctions();
    }
}

void PanoRenderer::SetUseBuffers(bool on)
{
    QMutexLocker param(&paramLock);
    useBuffers = on;
}

void PanoRenderer::SelectMode(int mode)
{
    int mount = 0;
    {
        QMutexLocker param(&paramLock);
        mount = mountType;
    }
    if (ViewLayout::AcceptsMount(mode, mount)) {
        SetViewMode(mode, true);
    }
}

void PanoRenderer::SetViewportSize(int width, int height)
{
    QMutexLocker param(&paramLock);
    viewportWidth = width;
    viewportHeight = height;
}

void PanoRenderer::SetPixelRatio(float ratio)
{
    if (!(ratio > 0.0f)) {
        return;
    }
    QMutexLocker param(&paramLock);
    pixelRatio = ratio;
}

void PanoRenderer::SetPictureSize(int width, int height)
{
    QMutexLocker param(&paramLock);
    const bool changed = width != pictureWidth || height != pictureHeight;
    pictureWidth = width;
    pictureHeight = height;
    if (!InCircleRange(radius) || !InCircleRange(centreX) || !InCircleRange(centreY)) {
        radius = static_cast<float>(std::min(width, height)) * 0.5f;
        centreX = static_cast<float>(width) * 0.5f;
        centreY = static_cast<float>(height) * 0.5f;
        sourceDirty = buffersDirty = true;
    }
    if (changed) {
        sourceDirty = buffersDirty = rectMeshStale = true;
        if (meshLoaded) {
            BuildRectMesh(width, height);
        }
    }
    if (!sourceDirty) {
        return;
    }
    sourceDirty = false;
    for (int i = 0; i < kAllModels; ++i) {
        Model(i)->SetSource(mountType, pictureWidth, pictureHeight, radius, centreX, centreY);
    }
}

void PanoRenderer::SetCircle(int newMountType, float newCentreX, float newCentreY, float newRadius)
{
    QMutexLocker param(&paramLock);
    const bool differs = newMountType != mountType
                         || std::fabs(newCentreX - centreX) > kCircleTolerance
                         || std::fabs(newCentreY - centreY) > kCircleTolerance
                         || std::fabs(newRadius - radius) > kCircleTolerance;
    if (!differs) {
        return;
    }
    mountType = newMountType;
    centreX = newCentreX;
    centreY = newCentreY;
    radius = newRadius;
    buffersDirty = sourceDirty = true;
}

void PanoRenderer::SetLens(const FisheyeLens& lens)
{
    QMutexLocker param(&paramLock);
    if (lens == meshStore.Lens() || !meshStore.ApplyLens(lens)) {
        return;
    }
    // The models keep their pointers into the store; the buffers are refilled
    // from the rewritten coordinates, and no earlier upload of them counts.
    buffersDirty = true;
    buffers.NoteMeshesRewritten();
}

// Caller holds paramLock.
void PanoRenderer::BuildRectMesh(int width, int height)
{
    ViewLayout::WriteRectMesh(meshStore, width, height);
    buffers.NoteMeshesRewritten();
}

void PanoRenderer::SetViewMode(int mode, bool fresh)
{
    if (!ViewLayout::IsMode(mode)) {
        return;
    }
    QMutexLocker layout(&layoutLock);
    if (fresh && mode == currentMode) {
        return;
    }
    LayoutBuild build{mode, fresh, currentMode, 0.0f, 0.0f, nullptr, viewSlots, 0};
    if (slotCount > 0) {
        build.oldFront = viewSlots[0].model;
        build.oldFront->GetAngles(build.pan0, build.tilt0);
    }
    ApplyMeshes(mode);
    BuildLayout(build);
    for (int i = 0; i < slotCount; ++i) {
        viewSlots[i].model->Stop();
    }
    currentMode = mode;
    // A new layout is drawn before anything counts as at rest.
    stillTicks = 0;
    slotCount = build.count;
    viewSlots = build.table;
    for (int i = 0; i < slotCount; ++i) {
        viewSlots[i].model->Start();
    }
    QMutexLocker param(&paramLock);
    buffersDirty = true;
}

void PanoRenderer::BuildLayout(LayoutBuild& build)
{
    switch (build.mode) {
    case ViewLayout::ViewOrigin:
    case ViewLayout::ViewPerspective:
    case ViewLayout::ViewPanoramaCylinder:
        BuildMorphPair(build);
        break;
    case ViewLayout::ViewDoublePanorama:
        BuildDoublePanorama(build);
        break;
    case ViewLayout::ViewStripTwoPerspectives:
    case ViewLayout::ViewQuadPerspective:
    case ViewLayout::ViewOriginThreePerspectives:
    case ViewLayout::ViewOriginFivePerspectives:
    case ViewLayout::ViewOriginOnePerspective:
    case ViewLayout::ViewOriginTwoPerspectivesStrip:
        BuildMultiView(build);
        break;
    default:
        BuildSingle(build);
        break;
    }
}

// Caller holds layoutLock.
void PanoRenderer::ApplyMeshes(int mode)
{
    const ViewLayout::MeshUse* uses = nullptr;
    const int count = ViewLayout::MeshUses(mode, uses);
    for (int i = 0; i < count; ++i) {
        const ViewLayout::MeshUse& use = uses[i];
        float* coords = nullptr;
        int coordCount = 0;
        quint16* order = nullptr;
        int orderCount = 0;
        meshStore.GetTexCoords(use.texCoords, coords, coordCount);
        meshStore.GetIndices(use.indices, order, orderCount);
        float* positions = nullptr;
        int positionCount = 0;
        if (use.morph) {
            int frames = 0;
            meshStore.GetMorph(use.positions, positions, positionCount, frames);
            Transit(use.target)->SetMorphData(positions, coords, positionCount, orderCount, frames);
        } else {
            meshStore.GetPositions(use.positions, positions, positionCount);
            models[use.target]->SetMeshData(positions, coords, positionCount, orderCount);
        }
    }
    QMutexLocker param(&paramLock);
    if (mode == ViewLayout::ViewRectangle && rectMeshStale) {
        if (meshLoaded) {
            BuildRectMesh(pictureWidth, pictureHeight);
        }
        rectMeshStale = false;
    }
    SetCurrentMesh(ViewLayout::CurrentMesh(mode));
}

// Caller holds paramLock.
void PanoRenderer::SetCurrentMesh(const ViewLayout::MeshSets& sets)
{
    float* positions = nullptr;
    float* coords = nullptr;
    quint16* order = nullptr;
    int positionCount = 0;
    int coordCount = 0;
    int orderCount = 0;
    meshStore.GetPositions(sets.positions, positions, positionCount);
    meshStore.GetTexCoords(sets.texCoords, coords, coordCount);
    meshStore.GetIndices(sets.indices, order, orderCount);
    vertices = positions;
    texCoords = coords;
    indices = order;
    vertexCount = positionCount;
    indexCount = orderCount;
}

void PanoRenderer::BuildMorphPair(LayoutBuild& build)
{
    const bool cylinder = build.mode == ViewLayout::ViewPanoramaCylinder;
    // Modes 0 and 1 share flag 1; mode 3 has its own.
    const int flag = cylinder ? ViewLayout::ViewPanoramaCylinder : ViewLayout::ViewPerspective;
    const MorphCycle::Switch change{build.mode, build.oldFront, firstUse[flag],
                                    ViewLayout::HandsOnAngles(build.previousMode), build.pan0,
                                    build.tilt0};
    firstUse[flag] = false;
    const MorphCycle::Pair pair =
        cylinder ? MorphCycle::Pair{models[5].get(), models[6].get(), transitCylinder.get()}
                 : MorphCycle::Pair{models[0].get(), models[1].get(), transitOrigin.get()};
    build.table[0].model = MorphCycle::Apply(change, pair, atPerspective);
    PlaceSlot(build.table[0], ViewLayout::FullView());
    build.count = 1;
}

void PanoRenderer::BuildMultiView(LayoutBuild& build)
{
    if (!build.fresh && ZoomToggle(build)) {
        return;
    }
    FillFullLayout(build);
    const int mode = build.mode;
    if (firstUse[mode]) {
        firstUse[mode] = false;
        SpreadFirstUse(mode, build.pan0, build.tilt0);
    }
    int first = 0;
    int last = -1;
    ViewLayout::OutlineModels(mode, first, last);
    for (int index = first; index <= last; ++index) {
        models[index]->SetShowOutline(true);
    }
}

// A double click toggles between the full layout and the picked view alone.
// True when the layout is decided here.
bool PanoRenderer::ZoomToggle(LayoutBuild& build)
{
    if (slotCount == 1) {
        return false;
    }
    int first = 0;
    int last = -1;
    ViewLayout::ZoomCandidates(build.mode, slotCount, first, last);
    for (int i = first; i <= last; ++i) {
        CModelBase* model = build.table[i].model;
        if (model && model->IsPicked()) {
            build.table[0] = build.table[i];
            PlaceSlot(build.table[0], ViewLayout::FullView());
            build.count = 1;
            if (ViewLayout::ZoomHidesOutline(build.mode)) {
                model->SetShowOutline(false);
            }
            return true;
        }
    }
    // The quad layout has no view that stays: without a picked view it is empty.
    return build.mode == ViewLayout::ViewQuadPerspective;
}

void PanoRenderer::FillFullLayout(LayoutBuild& build)
{
    build.count = ViewLayout::SlotCount(build.mode);
    for (int i = 0; i < build.count; ++i) {
        build.table[i].model = models[ViewLayout::SlotModel(build.mode, i)].get();
        PlaceSlot(build.table[i], ViewLayout::SlotRect(build.mode, i));
    }
}

void PanoRenderer::SpreadFirstUse(int mode, float pan0, float tilt0)
{
    if (mode == ViewLayout::ViewStripTwoPerspectives) {
        models[2]->SetAngles(pan0, tilt0);
        models[3]->SetAngles(pan0 + 180.0f, tilt0);
        models[4]->SetAngles(pan0, tilt0);
        return;
    }
    ViewLayout::Spread spread{};
    if (!ViewLayout::FirstUseSpread(mode, spread)) {
        return;
    }
    float pan = 0.0f;
    float tilt = 0.0f;
    models[spread.reference]->GetAngles(pan, tilt);
    for (int k = 0; k < spread.count; ++k) {
        models[spread.first + k]->SetAngles(pan + spread.stepDegrees * float(k + 1), tilt);
    }
}

void PanoRenderer::BuildDoublePanorama(LayoutBuild& build)
{
    FillFullLayout(build);
    CModelBase* upper = models[9].get();
    CModelBase* lower = models[10].get();
    float pan = build.pan0;
    float tilt = build.tilt0;
    // From the circle pair or the panorama pair the upper half takes over
    // the front's angles; otherwise it keeps its own.
    if (build.previousMode >= ViewLayout::ViewOrigin
        && build.previousMode <= ViewLayout::ViewPanoramaCylinder) {
        upper->SetAngles(pan, tilt);
    } else {
        upper->GetAngles(pan, tilt);
    }
    lower->SetAngles(pan + 180.0f, tilt);
    if (firstUse[ViewLayout::ViewDoublePanorama]) {
        firstUse[ViewLayout::ViewDoublePanorama] = false;
        upper->GetAngles(pan, tilt);
        lower->SetAngles(pan + 180.0f, tilt);
    }
}

void PanoRenderer::BuildSingle(LayoutBuild& build)
{
    FillFullLayout(build);
    if (build.mode == ViewLayout::ViewPanorama) {
        firstUse[ViewLayout::ViewPanoramaCylinder] = false;
        if (build.oldFront && ViewLayout::HandsOnAngles(build.previousMode)) {
            float pan = 0.0f;
            float tilt = 0.0f;
            build.oldFront->GetAngles(pan, tilt);
            build.table[0].model->SetAngles(pan, tilt);
        }
    } else if (build.mode == ViewLayout::ViewRectangle) {
        firstUse[ViewLayout::ViewRectangle] = false;
    }
}

void PanoRenderer::Render()
{
    if (!meshLoaded) {
        return;
    }
    if (animationNow) {
        Advance(animationNow());
    } else {
        if (!animationTimer.isValid()) {
            animationTimer.start();
        }
        Advance(animationTimer.elapsed());
    }
    QMutexLocker layout(&layoutLock);
    QSize viewport;
    {
        QMutexLocker param(&paramLock);
        if (useBuffers) {
            if (!EnsureBuffers()) {
                return;
            }
            if (buffersDirty) {
                RefillBuffers();
            }
        }
        buffersDirty = false;
        // The framebuffer has the view's size in device pixels.
        viewport = QSize(qRound(float(viewportWidth) * pixelRatio),
                         qRound(float(viewportHeight) * pixelRatio));
    }
    glViewport(viewportX, viewportY, viewport.width(), viewport.height());
    DrawSlots(viewport);
}

// Caller holds layoutLock. The models draw into the buffers under paramLock,
// which guards them.
void PanoRenderer::DrawSlots(const QSize& viewport)
{
    QMutexLocker param(&paramLock);
    const MeshBuffers::Mesh mesh = CurrentMesh();
    for (int i = 0; i < slotCount; ++i) {
        const ViewSlot& slot = viewSlots[i];
        const ViewLayout::PixelRect place = ViewLayout::SlotPixels(
            {slot.left, slot.top, slot.right, slot.bottom}, viewport.width(), viewport.height());
        const int x = viewportX + place.x;
        const int y = viewportY + place.y;
        if (useBuffers) {
            // Each model's mesh is uploaded only when it changed.
            slot.model->DrawPlaced(x, y, place.width, place.height, program, texY, texU, texV,
                                   buffers);
        } else {
            slot.model->DrawArrays(true, x, y, place.width, place.height, program, texY, texU,
                                   texV, mesh.vertices, mesh.vertexCount * kPositionBytes,
                                   mesh.texCoords, mesh.vertexCount * kTexCoordBytes,
                                   mesh.indices, mesh.indexCount * kIndexBytes);
        }
    }
}

void PanoRenderer::Tick()
{
    int mode = -1;
    int frontState = CModelBase::Idle;
    std::array<CModelBase::Pose, kMaxSlots> before{};
    std::array<const CModelBase*, kMaxSlots> shownBefore{};
    {
        QMutexLocker layout(&layoutLock);
        for (int i = 0; i < slotCount; ++i) {
            before[i] = viewSlots[i].model->CurrentPose();
            shownBefore[i] = viewSlots[i].model;
        }
        for (int i = 0; i < slotCount; ++i) {
            const int state = viewSlots[i].model->Animate();
            if (i == 0) {
                frontState = state;
            }
        }
        mode = currentMode;
        if (slotCount == 0) {
            return;
        }
        if (ViewLayout::LinksSelection(mode) && slotCount > 1) {
            LinkSelection();
        }
        if (mode == ViewLayout::ViewDoublePanorama && slotCount == 2) {
            LinkHalves();
        }
    }
    if (mode == ViewLayout::ViewOrigin || mode == ViewLayout::ViewPerspective) {
        if (frontState == CModelBase::TransitEnd || frontState == CModelBase::LeaveRequest) {
            SetViewMode(ViewLayout::ViewPerspective, false);
        } else if (frontState == CModelBase::TransitStart) {
            SetViewMode(ViewLayout::ViewOrigin, false);
        }
    } else if (mode == ViewLayout::ViewPanoramaCylinder) {
        if (frontState == CModelBase::TransitEnd || frontState == CModelBase::TransitStart
            || frontState == CModelBase::LeaveRequest) {
            SetViewMode(ViewLayout::ViewPanoramaCylinder, false);
        }
    }
    NoteMotion(before, shownBefore);
}

// The circle view shows where the selected perspective looks; dragging in
// the circle view steers it. Caller holds layoutLock.
void PanoRenderer::LinkSelection()
{
    CModelBase* circle = viewSlots[0].model;
    CModelBase* selected = nullptr;
    for (int i = 1; i < slotCount && !selected; ++i) {
        if (viewSlots[i].model->IsSelected()) {
            selected = viewSlots[i].model;
        }
    }
    if (!selected) {
        circle->SetRegion(false, nullptr, 0);
        return;
    }
    const float* points = nullptr;
    int count = 0;
    selected->GetOutline(points, count);
    circle->SetRegion(true, points, count);
    if (circle->IsPressed()) {
        float pan = 0.0f;
        float tilt = 0.0f;
        circle->GetAngles(pan, tilt);
        selected->SetTarget(true, pan, tilt);
    }
}

// Caller holds paramLock.
MeshBuffers::Mesh PanoRenderer::CurrentMesh() const
{
    return {vertices, texCoords, indices, vertexCount, indexCount};
}

// Caller holds paramLock.
bool PanoRenderer::EnsureBuffers()
{
    return buffers.Ensure(CurrentMesh());
}

// Caller holds paramLock.
void PanoRenderer::RefillBuffers()
{
    buffers.Refill(CurrentMesh());
}

QSize PanoRenderer::ViewportSize() const
{
    QMutexLocker param(&paramLock);
    return QSize(viewportWidth, viewportHeight);
}
