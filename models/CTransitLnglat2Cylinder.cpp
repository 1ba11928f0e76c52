#include "CTransitLnglat2Cylinder.h"

#include "CExpandLnglatCylinder.h"
#include "PanoramaModelBase.h"

#include <QtMath>

#include <cmath>

namespace {

constexpr float kInputEpsilon = 1e-6f;
constexpr float kHalfPi = 1.5707964f;
// Viewport heights of vertical drag that run through the whole morph.
constexpr float kScrubHeights = 0.2f;
// Elevation of the first frame is this (6 degrees) divided by the frame count,
// so that the level eye never looks along its up vector.
constexpr float kFirstFrameElevation = 0.10471976f;
// Window width in units of the cylinder radius: the strip's 2 at the first
// frame, the cylinder's 2.2 at the last.
constexpr float kStartWindowScale = 2.0f;
constexpr float kWindowScaleGrowth = 0.2f;

} // namespace

bool CTransitLnglat2Cylinder::Init()
{
    const bool ok = CTransitModelBase::Init();
    frameIndex = 0;
    return ok;
}

void CTransitLnglat2Cylinder::SetAngles(float newPan, float newTilt)
{
    pan = newPan - PanoramaModelBase::kPanOffset;
    tilt = newTilt;
}

void CTransitLnglat2Cylinder::GetAngles(float& outPan, float& outTilt) const
{
    outPan = pan + PanoramaModelBase::kPanOffset;
    outTilt = tilt;
}

int CTransitLnglat2Cylinder::Animate()
{
    if (!pressed) {
        Advance();
    }
    PanoramaInertia();
    return state;
}

void CTransitLnglat2Cylinder::BuildView(int, int)
{
    const float distance = CExpandLnglatCylinder::kEyeDistance;
    const float elevation = CExpandLnglatCylinder::kElevation;
    if (mountType == MountCeiling) {
        homeEye = QVector3D(0, -distance * std::cos(elevation), distance * std::sin(elevation));
    } else {
        homeEye = QVector3D(0, distance * std::sin(elevation), distance * std::cos(elevation));
    }
    eye = homeEye;
    centre = QVector3D();
}

void CTransitLnglat2Cylinder::SetWindow(int width, int height, float progress, float elevation)
{
    const float corner = std::sqrt(20000.0f);
    const float scale = kStartWindowScale + kWindowScaleGrowth * progress;
    const float windowHeight =
        std::cos(kHalfPi - std::acos(100.0f / corner) - elevation) * (scale * corner);
    const float aspect = float(width) / float(height);
    float w = 0;
    float h = 0;
    if (aspect > scale * 100.0f / windowHeight) {
        w = aspect * windowHeight;
        h = windowHeight;
    } else {
        w = (aspect * windowHeight - scale * 100.0f) * (1.0f - progress) + scale * 100.0f;
        h = w / aspect;
    }
    projMatrix.setToIdentity();
    projMatrix.ortho(-w / 2, w / 2, -h / 2, h / 2, 1.0f, 1600.0f);
}

void CTransitLnglat2Cylinder::UpdateMatrices(int width, int height)
{
    FollowGesture();
    if (frameCount > 0) {
        ScrubByDrag(float(height) * kScrubHeights / float(frameCount));
    }
    const float progress = Progress();
    float elevation = progress * CExpandLnglatCylinder::kElevation;
    if (frameIndex == 0 && frameCount > 0) {
        elevation = kFirstFrameElevation / float(frameCount);
    }
    const float distance = CExpandLnglatCylinder::kEyeDistance;
    eye = QVector3D(0, -distance * std::cos(elevation), distance * std::sin(elevation));
    SetWindow(width, height, progress, elevation);
    DragPan(kInputEpsilon, width);
    if (mountType != MountCeiling) {
        const float aspect = float(width) / float(height);
        const float hHalf =
            qRadiansToDegrees(std::atan(std::tan(qDegreesToRadians(fov) / 2.0f) * aspect));
        pan = ClampTo(pan, hHalf - 90.0f, 90.0f - hHalf);
    } else {
        pan = WrapDegrees(pan);
    }
    viewMatrix.setToIdentity();
    viewMatrix.lookAt(eye, centre, up);
    modelMatrix = viewMatrix * mountMatrix;
    BuildTexMatrix(TexRotation::Pan);
    PointAtFrame();
    ClearFrameInput();
}
