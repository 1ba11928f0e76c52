#include "ExpandRectImage.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kInputEpsilon = 1e-6f;
constexpr float kMinScale = 0.1f;
constexpr float kMaxScale = 1.4f;
// Scale change per frame from the wheel, and the zoom speed it leaves.
constexpr float kMaxWheelStep = 0.05f;
constexpr float kMaxZoomSpeed = 0.01f;
// Slide speeds: the tilt clamp is 0.3, the pan clamp the float just below it.
constexpr float kMaxTiltSpeed = 0.3f;
constexpr float kMaxPanSpeed = 0.29999998f;
// Picture units moved per unit of slide speed.
constexpr float kSlideGain = 0.06f;

} // namespace

ExpandRectImage::ExpandRectImage() : scale(1), offsetY(0), limitX(0), limitY(0)
{
    ExpandRectImage::Reset();
}

ExpandRectImage::~ExpandRectImage()
{
    ExpandRectImage::Reset();
}

bool ExpandRectImage::Init()
{
    ExpandRectImage::Reset();
    return CExpandModelBase::Init();
}

void ExpandRectImage::Reset()
{
    CExpandModelBase::Reset();
    scale = 1;
    offsetY = limitX = limitY = 0;
    fov = 100;
}

void ExpandRectImage::Start()
{
    CExpandModelBase::Start();
    tiltSpeed = zoomSpeed = 0;
}

void ExpandRectImage::BuildView(int, int)
{
    homeEye = eye = QVector3D(0, 0, 1);
    centre = QVector3D();
}

void ExpandRectImage::ApplyInput(int width, int height)
{
    const bool wheelMoved = std::fabs(wheel) > kInputEpsilon;
    if (wheelMoved) {
        wheel = ClampTo(wheel, -kMaxWheelStep, kMaxWheelStep);
        zoomSpeed = ClampTo(wheel, -kMaxZoomSpeed, kMaxZoomSpeed);
        scale += wheel;
    }
    if (std::fabs(dragY) > kInputEpsilon) {
        tiltSpeed = ClampTo(dragY * 90.0f / float(height), -kMaxTiltSpeed, kMaxTiltSpeed);
    } else if (wheelMoved) {
        tiltSpeed = 0;
    }
    if (std::fabs(dragX) > kInputEpsilon) {
        panSpeed = ClampTo(dragX * 135.0f / float(width), -kMaxPanSpeed, kMaxPanSpeed);
    } else if (wheelMoved) {
        panSpeed = 0;
    }
    if (scale < kMinScale || scale > kMaxScale) {
        scale = ClampTo(scale, kMinScale, kMaxScale);
        zoomSpeed = 0;
    }
}

void ExpandRectImage::UpdateMatrices(int width, int height)
{
    // The quad spans the picture's aspect on its longer side and 1 on the
    // shorter one, so a portrait picture is framed by its height.
    const float aspect = float(srcWidth) / float(srcHeight);
    const float halfX = std::max(aspect, 1.0f);
    const float halfY = std::max(1.0f / aspect, 1.0f);
    projMatrix.setToIdentity();
    projMatrix.ortho(-halfX * scale, halfX * scale, -halfY * scale, halfY * scale, 0.1f, 1000.0f);
    limitY = (1.0f - scale) * halfY;
    limitX = (1.0f - scale) * halfX;
    ApplyInput(width, height);
    if (scale < 1.0f) {
        const float x = ClampTo(eye.x() - kSlideGain * panSpeed, -limitX, limitX);
        eye.setX(x);
        centre.setX(ClampTo(centre.x() - kSlideGain * panSpeed, -limitX, limitX));
        offsetY = ClampTo(offsetY + kSlideGain * tiltSpeed, -limitY, limitY);
    }
    viewMatrix.setToIdentity();
    viewMatrix.lookAt(eye, centre, QVector3D(0, 1, 0));
    // The picture is shown as it is whatever the mount: its rows run top-down,
    // so the quad is turned over like a ceiling mesh, never stood on edge.
    QMatrix4x4 pictureFlip;
    pictureFlip.scale(1.0f, -1.0f, -1.0f);
    modelMatrix.setToIdentity();
    modelMatrix.translate(0, offsetY, 0);
    modelMatrix *= viewMatrix * pictureFlip;
    texMatrix.setToIdentity();
    ClearFrameInput();
}

int ExpandRectImage::Animate()
{
    // A slide in any axis coasts to rest; the zoom speed only records the wheel.
    if (pressed
        || (std::fabs(panSpeed) <= kInputEpsilon && std::fabs(tiltSpeed) <= kInputEpsilon
            && std::fabs(zoomSpeed) <= kInputEpsilon)) {
        return state;
    }
    panSpeed = DecaySpeed(panSpeed);
    tiltSpeed = DecaySpeed(tiltSpeed);
    return state;
}
