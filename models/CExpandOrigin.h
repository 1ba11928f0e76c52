#pragma once

#include "CExpandModelBase.h"

// The fisheye circle shown flat, framed so that its visible part fills the
// viewport. Ceiling views turn about the centre; the wheel or a vertical drag
// pushes the circle away (up to twice the framing distance), and zooming in
// past the framing distance asks the render core to leave the mode.
class CExpandOrigin : public CExpandModelBase
{
public:
    CExpandOrigin();
    ~CExpandOrigin() override;

    bool Init() override;
    void Reset() override;
    void Start() override;
    int Animate() override;
    // A tenth of the distance range per notch.
    float WheelUnitsPerNotch() const override { return 0.1f; }
    float Distance() const { return distance; }
    Pose CurrentPose() const override { return {pan, tilt, fov, distance}; }
    void RestorePose(const Pose& pose) override
    {
        CModelBase::RestorePose(pose);
        pan = pose[0];
        tilt = pose[1];
        distance = pose[3];
    }
    void UpdateMatrices(int viewWidth, int viewHeight) override;
    void BuildView(int viewWidth, int viewHeight) override;

protected:
    // Eye distance as a multiple of the framing distance, 1..2.
    float distance;
    float zoomStartPan;
    float zoomStartDistance;
    float zoomStep;

private:
    void ApplyZoomInput(int viewHeight);
    void SpringBack();
};
