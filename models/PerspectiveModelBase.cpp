#include "PerspectiveModelBase.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kInputEpsilon = 1e-6f;
constexpr float kSpeedEpsilon = 1e-4f;
constexpr float kSpeedDecay = 0.05f;
// A coasting axis that comes back inside its limit within this slack arrives.
constexpr float kLimitSlack = 0.001f;
// Speed gained per tick while pulled back inside the limits.
constexpr float kPullBack = 0.1f;
constexpr float kMaxPanPull = 5.0f;
constexpr float kMaxTiltPull = 3.0f;
// Arriving faster than kSettleSpeed bounces back with this factor.
constexpr float kSettleSpeed = 0.1f;
constexpr float kBounce = -0.3f;
// A coasting axis slower than this is put back onto its limit.
constexpr float kLimitSnapSpeed = 0.2f;
// Drag gains and clamps, degrees per viewport width or height.
constexpr float kMaxDragPanSpeed = 5.0f;
constexpr float kMaxDragTiltSpeed = 1.5f;
constexpr float kWheelFovGain = 4.0f;
// Leaving by the wheel needs more than one notch's push past the widest view
// (two and a bit within the fade): one notch at the limit never leaves.
constexpr float kLeaveOvershoot = 2.0f * kWheelFovGain;
constexpr float kOvershootFadePerTick = 0.1f;
constexpr float kMaxZoomSpeed = 3.0f;
// Go-to: acceleration of the longer axis and top speed, degrees per tick.
constexpr float kGotoAccel = 0.5f;
constexpr float kGotoMaxSpeed = 8.0f;
// Field of view regained per tick by the zoom spring-back.
constexpr float kZoomSpringStep = 0.6f;
// Cruise speeds, degrees per tick: wall and ceiling mounts.
constexpr float kWallCruise = 0.1f;
constexpr float kCeilingCruise = 0.2f;
// Wall cruise levels the tilt at this speed.
constexpr float kLevelSpeed = 0.1f;
// Ceiling views look at most straight down and at least just below the horizon.
constexpr float kCeilingTiltMin = -89.9f;
constexpr float kCeilingTiltMax = -0.1f;

float MoveToward(float value, float target, float step)
{
    return value < target ? std::min(value + step, target) : std::max(value - step, target);
}

int SignOf(float value)
{
    return (value > 0) - (value < 0);
}

// Pan difference taken the shorter way around; a tie goes to the alternative.
float ShortestPanDelta(float target, float current)
{
    const float delta = std::fmod(target - current, 360.0f);
    const float alternative = delta > 0 ? delta - 360.0f : delta + 360.0f;
    return std::fabs(alternative) <= std::fabs(delta) ? alternative : delta;
}

// Grows a go-to speed by accel, keeping its sign; a resting axis starts
// toward its target.
float GrowSpeed(float speed, float accel, float distance)
{
    const float sign = speed > 0 ? 1.0f : speed < 0 ? -1.0f : (distance < 0 ? -1.0f : 1.0f);
    return sign * std::min(std::fabs(speed) + accel, kGotoMaxSpeed);
}

// Cruise approach: the faster the axis, the larger the step toward the cruise speed.
float CruiseStep(float speed)
{
    if (speed > 0.25f) {
        return 0.05f;
    }
    if (speed > 0.2f) {
        return 0.04f;
    }
    if (speed > 0.15f) {
        return 0.03f;
    }
    if (speed > 0.1f) {
        return 0.02f;
    }
    if (speed > 0.05f) {
        return 0.01f;
    }
    return speed * 0.1f;
}

// Steers a speed to magnitude kCeilingCruise by steps of kSpeedDecay.
float SteerToCruise(float speed)
{
    if (speed >= 0) {
        return MoveToward(speed, kCeilingCruise, kSpeedDecay);
    }
    return MoveToward(speed, -kCeilingCruise, kSpeedDecay);
}

} // namespace

PerspectiveModelBase::PerspectiveModelBase()
    : leaveFlag(false), leaveOvershoot(0), outlinePan(0), outlineTilt(0), outlineFov(0), outlineWidth(0),
      outlineHeight(0)
{
}

PerspectiveModelBase::~PerspectiveModelBase()
{
    PerspectiveModelBase::Reset();
}

bool PerspectiveModelBase::Init()
{
    PerspectiveModelBase::Reset();
    return CExpandModelBase::Init();
}

void PerspectiveModelBase::Reset()
{
    CExpandModelBase::Reset();
    fov = kMaxFov;
    leaveOvershoot = 0;
    ClearOutlineCache();
}

