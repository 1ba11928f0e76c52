#include "PanoRenderer.h"

#include "CExpandModelBase.h"
#include "CTransitLnglat2Cylinder.h"
#include "CTransitOrigin2Pers.h"
#include "PanoramaModelBase.h"
#include "PerspectiveModelBase.h"

#include <QMutexLocker>

// Input routing of the render core: the view's mouse events reach the models
// of the slots under the pointer. GUI thread only, like the rest of the class.

bool PanoRenderer::Hits(const ViewSlot& slot, int x, int y, const QSize& viewport) const
{
    const float u = static_cast<float>(x) / static_cast<float>(viewport.width());
    const float v = 1.0f - static_cast<float>(y) / static_cast<float>(viewport.height());
    return ViewLayout::Contains({slot.left, slot.top, slot.right, slot.bottom}, u, v);
}

void PanoRenderer::OnButton(bool down, int x, int y)
{
    const QSize viewport = ViewportSize();
    if (viewport.width() <= 0 || viewport.height() <= 0) {
        return;
    }
    QMutexLocker layout(&layoutLock);
    if (down) {
        lastX = x;
        lastY = y;
    }
    int hit = -1;
    const bool keepsSelection = ViewLayout::KeepsSelectionOnCircle(currentMode);
    for (int i = 0; i < slotCount; ++i) {
        ViewSlot& slot = viewSlots[i];
        if (Hits(slot, x, y, viewport)) {
            slot.pressed = down;
            slot.hover = true;
            slot.model->SetPressed(down);
            hit = i;
            continue;
        }
        slot.pressed = false;
        slot.model->SetPressed(false);
        // A press in the circle view keeps the selected perspective selected.
        if (!(keepsSelection && (hit == 0 || i == 0 || !down))) {
            slot.model->ClearSelected();
        }
    }
    PressPairs(down);
    HoverLocked(x, y, viewport);
}

// The views of a morph pair follow the button together, so that a switch
// in the middle of a gesture finds the new front in the same press state.
// Caller holds layoutLock.
void PanoRenderer::PressPairs(bool down)
{
    CModelBase* pair[3] = {nullptr, nullptr, nullptr};
    if (currentMode == ViewLayout::ViewOrigin || currentMode == ViewLayout::ViewPerspective) {
        pair[0] = models[0].get();
        pair[1] = models[1].get();
        pair[2] = transitOrigin.get();
    } else if (currentMode == ViewLayout::ViewPanoramaCylinder) {
        pair[0] = models[6].get();
        pair[1] = models[5].get();
        pair[2] = transitCylinder.get();
    } else {
        return;
    }
    for (CModelBase* model : pair) {
        model->SetPressed(down);
    }
    if (slotCount > 0) {
        viewSlots[0].pressed = down;
    }
}

void PanoRenderer::OnHover(int x, int y)
{
    const QSize viewport = ViewportSize();
    QMutexLocker layout(&layoutLock);
    // The pointer moved: the keys follow it again.
    keyTarget = -1;
    HoverLocked(x, y, viewport);
}

// Caller holds layoutLock.
void PanoRenderer::HoverLocked(int x, int y, const QSize& viewport)
{
    if (viewport.width() < 1 || viewport.height() < 1) {
        return;
    }
    const float width = static_cast<float>(viewport.width());
    const float height = static_cast<float>(viewport.height());
    // The models measure their viewports in framebuffer pixels.
    const float ratio = PixelRatio();
    for (int i = 0; i < slotCount; ++i) {
        ViewSlot& slot = viewSlots[i];
        slot.hover = Hits(slot, x, y, viewport);
        // The position inside the slot, y from its bottom edge.
        slot.model->SetClickPoint(slot.hover, (static_cast<float>(x) - width * slot.left) * ratio,
                                  (height - static_cast<float>(y) - slot.bottom * height) * ratio);
    }
}

void PanoRenderer::OnMove(int x, int y)
{
    const QSize viewport = ViewportSize();
    QMutexLocker layout(&layoutLock);
    // Drags in framebuffer pixels, the unit of the models' viewports.
    const float ratio = PixelRatio();
    const float dx = static_cast<float>(x - lastX) * ratio;
    const float dy = static_cast<float>(y - lastY) * ratio;
    for (int i = 0; i < slotCount; ++i) {
        if (viewSlots[i].pressed) {
            viewSlots[i].model->OnDrag(dx, dy);
        }
    }
    HoverLocked(x, y, viewport);
    lastX = x;
    lastY = y;
}

