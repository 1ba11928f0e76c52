#include "ViewLayout.h"

#include "PanoMeshStore.h"

namespace {

using Rect = ViewLayout::Rect;
using MeshUse = ViewLayout::MeshUse;

constexpr float kThird = 0.33f;
constexpr float kTwoThirds = 0.66f;
constexpr Rect kFull{0.0f, 1.0f, 1.0f, 0.0f};

struct SlotDef {
    int model;
    Rect rect;
};

struct ModeDef {
    int count;
    SlotDef slots[6];
};

constexpr int kChosen = ViewLayout::kChosenModel;

const ModeDef kModes[ViewLayout::kModeCount] = {
    {1, {{kChosen, kFull}}},
    {1, {{kChosen, kFull}}},
    {3, {{4, {0.0f, 0.4f, 1.0f, 0.0f}}, {3, {0.5f, 1.0f, 1.0f, 0.4f}}, {2, {0.0f, 1.0f, 0.5f, 0.4f}}}},
    {1, {{kChosen, kFull}}},
    {1, {{7, kFull}}},
    {1, {{8, kFull}}},
    {2, {{9, {0.0f, 1.0f, 1.0f, 0.5f}}, {10, {0.0f, 0.5f, 1.0f, 0.0f}}}},
    {4,
     {{11, {0.0f, 1.0f, 0.5f, 0.5f}},
      {12, {0.5f, 1.0f, 1.0f, 0.5f}},
      {13, {0.0f, 0.5f, 0.5f, 0.0f}},
      {14, {0.5f, 0.5f, 1.0f, 0.0f}}}},
    {4,
     {{15, {0.0f, 1.0f, 0.5f, 0.5f}},
      {16, {0.5f, 1.0f, 1.0f, 0.5f}},
      {17, {0.0f, 0.5f, 0.5f, 0.0f}},
      {18, {0.5f, 0.5f, 1.0f, 0.0f}}}},
    {6,
     {{19, {0.0f, 1.0f, kTwoThirds, kThird}},
      {20, {kTwoThirds, 1.0f, 1.0f, kTwoThirds}},
      {21, {kTwoThirds, kTwoThirds, 1.0f, kThird}},
      {22, {kTwoThirds, kThird, 1.0f, 0.0f}},
      {23, {kThird, kThird, kTwoThirds, 0.0f}},
      {24, {0.0f, kThird, kThird, 0.0f}}}},
    {2, {{25, {0.0f, 1.0f, 1.0f, 0.5f}}, {26, {0.0f, 0.5f, 1.0f, 0.0f}}}},
    {4,
     {{27, {0.0f, 1.0f, kTwoThirds, kThird}},
      {28, {kTwoThirds, 1.0f, 1.0f, kTwoThirds}},
      {29, {kTwoThirds, kTwoThirds, 1.0f, kThird}},
      {30, {0.0f, kThird, 1.0f, 0.0f}}}},
    {1, {{31, kFull}}},
    {1, {{32, kFull}}},
};

// Mesh-store numbers: sets 0 disk, 1 hemisphere, 2 strip, 3 cylinder, 4 and 5
// the horizontal and vertical expansions, 6 the picture rectangle; morphs 0
// disk to hemisphere and 5 strip to cylinder.
constexpr int kDisk = 0;
constexpr int kHemisphere = 1;
constexpr int kStrip = 2;
constexpr int kCylinder = 3;
constexpr int kHorizontal = 4;
constexpr int kVertical = 5;
constexpr int kRectangle = 6;
constexpr int kDiskMorph = 0;
constexpr int kStripMorph = 5;
constexpr int kTransitOrigin = ViewLayout::kTransitOrigin;
constexpr int kTransitCylinder = ViewLayout::kTransitCylinder;

const MeshUse kMode0[] = {{0, kDisk, kDisk, kDisk, false}};
const MeshUse kMode1[] = {{kTransitOrigin, kDiskMorph, kDisk, kDisk, true},
                          {1, kHemisphere, kDisk, kDisk, false}};
const MeshUse kMode2[] = {{2, kHemisphere, kHemisphere, kDisk, false},
                          {3, kHemisphere, kHemisphere, kDisk, false},
                          {4, kStrip, kStrip, kDisk, false}};
const MeshUse kMode3[] = {{kTransitCylinder, kStripMorph, kStrip, kDisk, true},
                          {5, kStrip, kStrip, kDisk, false},
                          {6, kCylinder, kStrip, kDisk, false}};
const MeshUse kMode4[] = {{7, kHorizontal, kHorizontal, kHorizontal, false}};
const MeshUse kMode5[] = {{8, kVertical, kVertical, kVertical, false}};
const MeshUse kMode6[] = {{9, kStrip, kStrip, kDisk, false}, {10, kStrip, kStrip, kDisk, false}};
const MeshUse kMode7[] = {{11, kHemisphere, kHemisphere, kDisk, false},
                          {12, kHemisphere, kHemisphere, kDisk, false},
                          {13, kHemisphere, kHemisphere, kDisk, false},
                          {14, kHemisphere, kHemisphere, kDisk, false}};
const MeshUse kMode8[] = {{15, kDisk, kDisk, kDisk, false},
                          {16, kHemisphere, kHemisphere, kDisk, false},
                          {17, kHemisphere, kHemisphere, kDisk, false},
                          {18, kHemisphere, kHemisphere, kDisk, false}};
const MeshUse kMode9[] = {{19, kDisk, kDisk, kDisk, false},
                          {20, kHemisphere, kHemisphere, kDisk, false},
                          {21, kHemisphere, kHemisphere, kDisk, false},
                          {22, kHemisphere, kHemisphere, kDisk, false},
                          {23, kHemisphere, kHemisphere, kDisk, false},
                          {24, kHemisphere, kHemisphere, kDisk, false}};
const MeshUse kMode10[] = {{25, kDisk, kDisk, kDisk, false},
                           {26, kHemisphere, kHemisphere, kDisk, false}};
const MeshUse kMode11[] = {{27, kDisk, kDisk, kDisk, false},
                           {28, kHemisphere, kHemisphere, kDisk, false},
                           {29, kHemisphere, kHemisphere, kDisk, false},
                           {30, kStrip, kStrip, kDisk, false}};
const MeshUse kMode12[] = {{31, kStrip, kStrip, kDisk, false}};
const MeshUse kMode13[] = {{32, kRectangle, kRectangle, kRectangle, false}};

struct ModeMeshes {
    const MeshUse* uses;
    int count;
    ViewLayout::MeshSets current;
};

template <int N>
constexpr ModeMeshes Meshes(const MeshUse (&uses)[N], ViewLayout::MeshSets current)
{
    return {uses, N, current};
}

const ModeMeshes kMeshes[ViewLayout::kModeCount] = {
    Meshes(kMode0, {kDisk, kDisk, kDisk}),
    Meshes(kMode1, {kHemisphere, kDisk, kDisk}),
    Meshes(kMode2, {kStrip, kStrip, kDisk}),
    Meshes(kMode3, {kCylinder, kStrip, kDisk}),
    Meshes(kMode4, {kHorizontal, kHorizontal, kHorizontal}),
    Meshes(kMode5, {kVertical, kVertical, kVertical}),
    Meshes(kMode6, {kStrip, kStrip, kDisk}),
    Meshes(kMode7, {kHemisphere, kHemisphere, kDisk}),
    Meshes(kMode8, {kHemisphere, kHemisphere, kDisk}),
    Meshes(kMode9, {kHemisphere, kHemisphere, kDisk}),
    Meshes(kMode10, {kHemisphere, kHemisphere, kDisk}),
    Meshes(kMode11, {kStrip, kStrip, kDisk}),
    Meshes(kMode12, {kStrip, kStrip, kDisk}),
    Meshes(kMode13, {kRectangle, kRectangle, kRectangle}),
};

} // namespace

