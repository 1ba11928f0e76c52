#pragma once

#include "CExpandModelBase.h"

// Shared behaviour of the scrolling longitude-latitude views (the panorama
// window, the whole strip and the cylinder): the external pan is the internal
// one plus 90 degrees, scrolling rotates the fisheye texture, released motion
// coasts or cruises.
class PanoramaModelBase : public CExpandModelBase
{
public:
    // Internal pan = external pan - kPanOffset.
    static constexpr float kPanOffset = 90.0f;

    void SetAngles(float pan, float tilt) override;
    void GetAngles(float& pan, float& tilt) const override;
    int Animate() override;

protected:
    // Drag, pan limits, camera and texture matrices, then the frame input is
    // consumed. hHalf is the half-width of the view in degrees.
    void FinishPanorama(int viewWidth, float hHalf, float dragThreshold);
    // Eye on the mount's viewing axis at distance 100 / tan(fov / 2).
    void BuildFlatView();
};
