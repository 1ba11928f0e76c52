#include "PanoramaModelBase.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kInputEpsilon = 1e-6f;

// Where a pointer at position (0 to size pixels) lies across a window,
// -1 at its low edge to 1 at its high edge.
float Across(float position, int size)
{
    return position / float(size) * 2.0f - 1.0f;
}

} // namespace

void PanoramaModelBase::Reset()
{
    CExpandModelBase::Reset();
    m_zoomScale = 1.0f;
    m_zoomOffsetX = m_zoomOffsetY = 0.0f;
}

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

bool PanoramaModelBase::IsZoomedIn() const
{
    return m_zoomScale < 1.0f - kInputEpsilon;
}

PanoramaModelBase::Window PanoramaModelBase::ZoomWindow(int width, int height, float halfWidth,
                                                        float halfHeight)
{
    if (std::fabs(wheel) > kInputEpsilon) {
        const float scale = ClampTo(m_zoomScale + wheel, kMinZoomScale, 1.0f);
        // The point under the pointer stays where it is; without a pointer
        // inside the view the zoom keeps the window's centre.
        if (clickValid && clickX >= 0 && clickY >= 0 && clickX <= float(width) &&
            clickY <= float(height)) {
            const float u = Across(clickX, width);
            const float v = Across(clickY, height);
            m_zoomOffsetX += u * halfWidth * (m_zoomScale - scale);
            m_zoomOffsetY += v * halfHeight * (m_zoomScale - scale);
        }
        m_zoomScale = scale;
    }
    if (IsZoomedIn() && std::fabs(dragY) > kInputEpsilon) {
        // The picture follows the pointer: up is positive in dragY and in
        // eye space.
        m_zoomOffsetY -= dragY * 2.0f * halfHeight * m_zoomScale / float(height);
    }
    const float slackX = halfWidth * (1.0f - m_zoomScale);
    const float slackY = halfHeight * (1.0f - m_zoomScale);
    m_zoomOffsetX = ClampTo(m_zoomOffsetX, -slackX, slackX);
    m_zoomOffsetY = ClampTo(m_zoomOffsetY, -slackY, slackY);
    const float shownWidth = halfWidth * m_zoomScale;
    const float shownHeight = halfHeight * m_zoomScale;
    return {m_zoomOffsetX - shownWidth, m_zoomOffsetX + shownWidth, m_zoomOffsetY - shownHeight,
            m_zoomOffsetY + shownHeight};
}

void PanoramaModelBase::FinishPanorama(int width, float hHalf, float dragThreshold)
{
    // Zoomed in, a drag turns the view as far as the narrower window shows,
    // so that the picture keeps up with the pointer.
    const int dragWidth = std::max(1, int(std::lround(float(width) / m_zoomScale)));
    DragPan(dragThreshold, dragWidth);
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
