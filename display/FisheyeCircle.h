#pragma once

#include "PanoMode.h"

// The fisheye circle of a picture: centre and radius in picture pixels, x to
// the right and y downward from the picture's top-left corner (pixel i covers
// i .. i + 1).
struct FisheyeCircle {
    // A circle counts as cut when it reaches past the picture's top or bottom
    // edge by more than this fraction of its radius.
    static constexpr double kCutTolerance = 0.02;

    double centreX = 0.0;
    double centreY = 0.0;
    double radius = 0.0;

    bool IsValid() const { return radius > 0.0; }

    // Whether the picture's top or bottom edge cuts the circle (a wall-mounted
    // camera's picture) rather than holding it whole.
    bool IsCut(int pictureHeight) const
    {
        const double slack = radius * kCutTolerance;
        return centreY - radius < -slack || centreY + radius > pictureHeight + slack;
    }

    // The view's fisheye slots take a full circle as 0 and a cut one as any
    // other value.
    PanoMode Shape(int pictureHeight) const
    {
        return IsCut(pictureHeight) ? kPanoModeWall : kPanoModeCeiling;
    }

    // Centred, touching the shorter sides: what a fisheye lens usually gives.
    static FisheyeCircle Centred(int pictureWidth, int pictureHeight)
    {
        const int shorter = pictureWidth < pictureHeight ? pictureWidth : pictureHeight;
        return {pictureWidth * 0.5, pictureHeight * 0.5, shorter * 0.5};
    }
};
