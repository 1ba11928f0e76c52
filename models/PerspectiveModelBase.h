#pragma once

#include "CExpandModelBase.h"

// A virtual pan-tilt-zoom camera at the centre of the hemisphere mesh: drag to
// pan and tilt, wheel to zoom; released motion coasts, springs back inside the
// picture's limits, can cruise slowly and can fly to a target direction.
class PerspectiveModelBase : public CExpandModelBase
{
public:
    // Field of view range, degrees; a zoom-in below kSpringBackFov springs back.
    static constexpr float kMaxFov = 90.0f;
    static constexpr float kMinFov = 40.0f;
    static constexpr float kSpringBackFov = 60.0f;

    ~PerspectiveModelBase() override;

    bool Init() override;
    void Reset() override;
    void Start() override;
    void Stop() override;
    bool SetSource(int mountType, int width, int height, float radius, float centreX,
                   float centreY) override;
    void BuildView(int viewWidth, int viewHeight) override;

protected:
    PerspectiveModelBase();

    // The motion part of a tick; returns the state code.
    int AnimateMotion();
    // The whole matrix update with the projection's fov scaled by fovScale
    // and the eye moved back by eyeBack along the viewing axis.
    void UpdatePerspective(int viewWidth, int viewHeight, float fovScale, float eyeBack);

    bool leaveFlag;
    // Degrees the wheel pushed past the widest view in the current gesture;
    // it fades each tick, so that only a quick, repeated push leaves.
    float leaveOvershoot;
    float outlinePan;
    float outlineTilt;
    float outlineFov;
    int outlineWidth;
    int outlineHeight;

private:
    struct Limits {
        float panMin, panMax, tiltMin, tiltMax;
        float centrePanMin, centrePanMax, centreTiltMin, centreTiltMax;
    };
    void ClearOutlineCache();
    void ApplyDragAndWheel(int viewWidth, int viewHeight);
    // One step of the go-to toward the target direction.
    void FlyToTarget();
    void StepPan(const Limits& limits, bool outP, bool outT);
    void StepPanOutside(const Limits& limits, bool outT);
    void StepCruisePan(const Limits& limits);
    void StepTilt(const Limits& limits, bool outP, bool outT);
    void StepTiltOutside(const Limits& limits, bool outP);
    void StepZoom();
    bool CruisesSideways() const;
};