void PerspectiveModelBase::ClearOutlineCache()
{
    outlinePan = outlineTilt = outlineFov = 0;
    outlineWidth = outlineHeight = 0;
}

void PerspectiveModelBase::Start()
{
    CExpandModelBase::Start();
    leaveFlag = false;
    leaveOvershoot = 0;
    tiltSpeed = zoomSpeed = 0;
    ClearOutlineCache();
}

void PerspectiveModelBase::Stop()
{
    CExpandModelBase::Stop();
    leaveFlag = false;
    leaveOvershoot = 0;
}

bool PerspectiveModelBase::SetSource(int newMountType, int width, int height, float newRadius,
                                     float newCentreX, float newCentreY)
{
    if (!CExpandModelBase::SetSource(newMountType, width, height, newRadius, newCentreX,
                                     newCentreY)) {
        return false;
    }
    tilt = 0;
    return true;
}

void PerspectiveModelBase::BuildView(int, int)
{
    homeEye = eye = QVector3D();
    centre = mountType == MountCeiling ? QVector3D(0, 0, 100) : QVector3D(0, -100, 0);
}

void PerspectiveModelBase::ApplyDragAndWheel(int width, int height)
{
    const bool wheelMoved = std::fabs(wheel) > kInputEpsilon;
    if (wheelMoved) {
        zoomSpeed = ClampTo(kWheelFovGain * wheel, -kMaxZoomSpeed, kMaxZoomSpeed);
        fov += kWheelFovGain * wheel;
    }
    if (wheel < -kInputEpsilon) {
        leaveOvershoot = 0;
    }
    if (fov > kMaxFov) {
        leaveOvershoot += fov - kMaxFov;
        fov = kMaxFov;
        if (leaveOvershoot >= kLeaveOvershoot) {
            leaveFlag = true;
        }
        zoomSpeed = 0;
    } else if (fov < kMinFov) {
        fov = kMinFov;
        zoomSpeed = 0;
    }
    if (std::fabs(dragX) > kInputEpsilon) {
        panSpeed = ClampTo(dragX * 180.0f / float(width), -kMaxDragPanSpeed, kMaxDragPanSpeed);
        pan += panSpeed;
    } else if (wheelMoved) {
        panSpeed = 0;
    }
    if (std::fabs(dragY) > kInputEpsilon) {
        tiltSpeed =
            ClampTo(-dragY * 90.0f / float(height), -kMaxDragTiltSpeed, kMaxDragTiltSpeed);
        tilt += tiltSpeed;
    } else if (wheelMoved) {
        tiltSpeed = 0;
    }
}

void PerspectiveModelBase::UpdatePerspective(int width, int height, float fovScale,
                                             float eyeBack)
{
    ApplyDragAndWheel(width, height);
    projMatrix.setToIdentity();
    projMatrix.perspective(fov * fovScale, float(width) / float(height), 1.0f, 400.0f);
    if (mountType != MountCeiling) {
        float panMin = 0;
        float panMax = 0;
        float tiltMin = 0;
        float tiltMax = 0;
        GetCentreLimits(panMin, panMax, tiltMin, tiltMax);
        if (pan < panMin || pan > panMax) {
            pan = ClampTo(pan, panMin, panMax);
            panSpeed = 0;
        }
        if (tilt < tiltMin || tilt > tiltMax) {
            tilt = ClampTo(tilt, tiltMin, tiltMax);
            tiltSpeed = 0;
        }
    } else {
        tilt = ClampTo(tilt, kCeilingTiltMin, kCeilingTiltMax);
        pan = WrapDegrees(pan);
    }
    const float p = qDegreesToRadians(pan);
    const float t = qDegreesToRadians(tilt);
    if (mountType != MountCeiling) {
        centre = QVector3D(-100.0f * std::cos(t) * std::sin(p), 100.0f * std::cos(t) * std::cos(p),
                           100.0f * std::sin(t));
        eye = QVector3D(0, -eyeBack, 0);
    } else {
        // Ceiling pan is done by rotating the texture.
        centre = QVector3D(0, 100.0f * std::cos(t), 100.0f * std::sin(t));
        eye = QVector3D(0, 0, eyeBack);
    }
    viewMatrix.setToIdentity();
    viewMatrix.lookAt(eye, centre, up);
    modelMatrix = viewMatrix * mountMatrix;
    BuildTexMatrix(mountType == MountCeiling ? TexRotation::Pan : TexRotation::None);
    ClearFrameInput();
}

