#pragma once

#include "CExpandModelBase.h"

// An ordinary rectangular picture with zoom and pan, drawn on the 4-vertex
// quad the render core builds for the picture's aspect.
class ExpandRectImage : public CExpandModelBase
{
public:
    ExpandRectImage();
    ~ExpandRectImage() override;

    bool Init() override;
    void Reset() override;
    void Start() override;
    int Animate() override;
    // The largest scale step a frame takes.
    float WheelUnitsPerNotch() const override { return 0.05f; }
    float Scale() const { return scale; }
    Pose CurrentPose() const override { return {eye.x(), offsetY, scale, 0.0f}; }
    void RestorePose(const Pose& pose) override
    {
        panSpeed = tiltSpeed = zoomSpeed = 0;
        eye.setX(pose[0]);
        offsetY = pose[1];
        scale = pose[2];
    }
    void UpdateMatrices(int viewWidth, int viewHeight) override;
    void BuildView(int viewWidth, int viewHeight) override;

protected:
    // Half-extent of the shown part as a share of the picture, 0.1..1.4.
    float scale;
    float offsetY;
    float limitX;
    float limitY;

private:
    void ApplyInput(int viewWidth, int viewHeight);
};
