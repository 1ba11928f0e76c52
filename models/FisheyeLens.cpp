#include "FisheyeLens.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = kPi / 2.0;
// Below this a coordinate is the centre, whose azimuth is undefined.
constexpr double kCentreEpsilon = 1e-12;

struct ProjectionName {
    FisheyeLens::Projection projection;
    const char* name;
};

constexpr ProjectionName kNames[] = {
    {FisheyeLens::Projection::Equidistant, "equidistant"},
    {FisheyeLens::Projection::Equisolid, "equisolid"},
    {FisheyeLens::Projection::Stereographic, "stereographic"},
    {FisheyeLens::Projection::Orthographic, "orthographic"},
};

double Radians(double degrees)
{
    return degrees * kPi / 180.0;
}

} // namespace

FisheyeLens FisheyeLens::Make(Projection projection, double fovDegrees)
{
    FisheyeLens lens;
    lens.projection = projection;
    lens.fovDegrees = std::isfinite(fovDegrees)
                          ? std::clamp(fovDegrees, kMinFovDegrees, MaxFovDegrees(projection))
                          : kDefaultFovDegrees;
    return lens;
}

double FisheyeLens::MaxFovDegrees(Projection projection)
{
    return projection == Projection::Orthographic ? kMaxOrthographicFovDegrees : kMaxFovDegrees;
}

QString FisheyeLens::Name(Projection projection)
{
    for (const ProjectionName& entry : kNames) {
        if (entry.projection == projection) {
            return QString::fromLatin1(entry.name);
        }
    }
    return QString();
}

std::optional<FisheyeLens::Projection> FisheyeLens::FromName(const QString& name)
{
    for (const ProjectionName& entry : kNames) {
        if (name == QLatin1String(entry.name)) {
            return entry.projection;
        }
    }
    return std::nullopt;
}

std::optional<FisheyeLens> FisheyeLens::Parse(const QString& projectionText,
                                              const QString& fovText)
{
    Projection projection = Projection::Equidistant;
    if (!projectionText.isNull()) {
        const std::optional<Projection> named = FromName(projectionText);
        if (!named) {
            return std::nullopt;
        }
        projection = *named;
    }
    double fov = kDefaultFovDegrees;
    if (!fovText.isNull()) {
        bool ok = false;
        fov = fovText.toDouble(&ok);
        if (!ok || fov < kMinFovDegrees || fov > MaxFovDegrees(projection)) {
            return std::nullopt;
        }
    }
    return Make(projection, fov);
}

bool FisheyeLens::IsDefault() const
{
    return *this == FisheyeLens();
}

bool FisheyeLens::operator==(const FisheyeLens& other) const
{
    return projection == other.projection && fovDegrees == other.fovDegrees;
}

double FisheyeLens::RadiusAt(double polarAngle) const
{
    const double half = Radians(fovDegrees) / 2.0;
    switch (projection) {
    case Projection::Equisolid:
        return std::sin(polarAngle / 2.0) / std::sin(half / 2.0);
    case Projection::Stereographic:
        return std::tan(polarAngle / 2.0) / std::tan(half / 2.0);
    case Projection::Orthographic:
        return std::sin(std::min(polarAngle, kHalfPi)) / std::sin(std::min(half, kHalfPi));
    case Projection::Equidistant:
        break;
    }
    return polarAngle / half;
}

double FisheyeLens::PolarAngleAt(double radius) const
{
    const double half = Radians(fovDegrees) / 2.0;
    switch (projection) {
    case Projection::Equisolid:
        return 2.0 * std::asin(std::clamp(radius * std::sin(half / 2.0), -1.0, 1.0));
    case Projection::Stereographic:
        return 2.0 * std::atan(radius * std::tan(half / 2.0));
    case Projection::Orthographic:
        return std::asin(std::clamp(radius * std::sin(std::min(half, kHalfPi)), -1.0, 1.0));
    case Projection::Equidistant:
        break;
    }
    return radius * half;
}

void FisheyeLens::PictureCoord(double polarAngle, double azimuth, double& x, double& y) const
{
    const double radius = RadiusAt(polarAngle);
    x = radius * std::cos(azimuth);
    y = radius * std::sin(azimuth);
}

void FisheyeLens::Direction(double x, double y, double& polarAngle, double& azimuth) const
{
    const double radius = std::hypot(x, y);
    polarAngle = PolarAngleAt(radius);
    azimuth = radius > kCentreEpsilon ? std::atan2(y, x) : 0.0;
}

void FisheyeLens::RemapFromDefault(const float* in, float* out, int count) const
{
    if (count <= 0) {
        return;
    }
    if (IsDefault()) {
        if (in != out) {
            std::memmove(out, in, size_t(count) * 2 * sizeof(float));
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        const double u = in[2 * i];
        const double v = in[2 * i + 1];
        const double length = std::hypot(u, v);
        // The default lens puts polar angle theta at theta / (pi / 2); the
        // direction keeps its azimuth, so the coordinate only changes length.
        const double scale = length > kCentreEpsilon ? RadiusAt(length * kHalfPi) / length : 1.0;
        out[2 * i] = float(u * scale);
        out[2 * i + 1] = float(v * scale);
    }
}
