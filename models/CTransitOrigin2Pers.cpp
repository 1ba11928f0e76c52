#include "CTransitOrigin2Pers.h"

#include <QtMath>

#include <cmath>

namespace {

constexpr float kInputEpsilon = 1e-6f;
// Visible aspects up to this count as a whole circle.
constexpr float kCroppedAspect = 1.01f;
// Field of view narrowed over the morph on a cropped circle: 90 x (1 - 0.843).
constexpr float kCroppedFovNarrowing = 14.13f;
// Viewport heights of vertical drag that run through the whole morph.
constexpr float kScrubHeights = 0.6f;
constexpr float kWallPanLimit = 90.0f;
constexpr float kWallTiltLimit = 89.9f;
// At the first frame a wall tilt at least this large restarts at level.
constexpr float kLevelTilt = 1.0f;
constexpr float kCeilingTiltMin = -89.9f;
constexpr float kCeilingTiltMax = -0.1f;

} // namespace

bool CTransitOrigin2Pers::Init()
{
    const bool ok = CTransitModelBase::Init();
    frameIndex = 0;
    return ok;
}

void CTransitOrigin2Pers::Start()
{
    CTransitModelBase::Start();
    tiltSpeed = zoomSpeed = 0;
}

void CTransitOrigin2Pers::SetDirection(bool newForward, bool apply)
{
    CTransitModelBase::SetDirection(newForward, apply);
    if (newForward) {
        tilt = 0;
    }
}

int CTransitOrigin2Pers::Animate()
{
    if (pressed) {
        return state;
    }
    Advance();
    panSpeed = DecaySpeed(panSpeed);
    pan += panSpeed;
    return state;
}

void CTransitOrigin2Pers::BuildView(int width, int height)
{
    const float framing = FramingDistance(width, height);
    if (mountType == MountCeiling) {
        homeEye = QVector3D(0, 0, framing);
        altEye = QVector3D(0, 0, kAltEyeDistance);
    } else {
        homeEye = QVector3D(0, -framing, 0);
        altEye = QVector3D(0, kAltEyeDistance, 0);
    }
    eye = homeEye;
    centre = QVector3D();
}

void CTransitOrigin2Pers::StepByWheel()
{
    if (wheel < 0) {
        forward = true;
        Advance();
    } else if (wheel > 0) {
        forward = false;
        Advance();
    }
}

void CTransitOrigin2Pers::UpdateMatrices(int width, int height)
{
    FollowGesture();
    StepByWheel();
    if (frameCount > 0) {
        ScrubByDrag(float(height) * kScrubHeights / float(frameCount));
    }
    // Progress runs to exactly 1 on the last frame, where the perspective view
    // takes over without a jump.
    const float progress = Progress();
    float d = 0;
    float f = 0;
    VisibleExtents(d, f);
    const bool cropped = d / f > kCroppedAspect;
    projMatrix.setToIdentity();
    projMatrix.perspective(cropped ? 90.0f - progress * kCroppedFovNarrowing : 90.0f,
                           float(width) / float(height), 1.0f, 400.0f);
    if (mountType != MountCeiling) {
        PlaceWallCamera(progress, cropped);
    } else {
        PlaceCeilingCamera(width, progress, cropped);
    }
    viewMatrix.setToIdentity();
    viewMatrix.lookAt(eye, centre, up);
    modelMatrix = viewMatrix * mountMatrix;
    BuildTexMatrix(mountType == MountCeiling ? TexRotation::Pan : TexRotation::None);
    PointAtFrame();
    ClearFrameInput();
}

void CTransitOrigin2Pers::PlaceWallCamera(float progress, bool cropped)
{
    pan = ClampTo(pan, -kWallPanLimit, kWallPanLimit);
    tilt = ClampTo(tilt, -kWallTiltLimit, kWallTiltLimit);
    if (frameIndex == 0 && std::fabs(tilt) >= kLevelTilt) {
        pan = tilt = 0;
    }
    const float pa = qDegreesToRadians(progress * pan);
    const float ta = qDegreesToRadians(progress * tilt);
    float y = (1.0f - progress) * homeEye.y();
    if (cropped) {
        y += (std::fabs(altEye.y()) - 100.0f) * progress;
    }
    eye = QVector3D(0, y, 0);
    centre = QVector3D(-100.0f * std::sin(pa) * std::cos(ta),
                       100.0f * std::cos(pa) * std::cos(ta), 100.0f * std::sin(ta));
}

void CTransitOrigin2Pers::PlaceCeilingCamera(int width, float progress, bool cropped)
{
    DragPan(kInputEpsilon, width);
    pan = WrapDegrees(pan);
    tilt = frameIndex == 0 ? 0.0f : ClampTo(tilt, kCeilingTiltMin, kCeilingTiltMax);
    const float a = qDegreesToRadians((tilt + 90.0f) * progress);
    float z = (1.0f - progress) * homeEye.z();
    if (cropped) {
        z += (100.0f - std::fabs(altEye.z())) * progress;
    }
    eye = QVector3D(0, 0, z);
    centre = QVector3D(0, 100.0f * std::sin(a), -100.0f * std::cos(a));
}