void PanoRenderer::MarkMoved(int, int)
{
    QMutexLocker layout(&layoutLock);
    for (int i = 0; i < slotCount; ++i) {
        viewSlots[i].model->MarkMoved();
    }
}

void PanoRenderer::OnWheel(int delta)
{
    // Each model turns notches into its own step: degrees of field of view,
    // distance or scale; a touchpad's fractions of a notch move as much less.
    const float notches = static_cast<float>(delta) / static_cast<float>(kWheelDeltaPerNotch);
    QMutexLocker layout(&layoutLock);
    for (int i = 0; i < slotCount; ++i) {
        if (viewSlots[i].pressed || viewSlots[i].hover) {
            CModelBase* model = viewSlots[i].model;
            model->OnWheel(notches * model->WheelUnitsPerNotch());
        }
    }
}

void PanoRenderer::OnDoubleClick(int x, int y)
{
    const QSize viewport = ViewportSize();
    if (viewport.width() <= 0 || viewport.height() <= 0) {
        return;
    }
    bool hit = false;
    int mode = -1;
    {
        QMutexLocker layout(&layoutLock);
        for (int i = 0; i < slotCount; ++i) {
            if (Hits(viewSlots[i], x, y, viewport)) {
                viewSlots[i].model->Pick();
                hit = true;
            }
        }
        mode = currentMode;
    }
    if (hit && ViewLayout::HasZoomToggle(mode)) {
        SetViewMode(mode, false);
    }
}

float PanoRenderer::PixelRatio() const
{
    QMutexLocker param(&paramLock);
    return pixelRatio;
}

// Caller holds layoutLock.
int PanoRenderer::KeyTargetLocked() const
{
    if (slotCount == 0) {
        return -1;
    }
    if (keyTarget >= 0 && keyTarget < slotCount) {
        return keyTarget;
    }
    for (int i = 0; i < slotCount; ++i) {
        if (viewSlots[i].hover) {
            return i;
        }
    }
    for (int i = 0; i < slotCount; ++i) {
        if (viewSlots[i].model->IsSelected()) {
            return i;
        }
    }
    return 0;
}

void PanoRenderer::StepByKey(KeyStep step)
{
    const QSize viewport = ViewportSize();
    const float ratio = PixelRatio();
    QMutexLocker layout(&layoutLock);
    const int target = KeyTargetLocked();
    if (target < 0) {
        return;
    }
    const ViewSlot& slot = viewSlots[target];
    CModelBase* model = slot.model;
    // A key is the drag that turns the view by its step: the models turn
    // 180 degrees per view width and tilt 90 per view height, in the
    // framebuffer pixels they draw in. A key to the right turns the view to
    // the right, as dragging the picture to the left does.
    const float width = (slot.right - slot.left) * static_cast<float>(viewport.width()) * ratio;
    const float height = (slot.top - slot.bottom) * static_cast<float>(viewport.height()) * ratio;
    const float panPixels = width * kKeyPanDegrees / 180.0f;
    const float tiltPixels = height * kKeyTiltDegrees / 90.0f;
    // The perspective views tilt and a zoomed-in panorama scrolls; a vertical
    // drag zooms the circle and swipes a whole panorama away.
    const auto* panorama = dynamic_cast<PanoramaModelBase*>(model);
    const bool tilts = dynamic_cast<PerspectiveModelBase*>(model) != nullptr ||
                       (panorama && panorama->IsZoomedIn());
    switch (step) {
    case KeyStep::Left:
    case KeyStep::Right:
        model->OnDrag(step == KeyStep::Right ? -panPixels : panPixels, 0.0f);
        break;
    case KeyStep::Up:
    case KeyStep::Down:
        if (tilts) {
            model->OnDrag(0.0f, step == KeyStep::Up ? tiltPixels : -tiltPixels);
        }
        break;
    case KeyStep::ZoomIn:
    case KeyStep::ZoomOut:
        model->OnWheel((step == KeyStep::ZoomIn ? -1.0f : 1.0f) * model->WheelUnitsPerNotch());
        break;
    }
}

void PanoRenderer::SelectNextView()
{
    QMutexLocker layout(&layoutLock);
    if (slotCount == 0) {
        return;
    }
    const int next = (KeyTargetLocked() + 1) % slotCount;
    for (int i = 0; i < slotCount; ++i) {
        viewSlots[i].model->ClearSelected();
    }
    viewSlots[next].model->Select();
    keyTarget = next;
}
