#pragma once

#include "PerspectiveModelBase.h"

// The full-screen perspective view. On a cropped circle (visible aspect above
// 1.01) it narrows the field of view and moves the eye back so that the
// picture's straight edges stay inside the view.
class ExpandPerspective2 : public PerspectiveModelBase
{
public:
    // Field of view factor and eye offset used on a cropped circle.
    static constexpr float kCroppedFovScale = 0.843f;
    static constexpr float kCroppedEyeBack = 19.673035f;

    ExpandPerspective2() = default;

    int Animate() override;
    void UpdateMatrices(int viewWidth, int viewHeight) override;
};
