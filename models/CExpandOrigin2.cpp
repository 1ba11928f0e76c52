#include "CExpandOrigin2.h"

#include <algorithm>
#include <cmath>

namespace {

// Quarter turn: the polar angle of the circle's rim under the equidistant lens.
constexpr float kHalfPi = 1.5707964f;
constexpr float kDegreesPerRadian = 57.295776f;
// A click never aims above this polar term (radians), just below the horizon.
constexpr float kHighestPolarTerm = -0.1f;

} // namespace

CExpandOrigin2::CExpandOrigin2() : m_regionStorage(new float[kRegionCapacity * 3]())
{
    regionPoints[0] = m_regionStorage.get();
    regionCapacity = kRegionCapacity;
}

CExpandOrigin2::~CExpandOrigin2()
{
    CExpandOrigin2::Reset();
}

bool CExpandOrigin2::Init()
{
    CExpandOrigin2::Reset();
    return CExpandModelBase::Init();
}

void CExpandOrigin2::BuildView(int width, int height)
{
    const float framing = FramingDistance(width, height);
    homeEye = mountType == MountCeiling ? QVector3D(0, 0, framing) : QVector3D(0, -framing, 0);
    eye = homeEye;
    centre = QVector3D();
}

void CExpandOrigin2::UpdateMatrices(int width, int height)
{
    projMatrix.setToIdentity();
    projMatrix.perspective(90.0f, float(width) / float(height), 1.0f, 400.0f);
    viewMatrix.setToIdentity();
    viewMatrix.lookAt(eye, centre, up);
    modelMatrix = viewMatrix * mountMatrix;
    BuildTexMatrix(TexRotation::None);
    ClearFrameInput();
}

int CExpandOrigin2::Animate()
{
    if (state < Idle || state > AutoZoom) {
        state = Idle;
    }
    if (regionOn && pressed && clickValid && viewWidth > 0 && viewHeight > 0
        && clickX >= 0 && clickX < float(viewWidth) && clickY >= 0
        && clickY < float(viewHeight)) {
        ClickToDirection();
    }
    return state;
}

void CExpandOrigin2::ClickToDirection()
{
    float d = 0;
    float f = 0;
    VisibleExtents(d, f);
    const float aspect = float(viewWidth) / float(viewHeight);
    const bool widthLimited = !(aspect > d / f);
    // Offset from the circle centre in picture pixels, y up.
    const float y = (clickY - float(viewHeight) / 2.0f) * 2.0f / float(viewHeight)
                    * (widthLimited ? d / aspect : f);
    const float x = (clickX - float(viewWidth) / 2.0f) * 2.0f / float(viewWidth)
                    * (widthLimited ? d : aspect * f);
    const float length = std::sqrt(x * x + y * y);
    // At the exact centre every azimuth is the same direction; 0 is chosen.
    float azimuth = length > 0 ? std::acos(std::clamp(y / length, -1.0f, 1.0f)) : 0.0f;
    if (x > 0) {
        azimuth = -azimuth;
    }
    const float polar = std::min(kHalfPi * length / radius - kHalfPi, kHighestPolarTerm);
    pan = azimuth * kDegreesPerRadian;
    tilt = polar * kDegreesPerRadian;
}

void CExpandOrigin2::SetRegion(bool enable, const float* points, int count)
{
    regionOn = false;
    if (points == nullptr || count <= 0 || mountType != MountCeiling) {
        return;
    }
    regionOn = enable;
    if (count > regionCapacity || regionPoints[0] == nullptr) {
        return;
    }
    regionCounts[0] = count;
    regionPolygons = 1;
    float d = 0;
    float f = 0;
    VisibleExtents(d, f);
    // Before the first draw the viewport is unknown and counts as square.
    const float aspect =
        viewWidth > 0 && viewHeight > 0 ? float(viewWidth) / float(viewHeight) : 1.0f;
    float sx = 0;
    float sy = 0;
    if (aspect > d / f) {
        sy = radius / f;
        sx = radius / (f * aspect);
    } else {
        sy = radius * aspect / d;
        sx = radius / d;
    }
    float* out = regionPoints[0];
    for (int i = 0; i < count; ++i) {
        const float azimuth = points[2 * i];
        const float rho = points[2 * i + 1] / kHalfPi;
        out[3 * i] = std::sin(azimuth) * rho * sx;
        out[3 * i + 1] = std::cos(azimuth) * rho * sy;
        out[3 * i + 2] = -1.0f;
    }
}
