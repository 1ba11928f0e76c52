#include "ExpandPerspective2.h"

namespace {

// Visible aspects up to this count as a whole circle.
constexpr float kCroppedAspect = 1.01f;

} // namespace

int ExpandPerspective2::Animate()
{
    return AnimateMotion();
}

void ExpandPerspective2::UpdateMatrices(int width, int height)
{
    float d = 0;
    float f = 0;
    VisibleExtents(d, f);
    if (d / f > kCroppedAspect) {
        UpdatePerspective(width, height, kCroppedFovScale, kCroppedEyeBack);
    } else {
        UpdatePerspective(width, height, 1.0f, 0.0f);
    }
}
