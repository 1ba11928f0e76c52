#pragma once

#include "AnimationClock.h"
#include "CModelBase.h"
#include "MeshBuffers.h"
#include "PanoMeshStore.h"
#include "ViewLayout.h"
#include "ViewSlot.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QOpenGLFunctions>
#include <QSize>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class CExpandModelBase;
class CTransitLnglat2Cylinder;
class CTransitModelBase;
class CTransitOrigin2Pers;
class QOpenGLShaderProgram;

// The render core of the dewarped display. It owns one instance of every
// dewarp model it can show (33 expansion models, two transition models), the
// mesh store and three GPU buffers; it lays the models out in one of fourteen
// layouts (ViewLayout), routes the view's mouse input to the models under the
// pointer, advances their animation once per paint and draws each slot's
// model into its part of the viewport with the view's YUV textures and shader
// program.
//
// Threads: GUI thread only (the view's slots, paint and events). Locks, in
// the order they are taken:
//   1. layoutLock - the slot table, the current mode and the mode switches;
//   2. paramLock  - picture size, circle, lens (the mesh store's texture
//                   coordinates), viewport, SetSource, the current mesh and
//                   the GPU buffers; held while the models draw, since they
//                   place their meshes in the buffers.
// Neither is recursive. SetViewMode takes layoutLock itself and must be
// entered without it; Tick therefore runs before Render takes layoutLock.
//
// Coordinates of the input operations are view pixels with y downward.
class PanoRenderer : protected QOpenGLFunctions
{
public:
    static constexpr int kModelCount = ViewLayout::kExpansionModelCount;
    // The expansion models and the two transition models.
    static constexpr int kAllModels = kModelCount + 2;
    static constexpr int kMaxSlots = ViewLayout::kMaxSlots;

    // program and the three plane textures are the view's and stay its own.
    // The meshes come from the built-in resource, or from meshFile when one
    // is named (a file of the same format).
    PanoRenderer(QOpenGLShaderProgram* program, GLuint texY, GLuint texU, GLuint texV,
                 const QString& meshFile = QString());
    // With the view's GL context current, so that the GPU buffers go too.
    ~PanoRenderer();
    PanoRenderer(const PanoRenderer&) = delete;
    PanoRenderer& operator=(const PanoRenderer&) = delete;

    // Resets and initialises every model and shows mode 0.
    bool InitModels();
    // Needs the view's context current.
    void InitGLFunctions();
    // A wall mount accepts modes 0, 1, 4, 5 and 13 only; other and unknown
    // modes are ignored.
    void SelectMode(int mode);
    // Builds a layout; fresh is false for a re-evaluation of the current or
    // the linked mode (animation end, double click).
    void SetViewMode(int mode, bool fresh);
    // View pixels, the unit of the input operations.
    void SetViewportSize(int width, int height);
    // Device pixels per view pixel: the slots are drawn at the framebuffer's
    // resolution. 1 by default; values not above 0 are ignored.
    void SetPixelRatio(float ratio);
    // Every new picture; completes the models' set-up after SetCircle.
    void SetPictureSize(int width, int height);
    // Stored when it differs; the models receive it with the next picture.
    void SetCircle(int mountType, float centreX, float centreY, float radius);
    // Draws through GPU buffers (true) or client arrays.
    void SetUseBuffers(bool on);
    // The lens of the fisheye picture: the meshes' texture coordinates are
    // rewritten in place for it, so the next paint shows it. The default
    // lens until set; without a loaded mesh store it stays the default.
    void SetLens(const FisheyeLens& lens);
    FisheyeLens Lens() const
    {
        QMutexLocker param(&paramLock);
        return meshStore.Lens();
    }

    // One paint: the animation ticks due (Advance on the render core's own
    // clock), then every slot drawn. Needs the context current and the view's
    // textures holding the picture.
    void Render();
    // Runs the animation ticks due at nowMs (monotonic milliseconds, see
    // AnimationClock), so that every animation keeps its speed whatever the
    // paint rate. After a rest the first call steps once.
    void Advance(qint64 nowMs);
    // Where Render reads the time, monotonic milliseconds; by default an
    // elapsed timer of its own. Tests give a clock they step themselves.
    void SetAnimationClock(std::function<qint64()> nowMs) { animationNow = std::move(nowMs); }
    // One animation step of the shown models and the mode switches their
    // states ask for.
    void Tick();
    // True when no shown view would move without new input: the view need not
    // repaint until input or a new picture comes.
    bool IsAtRest() const;

    // The slow automatic rotation of the shown panorama and perspective
    // views; a press, drag or wheel on a view stops it there.
    void SetCruise(bool on);
    bool IsCruising() const;
    // The layout has a view that can cruise.
    bool CanCruise() const;

    void OnButton(bool down, int x, int y);
    void OnHover(int x, int y);
    void OnMove(int x, int y);
    // A large jump of the pointer: every shown model is marked as moved.
    void MarkMoved(int dx, int dy);
    static constexpr int kWheelDeltaPerNotch = 120;
    // delta as Qt reports it, kWheelDeltaPerNotch per notch; touchpads send
    // fractions. Reaches the views pressed or under the pointer.
    void OnWheel(int delta);
    void OnDoubleClick(int x, int y);

