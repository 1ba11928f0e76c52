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

void FixedExpansionBase::UpdateMatrices(int width, int height)
{
    // The mesh spans +-100 on its longer side and the visible aspect of the
    // circle on the other; the projection keeps that shape in any viewport,
    // with black bars where the viewport is wider or taller.
    float d = 0;
    float f = 0;
    VisibleExtents(d, f);
    const float k = d / f;
    const float halfW = d > f ? 100.0f : 100.0f * k;
    const float halfH = d > f ? 100.0f / k : 100.0f;
    const float content = halfW / halfH;
    const float view = width > 0 && height > 0 ? float(width) / float(height) : content;
    projMatrix.setToIdentity();
    if (view > content) {
        projMatrix.ortho(-halfH * view, halfH * view, -halfH, halfH, 1.0f, 400.0f);
    } else {
        projMatrix.ortho(-halfW, halfW, -halfW / view, halfW / view, 1.0f, 400.0f);
    }
    viewMatrix.setToIdentity();
    viewMatrix.lookAt(eye, centre, up);
    modelMatrix = viewMatrix * mountMatrix;
    BuildTexMatrix(TexRotation::None);
    ClearFrameInput();
}
