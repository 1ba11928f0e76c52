#include "CExpandOrigin.h"

#include <cmath>

namespace {

constexpr float kInputEpsilon = 1e-6f;
// The eye stays between the framing distance and twice that.
constexpr float kNearestDistance = 1.0f;
constexpr float kFarthestDistance = 2.0f;
// Released beyond this distance the circle springs back to the framing.
constexpr float kSpringBackDistance = 1.5f;
// Distance regained per tick by the spring-back.
constexpr float kSpringBackStep = 0.015f;
// Vertical drag: distance change per viewport height of movement.
constexpr float kDragZoomPerHeight = 4.0f;
constexpr float kMaxPanSpeed = 5.0f;

} // namespace

CExpandOrigin::CExpandOrigin()
    : distance(kNearestDistance), zoomStartPan(0), zoomStartDistance(0), zoomStep(0)
{
}

CExpandOrigin::~CExpandOrigin()
{
    CExpandOrigin::Reset();
}

bool CExpandOrigin::Init()
{
    CExpandOrigin::Reset();
    return CExpandModelBase::Init();
}

void CExpandOrigin::Reset()
{
    CExpandModelBase::Reset();
    distance = kNearestDistance;
    zoomStartPan = zoomStartDistance = zoomStep = 0;
}

void CExpandOrigin::Start()
{
    CExpandModelBase::Start();
    tiltSpeed = zoomSpeed = 0;
}

void CExpandOrigin::BuildView(int width, int height)
{
    const float framing = FramingDistance(width, height);
    homeEye = mountType == MountCeiling ? QVector3D(0, 0, framing) : QVector3D(0, -framing, 0);
    eye = homeEye;
    centre = QVector3D();
}

void CExpandOrigin::ApplyZoomInput(int height)
{
    if (std::fabs(wheel) > kInputEpsilon) {
        zoomSpeed = wheel;
        distance += wheel;
    }
    if (std::fabs(dragY) > kInputEpsilon) {
        zoomSpeed = dragY * kDragZoomPerHeight / float(height);
        distance += zoomSpeed;
    }
    if (distance < kNearestDistance) {
        distance = kNearestDistance;
        zoomSpeed = 0;
        // Zooming in past the framing: a mainly vertical drag or the wheel.
        if (std::fabs(dragY) > 2.0f * std::fabs(dragX) || wheel < -kInputEpsilon) {
            state = LeaveRequest;
        }
    }
    if (distance > kFarthestDistance) {
        distance = kFarthestDistance;
        zoomSpeed = 0;
    }
}

void CExpandOrigin::UpdateMatrices(int width, int height)
{
    projMatrix.setToIdentity();
    projMatrix.perspective(90.0f, float(width) / float(height), 1.0f, 400.0f);
    ApplyZoomInput(height);
    tilt = 0;
    if (mountType != MountCeiling) {
        // A wall picture keeps its upright: no rotation about the centre.
        panSpeed = 0;
        eye.setY(homeEye.y() * distance);
    } else {
        if (std::fabs(dragX) > kInputEpsilon) {
            panSpeed = ClampTo(dragX * 180.0f / float(width), -kMaxPanSpeed, kMaxPanSpeed);
            pan += panSpeed;
        } else if (std::fabs(dragY) > kInputEpsilon) {
            panSpeed = 0;
        }
        pan = WrapDegrees(pan);
        eye.setZ(homeEye.z() * distance);
    }
    viewMatrix.setToIdentity();
    viewMatrix.lookAt(eye, centre, up);
    modelMatrix = viewMatrix * mountMatrix;
    BuildTexMatrix(mountType == MountCeiling ? TexRotation::Pan : TexRotation::None);
    ClearFrameInput();
}

int CExpandOrigin::Animate()
{
    if (!pressed) {
        if (std::fabs(panSpeed) > kInputEpsilon || std::fabs(zoomSpeed) > kInputEpsilon) {
            panSpeed = DecaySpeed(panSpeed);
            zoomSpeed = DecaySpeed(zoomSpeed);
            pan += panSpeed;
            distance += zoomSpeed;
            if (std::fabs(panSpeed) <= kInputEpsilon && std::fabs(zoomSpeed) <= kInputEpsilon) {
                cruise = false;
            }
        } else if (distance > kSpringBackDistance) {
            zoomStartDistance = distance;
            zoomStartPan = pan;
            state = AutoZoom;
            zoomStep = kSpringBackStep;
            panSpeed = zoomSpeed = 0;
        }
    }
    if (state == Entering) {
        state = Running;
    }
    if (state == AutoZoom) {
        SpringBack();
    }
    return state;
}

void CExpandOrigin::SpringBack()
{
    distance -= zoomStep;
    if (distance < kNearestDistance) {
        distance = kNearestDistance;
        state = Running;
    }
    // The rotation unwinds to 0 together with the zoom.
    if (zoomStartDistance > kNearestDistance && zoomStartDistance <= kFarthestDistance) {
        pan = (distance - kNearestDistance) / (zoomStartDistance - kNearestDistance)
              * zoomStartPan;
    }
}
