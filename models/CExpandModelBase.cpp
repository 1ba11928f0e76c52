#include "CExpandModelBase.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

// Ceiling mounts turn freely; the pan range is only a numeric guard.
constexpr float kFreePanLimit = 3600000.0f;
// Steepest tilt a ceiling view may take, just short of the optical axis.
constexpr float kSteepestTilt = -89.9f;
// Shallowest tilt of a ceiling view's centre, just below the horizon.
constexpr float kShallowestCentreTilt = -0.1f;
// Share of the circle height a wall view may use for its vertical range.
constexpr float kWallTiltShare = 0.8f;
// A limit pair is always at least this far from 0 on each side.
constexpr float kMinimumLimit = 1.0f;

} // namespace

void CExpandModelBase::GetViewLimits(float& panMin, float& panMax, float& tiltMin,
                                     float& tiltMax) const
{
    ComputeLimits(LimitKind::WholeView, panMin, panMax, tiltMin, tiltMax);
}

void CExpandModelBase::GetCentreLimits(float& panMin, float& panMax, float& tiltMin,
                                       float& tiltMax) const
{
    ComputeLimits(LimitKind::CentreOnly, panMin, panMax, tiltMin, tiltMax);
}

void CExpandModelBase::ComputeLimits(LimitKind kind, float& panMin, float& panMax,
                                     float& tiltMin, float& tiltMax) const
{
    // A viewport not yet drawn counts as square.
    const float aspect =
        viewWidth > 0 && viewHeight > 0 ? float(viewWidth) / float(viewHeight) : 1.0f;
    const float half = fov / 2.0f;
    const float hHalf =
        qRadiansToDegrees(std::atan(std::tan(qDegreesToRadians(half)) * aspect));
    if (mountType == MountCeiling) {
        panMin = -kFreePanLimit;
        panMax = kFreePanLimit;
        tiltMin = kSteepestTilt;
        tiltMax = kind == LimitKind::WholeView ? -half : kShallowestCentreTilt;
        return;
    }
    float d = 0;
    float f = 0;
    VisibleExtents(d, f);
    // Without a circle both extents are 0; the guard keeps the ratios finite.
    const float circle = radius > 0 ? radius : 1.0f;
    const float fv = std::min(f / circle, kWallTiltShare);
    const float panReach = d / circle * 90.0f;
    const float panMargin = kind == LimitKind::WholeView ? hHalf : 0.0f;
    panMax = std::max(panReach - panMargin, kMinimumLimit);
    panMin = std::min(-panReach + panMargin, -kMinimumLimit);
    tiltMax = std::max(fv * 89.9f - half, kMinimumLimit);
    tiltMin = std::min(-fv * 89.9f + half, -kMinimumLimit);
}
