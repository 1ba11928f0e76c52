#pragma once

#include "CTransitModelBase.h"

// Morphs the 360-degree panorama window into the cylinder and back: the strip
// rolls up while the eye rises from level to 30 degrees and the window grows
// to the cylinder's.
class CTransitLnglat2Cylinder : public CTransitModelBase
{
public:
    CTransitLnglat2Cylinder() = default;

    bool Init() override;
    void SetAngles(float pan, float tilt) override;
    void GetAngles(float& pan, float& tilt) const override;
    int Animate() override;
    void UpdateMatrices(int viewWidth, int viewHeight) override;
    void BuildView(int viewWidth, int viewHeight) override;

private:
    void SetWindow(int viewWidth, int viewHeight, float progress, float elevation);
};