    // Keyboard steering of one view: the one chosen with SelectNextView until
    // the pointer moves, else the one under the pointer, else the selected
    // one, else the first. Left and Right turn it by kKeyPanDegrees, Up and
    // Down tilt a perspective view by kKeyTiltDegrees (or scroll a zoomed-in
    // panorama as far as that drag would), the zoom steps are a wheel notch.
    enum class KeyStep { Left, Right, Up, Down, ZoomIn, ZoomOut };
    static constexpr float kKeyPanDegrees = 5.0f;
    static constexpr float kKeyTiltDegrees = 3.0f;
    void StepByKey(KeyStep step);
    // Selects the next view of the layout (wrapping) for the keys.
    void SelectNextView();

    int CurrentMode() const
    {
        QMutexLocker layout(&layoutLock);
        return currentMode;
    }
    int SlotCount() const
    {
        QMutexLocker layout(&layoutLock);
        return slotCount;
    }
    ViewSlot Slot(int index) const
    {
        QMutexLocker layout(&layoutLock);
        return index >= 0 && index < slotCount ? viewSlots[index] : ViewSlot{};
    }
    bool IsMeshLoaded() const { return meshLoaded; }
    // Models 0 to 32 of the table, then ViewLayout::kTransitOrigin and
    // kTransitCylinder; null for other numbers.
    CModelBase* Model(int index) const;

protected:
    struct LayoutBuild;

    void ResetAll();
    void CreateModels();
    void ApplyBorders();
    CTransitModelBase* Transit(int target) const;
    void ApplyMeshes(int mode);
    void SetCurrentMesh(const ViewLayout::MeshSets& sets);
    void BuildLayout(LayoutBuild& build);
    void BuildMorphPair(LayoutBuild& build);
    void ApplyMorphDecision(LayoutBuild& build, int pairSlot, bool firstUse);
    void BuildMultiView(LayoutBuild& build);
    bool ZoomToggle(LayoutBuild& build);
    void FillFullLayout(LayoutBuild& build);
    void SpreadFirstUse(int mode, float pan0, float tilt0);
    void BuildDoublePanorama(LayoutBuild& build);
    void BuildSingle(LayoutBuild& build);
    void BuildRectMesh(int width, int height);

    MeshBuffers::Mesh CurrentMesh() const;
    bool EnsureBuffers();
    void RefillBuffers();
    void DrawSlots(const QSize& viewport);
    void LinkSelection();
    // The double panorama's halves stay opposite: the one being moved leads.
    void LinkHalves();
    static bool Cruises(const CModelBase* model);
    void NoteMotion(const std::array<CModelBase::Pose, kMaxSlots>& before,
                    const std::array<const CModelBase*, kMaxSlots>& shownBefore);

    QSize ViewportSize() const;
    // Device pixels per view pixel; takes paramLock.
    float PixelRatio() const;
    bool Hits(const ViewSlot& slot, int x, int y, const QSize& viewport) const;
    void HoverLocked(int x, int y, const QSize& viewport);
    int KeyTargetLocked() const;
    void PressPairs(bool down);

    QOpenGLShaderProgram* program;
    GLuint texY;
    GLuint texU;
    GLuint texV;
    int pictureWidth = 0;
    int pictureHeight = 0;
    int mountType = 0;
    float centreX = 0.0f;
    float centreY = 0.0f;
    float radius = 0.0f;
    int viewportX = 0;
    int viewportY = 0;
    int viewportWidth = 0;
    int viewportHeight = 0;
    float pixelRatio = 1.0f;
    PanoMeshStore meshStore;
    std::array<std::unique_ptr<CExpandModelBase>, kModelCount> models;
    std::array<bool, ViewLayout::kModeCount> firstUse{};
    std::unique_ptr<CTransitOrigin2Pers> transitOrigin;
    std::unique_ptr<CTransitLnglat2Cylinder> transitCylinder;
    bool atPerspective = true;
    bool useBuffers = false;
    bool meshLoaded = false;
    // The layout's slot table ("slots" itself is a Qt keyword macro).
    std::array<ViewSlot, kMaxSlots> viewSlots{};
    int slotCount = 0;
    int currentMode = -1;
    const float* vertices = nullptr;
    const float* texCoords = nullptr;
    const quint16* indices = nullptr;
    int vertexCount = 0;
    int indexCount = 0;
    bool rectMeshStale = false;
    bool sourceDirty = false;
    bool buffersDirty = false;
    // vertexBuffer, texCoordBuffer and indexBuffer.
    MeshBuffers buffers;
    int lastX = 0;
    int lastY = 0;
    // Animation time (GUI thread): the render core's clock and the ticks it
    // makes; restedAtLastTick restarts the count after a rest.
    QElapsedTimer animationTimer;
    std::function<qint64()> animationNow;
    AnimationClock animationClock;
    bool restedAtLastTick = true;
    // Ticks in a row that changed nothing shown (guarded by layoutLock).
    int stillTicks = 0;
    // The view the keys steer, chosen by SelectNextView; -1 follows the
    // pointer (guarded by layoutLock).
    int keyTarget = -1;
    // Pans of the double panorama's halves after the last link, external.
    float linkedPans[2] = {0.0f, 0.0f};
    mutable QMutex paramLock;
    mutable QMutex layoutLock;
};
