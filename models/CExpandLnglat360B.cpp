#include "CExpandLnglat360B.h"

#include <QtMath>

#include <cmath>

namespace {

constexpr float kSwipePixels = 5.0f;
// The strip spans 100 world units per radian of longitude: 100 pi each side.
constexpr float kStripHalfWidth = 314.15927f;
constexpr float kStripHalfHeight = 100.0f;

} // namespace

CExpandLnglat360B::CExpandLnglat360B()
{
    for (int k = 0; k < 2; ++k) {
        m_regionStorage[k].reset(new float[kRegionCapacity * 3]());
        regionPoints[k] = m_regionStorage[k].get();
    }
    regionCapacity = kRegionCapacity;
}

bool CExpandLnglat360B::Init()
{
    CExpandLnglat360B::Reset();
    return PanoramaModelBase::Init();
}

bool CExpandLnglat360B::SetSource(int newMountType, int width, int height, float newRadius,
                                  float newCentreX, float newCentreY)
{
    if (!PanoramaModelBase::SetSource(newMountType, width, height, newRadius, newCentreX,
                                      newCentreY)) {
        return false;
    }
    pan = -kPanOffset;
    return true;
}

void CExpandLnglat360B::BuildView(int, int)
{
    BuildFlatView();
}

void CExpandLnglat360B::UpdateMatrices(int width, int height)
{
    if (dragY < -2.0f * std::fabs(dragX) && std::fabs(accumY) > kSwipePixels) {
        state = LeaveRequest;
        accumY = 0;
    }
    fov = 90;
    projMatrix.setToIdentity();
    projMatrix.ortho(-kStripHalfWidth, kStripHalfWidth, -kStripHalfHeight, kStripHalfHeight,
                     1.0f, 400.0f);
    // The wall limit still follows the viewport's aspect.
    const float aspect = float(width) / float(height);
    const float hHalf = qRadiansToDegrees(std::atan(aspect));
    FinishPanorama(width, hHalf, 0.0f);
}
