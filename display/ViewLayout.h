#pragma once

#include <QtGlobal>

class PanoMeshStore;

// The fourteen layouts of the render core as data and geometry, free of GL and
// of model state: which model sits in which rectangle of the view, which mesh
// sets each layout hands to its models, which views a double click may zoom,
// how the sub-views' angles are spread the first time, the pixel rectangle of
// a slot and the rectangle mesh of a picture. Model numbers are indices into
// the render core's table of 33 expansion models; the two transition models
// have the numbers kTransitOrigin and kTransitCylinder here.
class ViewLayout
{
public:
    enum ViewMode : int {
        ViewOrigin = 0,
        ViewPerspective = 1,
        ViewStripTwoPerspectives = 2,
        ViewPanoramaCylinder = 3,
        ViewHorizontal = 4,
        ViewVertical = 5,
        ViewDoublePanorama = 6,
        ViewQuadPerspective = 7,
        ViewOriginThreePerspectives = 8,
        ViewOriginFivePerspectives = 9,
        ViewOriginOnePerspective = 10,
        ViewOriginTwoPerspectivesStrip = 11,
        ViewPanorama = 12,
        ViewRectangle = 13,
    };
    static constexpr int kModeCount = 14;
    static constexpr int kMaxSlots = 9;
    static constexpr int kExpansionModelCount = 33;
    static constexpr int kTransitOrigin = 33;
    static constexpr int kTransitCylinder = 34;
    // The slot of a morph pair (modes 0, 1 and 3) whose model the render
    // core chooses at each switch.
    static constexpr int kChosenModel = -1;

    // Fractions of the viewport, y from the bottom edge.
    struct Rect {
        float left;
        float top;
        float right;
        float bottom;
    };
    // GL viewport pixels, y from the bottom edge.
    struct PixelRect {
        int x;
        int y;
        int width;
        int height;
    };
    // Mesh-store numbers of one model's mesh in a layout: positions (a set,
    // or a morph sequence when morph is set), texture coordinates and the
    // set whose index count applies.
    struct MeshUse {
        int target;
        int positions;
        int texCoords;
        int indices;
        bool morph;
    };
    struct MeshSets {
        int positions;
        int texCoords;
        int indices;
    };
    // First use of a layout: models first .. first + count - 1 get the pan of
    // the reference model plus one, two, ... steps, and its tilt.
    struct Spread {
        int reference;
        int first;
        int count;
        float stepDegrees;
    };

    static bool IsMode(int mode);
    // A wall mount only offers the layouts that suit a cut circle.
    static bool AcceptsMount(int mode, int mountType);
    // Layouts whose views a double click shows alone and back (2, 7 to 11).
    static bool HasZoomToggle(int mode);
    // Layouts whose circle view shows and steers the selected perspective.
    static bool LinksSelection(int mode);
    // Layouts in which a press in the circle view keeps the selection.
    static bool KeepsSelectionOnCircle(int mode);
    // Layouts whose front angles the morph pairs and the panoramas take over.
    static bool HandsOnAngles(int previousMode);

    // The full layout of a mode: slot count, model and rectangle per slot.
    static int SlotCount(int mode);
    static int SlotModel(int mode, int slot);
    static Rect SlotRect(int mode, int slot);
    static Rect FullView();

    // Left and bottom edges inside, right and top edges outside.
    static bool Contains(const Rect& rect, float u, float v);
    // The slot's part of a viewport, products in single precision truncated
    // toward zero.
    static PixelRect SlotPixels(const Rect& rect, int viewportWidth, int viewportHeight);

    // Slots (inclusive range) among which a zoom toggle looks for a picked
    // view in a layout of count slots; false when the mode has no toggle.
    static bool ZoomCandidates(int mode, int count, int& first, int& last);
    // Whether the zoomed view's outline is switched off (all but mode 7).
    static bool ZoomHidesOutline(int mode);
    static bool FirstUseSpread(int mode, Spread& spread);
    // Models (inclusive range) whose outline the full layout shows.
    static bool OutlineModels(int mode, int& first, int& last);

    // The meshes a layout hands out, and the mesh its GPU buffers hold.
    static int MeshUses(int mode, const MeshUse*& uses);
    static MeshSets CurrentMesh(int mode);

    // The picture rectangle at the picture's aspect, centred, the shorter
    // side spanning -1..1: 4 positions (x, y, z), 4 texture coordinates and
    // 6 indices. False, writing nothing, for a size that is not positive.
    static bool FillRectMesh(int width, int height, float* positions, float* texCoords,
                             quint16* indices);
    // The same written over the rectangle set of a loaded store, which must
    // hold at least 4 vertices and 6 indices; false when nothing was written.
    static bool WriteRectMesh(PanoMeshStore& store, int width, int height);
};
