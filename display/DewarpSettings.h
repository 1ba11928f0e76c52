#pragma once
// One dewarped view as it is set: the layout, the camera's mount, the fisheye
// circle, the lens and where each of the layout's views points. Enough for a
// render core of its own (DewarpRenderer) to show what the screen shows.
// Plain value type, any thread.

#include "CModelBase.h"
#include "FisheyeLens.h"
#include "PanoMode.h"

#include <optional>
#include <vector>

struct DewarpSettings {
    // ViewLayout::ViewMode, 0 to 13.
    int layout = 1;
    PanoMode mount = kPanoModeCeiling;
    // The circle in picture pixels; a radius of 0 takes the picture's default
    // circle (centred, half the shorter side).
    int circleX = 0;
    int circleY = 0;
    int circleRadius = 0;
    FisheyeLens lens;
    // The layout's views slot by slot, as CModelBase::CurrentPose read them on
    // the screen; empty: each view starts where the layout puts it.
    std::vector<CModelBase::Pose> poses;
    // The first view turned to these, degrees: pan for every kind of view,
    // tilt and field of view for a perspective view (others ignore them).
    std::optional<float> panDegrees;
    std::optional<float> tiltDegrees;
    std::optional<float> fovDegrees;
};
