#pragma once

#include <QString>

#include <optional>

// The lens that recorded a fisheye picture: how the angle of a ray from the
// optical axis (the polar angle) becomes a distance from the circle centre.
// Distances are in fisheye-circle units (1 is the circle's radius, where the
// rays at half the field of view land); angles in radians unless a name says
// degrees. Picture coordinates run x to the right and y down the picture, and
// a direction's azimuth is measured in that plane from +x toward +y.
//
//   equidistant    r = theta / half
//   equisolid      r = sin(theta / 2) / sin(half / 2)
//   stereographic  r = tan(theta / 2) / tan(half / 2)
//   orthographic   r = sin(theta) / sin(half)
//
// with half = half the field of view. An orthographic lens cannot see past
// 90 degrees from its axis, so its field of view is at most 180 degrees.
//
// The meshes of the dewarp models carry their texture coordinates for the
// default lens (equidistant, 180 degrees), where a coordinate's length is the
// polar angle over pi/2; RemapFromDefault turns such coordinates into this
// lens's.
//
// A plain value type without shared state; any thread.
struct FisheyeLens {
    enum class Projection { Equidistant, Equisolid, Stereographic, Orthographic };

    static constexpr double kMinFovDegrees = 120.0;
    static constexpr double kMaxFovDegrees = 240.0;
    static constexpr double kMaxOrthographicFovDegrees = 180.0;
    static constexpr double kDefaultFovDegrees = 180.0;

    Projection projection = Projection::Equidistant;
    double fovDegrees = kDefaultFovDegrees;

    // The lens with its field of view brought into the range its projection
    // allows.
    static FisheyeLens Make(Projection projection, double fovDegrees);
    static double MaxFovDegrees(Projection projection);

    // The names used on the command line and in the settings file:
    // "equidistant", "equisolid", "stereographic", "orthographic".
    static QString Name(Projection projection);
    static std::optional<Projection> FromName(const QString& name);
    // The lens a command line names: a projection name (null: equidistant)
    // and a field of view in degrees (null: the default). Only what a lens
    // can be is accepted, nothing is brought into range silently; empty
    // otherwise.
    static std::optional<FisheyeLens> Parse(const QString& projectionText, const QString& fovText);

    bool IsDefault() const;
    bool operator==(const FisheyeLens& other) const;
    bool operator!=(const FisheyeLens& other) const { return !(*this == other); }

    // Distance from the centre of a ray at polarAngle from the axis.
    double RadiusAt(double polarAngle) const;
    // The inverse: the polar angle of a point at radius from the centre; for
    // an orthographic lens, radii past the rim give 90 degrees.
    double PolarAngleAt(double radius) const;

    // A direction to picture coordinates in circle units, and back.
    void PictureCoord(double polarAngle, double azimuth, double& x, double& y) const;
    void Direction(double x, double y, double& polarAngle, double& azimuth) const;

    // Rewrites count coordinate pairs laid out for the default lens into this
    // lens's coordinates, from in to out (which may be the same array); the
    // default lens copies them unchanged.
    void RemapFromDefault(const float* in, float* out, int count) const;
};
