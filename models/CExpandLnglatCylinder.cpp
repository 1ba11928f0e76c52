#include "CExpandLnglatCylinder.h"

#include <QtMath>

#include <cmath>

namespace {

constexpr float kSwipePixels = 5.0f;
constexpr float kInputEpsilon = 1e-6f;
constexpr float kHalfPi = 1.5707964f;
// Narrowest window width in world units: the cylinder's diameter plus a margin.
constexpr float kMinWindowWidth = 220.0f;
// The window height is the cylinder's silhouette seen from the eye's elevation.
constexpr float kWindowScale = 2.2f;

} // namespace

bool CExpandLnglatCylinder::Init()
{
    CExpandLnglatCylinder::Reset();
    return PanoramaModelBase::Init();
}

void CExpandLnglatCylinder::BuildView(int, int)
{
    if (mountType == MountCeiling) {
        homeEye = QVector3D(0, -kEyeDistance * std::cos(kElevation),
                            kEyeDistance * std::sin(kElevation));
    } else {
        homeEye = QVector3D(0, kEyeDistance * std::sin(kElevation),
                            kEyeDistance * std::cos(kElevation));
    }
    eye = homeEye;
    centre = QVector3D();
}

void CExpandLnglatCylinder::UpdateMatrices(int width, int height)
{
    // A mainly upward swipe leaves the cylinder; zoomed in, it scrolls.
    if (!IsZoomedIn() && dragY > 2.0f * std::fabs(dragX) && std::fabs(accumY) > kSwipePixels) {
        state = LeaveRequest;
        accumY = 0;
    }
    const float corner = std::sqrt(20000.0f);
    const float cornerAngle = std::acos(100.0f / corner);
    const float windowHeight =
        std::cos(kHalfPi - cornerAngle - kElevation) * (corner * kWindowScale);
    const float aspect = float(width) / float(height);
    float w = kMinWindowWidth;
    float h = kMinWindowWidth / aspect;
    if (aspect > kMinWindowWidth / windowHeight) {
        w = aspect * windowHeight;
        h = windowHeight;
    }
    const Window window = ZoomWindow(width, height, w / 2, h / 2);
    projMatrix.setToIdentity();
    projMatrix.ortho(window.left, window.right, window.bottom, window.top, 1.0f, 800.0f);
    const float hHalf =
        qRadiansToDegrees(std::atan(std::tan(qDegreesToRadians(fov) / 2.0f) * aspect));
    FinishPanorama(width, hHalf, kInputEpsilon);
}
