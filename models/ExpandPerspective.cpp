#include "ExpandPerspective.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kAngleEpsilon = 1e-6f;
// Quarter turn: the polar angle of the horizon.
constexpr float kHalfPi = 1.5707964f;
constexpr float kPi = 3.14159265f;
// Pixels between two outline samples along the viewport border.
constexpr int kPerimeterStep = 2;
// The walk adds a few points beyond one per two border pixels.
constexpr int kPerimeterSlack = 10;

} // namespace

ExpandPerspective::ExpandPerspective()
    : m_outlineStorage(new float[kOutlineCapacity * 2]()),
      perimeter(new float[kOutlineCapacity * 3]()),
      perimeterLength(new float[kOutlineCapacity]())
{
    outlinePoints = m_outlineStorage.get();
    outlineCapacity = kOutlineCapacity;
}

ExpandPerspective::~ExpandPerspective()
{
    ExpandPerspective::Reset();
}

void ExpandPerspective::UpdateMatrices(int width, int height)
{
    UpdatePerspective(width, height, 1.0f, 0.0f);
}

int ExpandPerspective::Animate()
{
    AnimateMotion();
    UpdateOutline();
    return state;
}

void ExpandPerspective::UpdateOutline()
{
    if (mountType != MountCeiling || !showOutline || !selected || outlinePoints == nullptr
        || viewWidth <= 0 || viewHeight <= 0
        || outlineCapacity < viewWidth + viewHeight + kPerimeterSlack) {
        return;
    }
    bool recompute = false;
    const bool resized = viewWidth != outlineWidth || viewHeight != outlineHeight;
    if (resized) {
        BuildPerimeter();
        outlineWidth = viewWidth;
        outlineHeight = viewHeight;
        recompute = true;
    }
    if (resized || std::fabs(outlineFov - fov) > kAngleEpsilon) {
        const float focal =
            (float(viewHeight) / 2.0f) / std::tan(qDegreesToRadians(fov) / 2.0f);
        for (int i = 0; i < outlineCount; ++i) {
            float* point = perimeter.get() + 3 * i;
            point[1] = focal;
            perimeterLength[i] =
                std::sqrt(point[0] * point[0] + point[1] * point[1] + point[2] * point[2]);
        }
        outlineFov = fov;
        recompute = true;
    }
    if (recompute || std::fabs(pan - outlinePan) > kAngleEpsilon
        || std::fabs(tilt - outlineTilt) > kAngleEpsilon) {
        ProjectPerimeter();
        outlinePan = pan;
        outlineTilt = tilt;
    }
}

void ExpandPerspective::AddPerimeterPoint(float x, float z)
{
    if (outlineCount >= outlineCapacity) {
        return;
    }
    float* point = perimeter.get() + 3 * outlineCount;
    point[0] = x;
    point[1] = 0;
    point[2] = z;
    ++outlineCount;
}

void ExpandPerspective::BuildPerimeter()
{
    // The view centre, then a closed walk around the border from the middle
    // of the top edge: right, down, left, up and back to the middle.
    const int hw = viewWidth / 2;
    const int hh = viewHeight / 2;
    outlineCount = 0;
    AddPerimeterPoint(0, 0);
    for (int x = 0; x < hw; x += kPerimeterStep) {
        AddPerimeterPoint(float(x), float(hh));
    }
    for (int z = hh; z > -hh; z -= kPerimeterStep) {
        AddPerimeterPoint(float(hw), float(z));
    }
    for (int x = viewWidth - hw - 1; x > -hw; x -= kPerimeterStep) {
        AddPerimeterPoint(float(x), float(-hh));
    }
    for (int z = -hh; z < hh; z += kPerimeterStep) {
        AddPerimeterPoint(float(-hw), float(z));
    }
    for (int x = -hw; x < 0; x += kPerimeterStep) {
        AddPerimeterPoint(float(x), float(hh));
    }
    AddPerimeterPoint(0, float(hh));
}

void ExpandPerspective::ProjectPerimeter()
{
    const float p = qDegreesToRadians(pan);
    const float t = qDegreesToRadians(tilt);
    const float cp = std::cos(p);
    const float sp = std::sin(p);
    const float ct = std::cos(t);
    const float st = std::sin(t);
    for (int i = 0; i < outlineCount; ++i) {
        const float* point = perimeter.get() + 3 * i;
        const float x = point[0];
        const float y = point[1];
        const float z = point[2];
        const float worldX = x * cp + y * ct * sp - z * st * sp;
        const float worldY = -x * sp + y * ct * cp - z * st * cp;
        const float worldZ = y * st + z * ct;
        const float polar = std::min(
            kPi - std::acos(std::clamp(worldZ / perimeterLength[i], -1.0f, 1.0f)), kHalfPi);
        const float across = std::sqrt(worldX * worldX + worldY * worldY);
        float azimuth = 0;
        if (across > kAngleEpsilon) {
            azimuth = std::acos(std::clamp(worldY / across, -1.0f, 1.0f));
        }
        if (!(worldX < 0)) {
            azimuth = -azimuth;
        }
        outlinePoints[2 * i] = azimuth;
        outlinePoints[2 * i + 1] = polar;
    }
}
