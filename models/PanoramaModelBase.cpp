#include "PanoramaModelBase.h"

#include <cmath>

namespace {

constexpr float kHalfPi = 1.5707964f;

} // namespace

void PanoramaModelBase::SetAngles(float newPan, float newTilt)
{
    pan = newPan - kPanOffset;
    tilt = newTilt;
}

void PanoramaModelBase::GetAngles(float& outPan, float& outTilt) const
{
    outPan = pan + kPanOffset;
    outTilt = tilt;
}

int PanoramaModelBase::Animate()
{
    PanoramaInertia();
    return state;
}

void PanoramaModelBase::BuildFlatView()
{
    const float half = fov * kHalfPi / 180.0f;
    const float distance = 100.0f / std::tan(half);
    homeEye = mountType == MountCeiling ? QVector3D(0, 0, distance) : QVector3D(0, -distance, 0);
    eye = homeEye;
    centre = QVector3D();
}

void PanoramaModelBase::FinishPanorama(int width, float hHalf, float dragThreshold)
{
    DragPan(dragThreshold, width);
    if (mountType != MountCeiling) {
        pan = ClampTo(pan, hHalf - 90.0f, 90.0f - hHalf);
    } else {
        pan = WrapDegrees(pan);
    }
    tilt = 0;
    viewMatrix.setToIdentity();
    viewMatrix.lookAt(eye, centre, up);
    modelMatrix = viewMatrix * mountMatrix;
    BuildTexMatrix(TexRotation::Pan);
    ClearFrameInput();
}