bool ViewLayout::IsMode(int mode)
{
    return mode >= 0 && mode < kModeCount;
}

bool ViewLayout::AcceptsMount(int mode, int mountType)
{
    if (!IsMode(mode)) {
        return false;
    }
    if (mountType == 0) {
        return true;
    }
    return mode == ViewOrigin || mode == ViewPerspective || mode == ViewHorizontal
           || mode == ViewVertical || mode == ViewRectangle;
}

bool ViewLayout::HasZoomToggle(int mode)
{
    return mode == ViewStripTwoPerspectives
           || (mode >= ViewQuadPerspective && mode <= ViewOriginTwoPerspectivesStrip);
}

bool ViewLayout::LinksSelection(int mode)
{
    return mode >= ViewOriginThreePerspectives && mode <= ViewOriginTwoPerspectivesStrip;
}

bool ViewLayout::KeepsSelectionOnCircle(int mode)
{
    return mode == ViewStripTwoPerspectives || LinksSelection(mode);
}

bool ViewLayout::HandsOnAngles(int previousMode)
{
    return previousMode == ViewOrigin || previousMode == ViewPerspective
           || previousMode == ViewPanoramaCylinder || previousMode == ViewDoublePanorama
           || previousMode == ViewPanorama;
}

int ViewLayout::SlotCount(int mode)
{
    return IsMode(mode) ? kModes[mode].count : 0;
}

int ViewLayout::SlotModel(int mode, int slot)
{
    if (slot < 0 || slot >= SlotCount(mode)) {
        return kChosenModel;
    }
    return kModes[mode].slots[slot].model;
}