int PerspectiveModelBase::AnimateMotion()
{
    leaveOvershoot = std::max(0.0f, leaveOvershoot - kOvershootFadePerTick);
    if (pressed) {
        state = Running;
    } else if (targetActive) {
        FlyToTarget();
    } else {
        Limits limits{};
        GetViewLimits(limits.panMin, limits.panMax, limits.tiltMin, limits.tiltMax);
        GetCentreLimits(limits.centrePanMin, limits.centrePanMax, limits.centreTiltMin,
                        limits.centreTiltMax);
        const bool outP = pan < limits.panMin || pan > limits.panMax;
        const bool outT = tilt < limits.tiltMin || tilt > limits.tiltMax;
        StepPan(limits, outP, outT);
        StepTilt(limits, outP, outT);
        StepZoom();
    }
    if (state == AutoZoom) {
        fov += kZoomSpringStep;
        if (fov > kSpringBackFov) {
            fov = kSpringBackFov;
            state = Running;
        }
    }
    if (leaveFlag) {
        state = LeaveRequest;
    }
    return state;
}

void PerspectiveModelBase::FlyToTarget()
{
    const float dp = ShortestPanDelta(targetPan, pan);
    const float dt = targetTilt - tilt;
    if (std::fabs(dp) <= kInputEpsilon && std::fabs(dt) <= kInputEpsilon) {
        pan = targetPan;
        tilt = targetTilt;
        panSpeed = tiltSpeed = 0;
        targetActive = false;
        return;
    }
    // Both axes arrive together: the shorter one accelerates in proportion.
    const float larger = std::max(std::fabs(dp), std::fabs(dt));
    const float panAccel = kGotoAccel * std::fabs(dp) / larger;
    const float tiltAccel = kGotoAccel * std::fabs(dt) / larger;
    if (panSpeed * dp < 0) {
        panSpeed = -panSpeed;
    }
    if (tiltSpeed * dt < 0) {
        tiltSpeed = -tiltSpeed;
    }
    // Above the horizon lies nothing for a ceiling view to fly through.
    if (mountType == MountCeiling && tiltSpeed > 0 && tilt >= 0) {
        tiltSpeed = -tiltSpeed;
    }
    panSpeed = GrowSpeed(panSpeed, panAccel, dp);
    tiltSpeed = GrowSpeed(tiltSpeed, tiltAccel, dt);
    pan += panSpeed;
    tilt += tiltSpeed;
    if (SignOf(ShortestPanDelta(targetPan, pan)) != SignOf(dp)) {
        pan = targetPan;
        panSpeed = 0;
    }
    if (SignOf(targetTilt - tilt) != SignOf(dt)) {
        tilt = targetTilt;
        tiltSpeed = 0;
    }
}

bool PerspectiveModelBase::CruisesSideways() const
{
    return cruise && (dragDir == DirLeft || dragDir == DirRight);
}

void PerspectiveModelBase::StepPan(const Limits& limits, bool outP, bool outT)
{
    const bool outside = pan < limits.panMin || pan > limits.panMax;
    if (outP) {
        StepPanOutside(limits, outT);
    } else if (!CruisesSideways()) {
        panSpeed = DecaySpeed(panSpeed);
        if (std::fabs(panSpeed) < kLimitSnapSpeed && outside) {
            pan = ClampTo(pan, limits.panMin, limits.panMax);
            panSpeed = 0;
        }
    } else {
        StepCruisePan(limits);
    }
    if (std::fabs(panSpeed) < kSpeedEpsilon) {
        panSpeed = 0;
    }
    pan += panSpeed;
    if (pan < limits.centrePanMin || pan > limits.centrePanMax) {
        pan = ClampTo(pan, limits.centrePanMin, limits.centrePanMax);
        panSpeed = 0;
    }
}

void PerspectiveModelBase::StepPanOutside(const Limits& limits, bool outT)
{
    const bool patrol = CruisesSideways() && mountType == MountWall;
    float top = kMaxPanPull;
    if (patrol) {
        top = panSpeed > 0.6f ? 0.6f : panSpeed > 0.4f ? 0.4f : 0.2f;
    }
    if (pan < limits.panMin) {
        panSpeed = std::min(panSpeed + kPullBack, top);
    } else if (pan > limits.panMax) {
        panSpeed = std::max(panSpeed - kPullBack, -top);
    }
    const float next = pan + panSpeed;
    if (next < limits.panMin - kLimitSlack || next > limits.panMax + kLimitSlack) {
        return;
    }
    if (outT) {
        panSpeed = 0;
    } else if (std::fabs(panSpeed) < kSettleSpeed) {
        panSpeed = 0;
        pan = ClampTo(pan, limits.panMin, limits.panMax);
    } else if (!cruise) {
        panSpeed *= kBounce;
        if (mountType == MountWall) {
            tiltSpeed = 0;
        }
    } else if (mountType == MountWall) {
        panSpeed = SteerToCruise(panSpeed);
    }
}

