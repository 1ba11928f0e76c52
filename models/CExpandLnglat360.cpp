#include "CExpandLnglat360.h"

#include <QtMath>

#include <cmath>

namespace {

// A swipe must travel this many pixels (summed since the press) to count.
constexpr float kSwipePixels = 5.0f;
// Half-height of the strip in world units.
constexpr float kStripHalfHeight = 100.0f;

} // namespace

CExpandLnglat360::CExpandLnglat360()
{
    for (int k = 0; k < 2; ++k) {
        m_regionStorage[k].reset(new float[kRegionCapacity * 3]());
        regionPoints[k] = m_regionStorage[k].get();
    }
    regionCapacity = kRegionCapacity;
}

bool CExpandLnglat360::Init()
{
    CExpandLnglat360::Reset();
    const bool ok = PanoramaModelBase::Init();
    regionCounts[0] = regionCounts[1] = 0;
    regionPolygons = 0;
    return ok;
}

bool CExpandLnglat360::SetSource(int newMountType, int width, int height, float newRadius,
                                 float newCentreX, float newCentreY)
{
    if (!PanoramaModelBase::SetSource(newMountType, width, height, newRadius, newCentreX,
                                      newCentreY)) {
        return false;
    }
    pan = -kPanOffset;
    return true;
}

void CExpandLnglat360::BuildView(int, int)
{
    BuildFlatView();
}

void CExpandLnglat360::UpdateMatrices(int width, int height)
{
    // A mainly downward swipe leaves the panorama; zoomed in, it scrolls.
    if (!IsZoomedIn() && dragY < -2.0f * std::fabs(dragX) && std::fabs(accumY) > kSwipePixels) {
        state = LeaveRequest;
        accumY = 0;
    }
    fov = 90;
    const float aspect = float(width) / float(height);
    float halfWidth = kStripHalfHeight * aspect;
    float hHalf = qRadiansToDegrees(std::atan(aspect));
    if (m_spanDegrees > 0.0f) {
        // The strip runs 100 world units per radian of longitude.
        halfWidth = kStripHalfHeight * qDegreesToRadians(m_spanDegrees) * 0.5f;
        hHalf = m_spanDegrees * 0.5f;
    }
    const Window window = ZoomWindow(width, height, halfWidth, kStripHalfHeight);
    projMatrix.setToIdentity();
    projMatrix.ortho(window.left, window.right, window.bottom, window.top, 1.0f, 400.0f);
    FinishPanorama(width, hHalf, 0.0f);
}