ViewLayout::Rect ViewLayout::SlotRect(int mode, int slot)
{
    if (slot < 0 || slot >= SlotCount(mode)) {
        return kFull;
    }
    return kModes[mode].slots[slot].rect;
}

ViewLayout::Rect ViewLayout::FullView()
{
    return kFull;
}

bool ViewLayout::Contains(const Rect& rect, float u, float v)
{
    return rect.left <= u && u < rect.right && rect.bottom <= v && v < rect.top;
}

ViewLayout::PixelRect ViewLayout::SlotPixels(const Rect& rect, int viewportWidth, int viewportHeight)
{
    const float width = static_cast<float>(viewportWidth);
    const float height = static_cast<float>(viewportHeight);
    const int x0 = static_cast<int>(rect.left * width);
    const int y0 = static_cast<int>(height * rect.bottom);
    const int x1 = static_cast<int>(rect.right * width);
    const int y1 = static_cast<int>(rect.top * height);
    return {x0, y0, x1 - x0, y1 - y0};
}

bool ViewLayout::ZoomCandidates(int mode, int count, int& first, int& last)
{
    if (!HasZoomToggle(mode)) {
        return false;
    }
    if (mode == ViewQuadPerspective) {
        first = 0;
        last = count - 1;
    } else if (mode == ViewOriginTwoPerspectivesStrip) {
        // Neither the circle view nor the bottom strip can be zoomed.
        first = 1;
        last = count - 2;
    } else {
        first = 1;
        last = count - 1;
    }
    return true;
}

bool ViewLayout::ZoomHidesOutline(int mode)
{
    return mode != ViewQuadPerspective;
}

bool ViewLayout::FirstUseSpread(int mode, Spread& spread)
{
    switch (mode) {
    case ViewQuadPerspective:
        spread = {11, 12, 3, 90.0f};
        return true;
    case ViewOriginThreePerspectives:
        spread = {16, 17, 2, 90.0f};
        return true;
    case ViewOriginFivePerspectives:
        spread = {20, 21, 4, 72.0f};
        return true;
    case ViewOriginTwoPerspectivesStrip:
        spread = {28, 29, 1, 180.0f};
        return true;
    default:
        return false;
    }
}

bool ViewLayout::OutlineModels(int mode, int& first, int& last)
{
    switch (mode) {
    case ViewStripTwoPerspectives:
        first = 2;
        last = 3;
        return true;
    case ViewOriginThreePerspectives:
        first = 16;
        last = 18;
        return true;
    case ViewOriginFivePerspectives:
        first = 20;
        last = 24;
        return true;
    case ViewOriginOnePerspective:
        first = last = 26;
        return true;
    case ViewOriginTwoPerspectivesStrip:
        first = 28;
        last = 29;
        return true;
    default:
        return false;
    }
}

int ViewLayout::MeshUses(int mode, const MeshUse*& uses)
{
    if (!IsMode(mode)) {
        uses = nullptr;
        return 0;
    }
    uses = kMeshes[mode].uses;
    return kMeshes[mode].count;
}

ViewLayout::MeshSets ViewLayout::CurrentMesh(int mode)
{
    return IsMode(mode) ? kMeshes[mode].current : MeshSets{kDisk, kDisk, kDisk};
}

bool ViewLayout::FillRectMesh(int width, int height, float* positions, float* texCoords,
                              quint16* indices)
{
    if (width <= 0 || height <= 0) {
        return false;
    }
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    const float sx = aspect > 1.0f ? aspect : 1.0f;
    const float sy = aspect > 1.0f ? 1.0f : 1.0f / aspect;
    const float quad[12] = {-sx, sy, 0.0f, sx, sy, 0.0f, -sx, -sy, 0.0f, sx, -sy, 0.0f};
    const float coords[8] = {0.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f};
    const quint16 order[6] = {0, 1, 3, 0, 3, 2};
    for (int i = 0; i < 12; ++i) {
        positions[i] = quad[i];
    }
    for (int i = 0; i < 8; ++i) {
        texCoords[i] = coords[i];
    }
    for (int i = 0; i < 6; ++i) {
        indices[i] = order[i];
    }
    return true;
}

bool ViewLayout::WriteRectMesh(PanoMeshStore& store, int width, int height)
{
    float* positions = nullptr;
    float* coords = nullptr;
    quint16* order = nullptr;
    int positionCount = 0;
    int coordCount = 0;
    int orderCount = 0;
    if (!store.GetPositions(kRectangle, positions, positionCount)
        || !store.GetTexCoords(kRectangle, coords, coordCount)
        || !store.GetIndices(kRectangle, order, orderCount)) {
        return false;
    }
    constexpr int kQuadVertices = 4;
    constexpr int kQuadIndices = 6;
    if (positionCount < kQuadVertices || coordCount < kQuadVertices || orderCount < kQuadIndices) {
        return false;
    }
    return FillRectMesh(width, height, positions, coords, order);
}
