#pragma once

#include "CTransitModelBase.h"

// Morphs the flat fisheye circle into the full-screen perspective view and
// back: the disk bends into the hemisphere while the eye moves from the
// framing distance into the hemisphere's centre and turns toward the tilt.
class CTransitOrigin2Pers : public CTransitModelBase
{
public:
    // Eye position of the cropped-circle perspective, as seen from this model:
    // 100 - 19.673035 units from the hemisphere's centre.
    static constexpr float kAltEyeDistance = 80.32697f;

    CTransitOrigin2Pers() = default;

    bool Init() override;
    void Start() override;
    void SetDirection(bool forward, bool apply) override;
    int Animate() override;
    void UpdateMatrices(int viewWidth, int viewHeight) override;
    void BuildView(int viewWidth, int viewHeight) override;

private:
    void StepByWheel();
    void PlaceWallCamera(float progress, bool cropped);
    void PlaceCeilingCamera(int viewWidth, float progress, bool cropped);
};
