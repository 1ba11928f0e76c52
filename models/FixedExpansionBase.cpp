#include "FixedExpansionBase.h"

bool FixedExpansionBase::Init()
{
    FixedExpansionBase::Reset();
    return CExpandModelBase::Init();
}

int FixedExpansionBase::Animate()
{
    if (state < Idle || state > AutoZoom) {
        state = Idle;
    }
    return state;
}

void FixedExpansionBase::BuildView(int, int)
{
    homeEye = mountType == MountCeiling ? QVector3D(0, 0, 100) : QVector3D(0, -100, 0);
    eye = homeEye;
    centre = QVector3D();
}

void FixedExpansionBase::UpdateMatrices(int, int)
{
    // The mesh spans +-100 both ways; the projection crops it to the visible
    // aspect of the circle, whatever the viewport.
    float d = 0;
    float f = 0;
    VisibleExtents(d, f);
    const float k = d / f;
    projMatrix.setToIdentity();
    if (d > f) {
        projMatrix.ortho(-100.0f, 100.0f, -100.0f / k, 100.0f / k, 1.0f, 400.0f);
    } else {
        projMatrix.ortho(-100.0f * k, 100.0f * k, -100.0f, 100.0f, 1.0f, 400.0f);
    }
    viewMatrix.setToIdentity();
    viewMatrix.lookAt(eye, centre, up);
    modelMatrix = viewMatrix * mountMatrix;
    BuildTexMatrix(TexRotation::None);
    ClearFrameInput();
}
