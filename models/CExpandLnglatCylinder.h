#pragma once

#include "PanoramaModelBase.h"

// The panorama wrapped on a cylinder seen obliquely from above; an upward
// swipe asks to leave the mode.
class CExpandLnglatCylinder : public PanoramaModelBase
{
public:
    // Elevation of the eye above the cylinder's middle, radians (30 degrees).
    static constexpr float kElevation = 0.5235988f;
    // Eye distance from the cylinder's centre.
    static constexpr float kEyeDistance = 400.0f;


    bool Init() override;
    void UpdateMatrices(int viewWidth, int viewHeight) override;
    void BuildView(int viewWidth, int viewHeight) override;
};