void PerspectiveModelBase::StepCruisePan(const Limits& limits)
{
    const float cruiseSpeed = mountType != MountCeiling ? kWallCruise : kCeilingCruise;
    if (panSpeed > cruiseSpeed) {
        panSpeed = std::max(panSpeed - CruiseStep(panSpeed), cruiseSpeed);
    } else if (panSpeed < -cruiseSpeed) {
        panSpeed = std::min(panSpeed + CruiseStep(-panSpeed), -cruiseSpeed);
    }
    if (std::fabs(panSpeed) < cruiseSpeed && (pan < limits.panMin || pan > limits.panMax)) {
        pan = ClampTo(pan, limits.panMin, limits.panMax);
        panSpeed = 0;
    }
}

void PerspectiveModelBase::StepTilt(const Limits& limits, bool outP, bool outT)
{
    if (outT) {
        StepTiltOutside(limits, outP);
    } else if (!cruise || mountType != MountWall) {
        tiltSpeed = DecaySpeed(tiltSpeed);
        if (std::fabs(tiltSpeed) < kLimitSnapSpeed
            && (tilt < limits.tiltMin || tilt > limits.tiltMax)) {
            tilt = ClampTo(tilt, limits.tiltMin, limits.tiltMax);
            tiltSpeed = 0;
        }
    } else {
        // Wall cruise levels the view: the tilt drifts back to the horizon.
        if (tilt > 0) {
            tiltSpeed = MoveToward(tiltSpeed, -kLevelSpeed, kSpeedDecay);
        } else if (tilt < 0) {
            tiltSpeed = MoveToward(tiltSpeed, kLevelSpeed, kSpeedDecay);
        }
        if ((tilt > 0 && tilt + tiltSpeed < 0) || (tilt < 0 && tilt + tiltSpeed > 0)) {
            tiltSpeed = 0;
        }
    }
    if (std::fabs(tiltSpeed) < kSpeedEpsilon) {
        tiltSpeed = 0;
    }
    tilt += tiltSpeed;
    if (tilt < limits.centreTiltMin || tilt > limits.centreTiltMax) {
        tilt = ClampTo(tilt, limits.centreTiltMin, limits.centreTiltMax);
        tiltSpeed = 0;
    }
}

void PerspectiveModelBase::StepTiltOutside(const Limits& limits, bool outP)
{
    if (tilt < limits.tiltMin) {
        tiltSpeed = std::min(tiltSpeed + kPullBack, kMaxTiltPull);
    } else if (tilt > limits.tiltMax) {
        tiltSpeed = std::max(tiltSpeed - kPullBack, -kMaxTiltPull);
    }
    const float next = tilt + tiltSpeed;
    if (next < limits.tiltMin - kLimitSlack || next > limits.tiltMax + kLimitSlack) {
        return;
    }
    if (outP && std::fabs(panSpeed) > kInputEpsilon) {
        tiltSpeed = 0;
    } else if (std::fabs(tiltSpeed) < kSettleSpeed) {
        tiltSpeed = 0;
        tilt = ClampTo(tilt, limits.tiltMin, limits.tiltMax);
    } else {
        tiltSpeed *= kBounce;
        if (mountType == MountWall) {
            panSpeed = 0;
        }
    }
}

void PerspectiveModelBase::StepZoom()
{
    const float decayed = MoveToward(zoomSpeed, 0.0f, kSpeedDecay);
    zoomSpeed = std::fabs(decayed) < kInputEpsilon ? 0.0f : decayed;
    zoomSpeed = ClampTo(zoomSpeed, -kMaxZoomSpeed, kMaxZoomSpeed);
    if (fov > kMaxFov) {
        fov = kMaxFov;
        zoomSpeed = 0;
    } else if (fov < kMinFov) {
        fov = kMinFov;
        zoomSpeed = 0;
    } else if (fov < kSpringBackFov && (fov - kMinFov) * zoomSpeed >= 0) {
        // A zoom-in below the spring-back field of view returns when released.
        zoomSpeed = kZoomSpringStep;
        fov += kZoomSpringStep;
        if (fov >= kSpringBackFov) {
            fov = kSpringBackFov;
            state = Running;
            zoomSpeed = 0;
        }
    } else {
        fov += zoomSpeed;
    }
}
