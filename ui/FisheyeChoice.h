#pragma once

#include "FisheyeCircle.h"
#include "FisheyeLens.h"
#include "PanoMode.h"
#include "ViewLayout.h"

// What the picture area shows of a fisheye file: the display, the layout and
// mount of the dewarped display, the circle with the size of the picture it
// was found in, and the lens that recorded the picture (which the dewarped
// display follows).
struct FisheyeChoice {
    enum class Display {
        Plain,  // the picture as decoded
        Zoom,   // enlarged onto the fisheye circle
        Circle, // the plain picture with the circle's outline and guide lines
        Dewarp, // the dewarped display in one of the render core's layouts
    };

    Display display = Display::Plain;
    int layout = ViewLayout::ViewOrigin;
    PanoMode mount = kPanoModeCeiling;
    FisheyeCircle circle;
    FisheyeLens lens;
    int pictureWidth = 0;
    int pictureHeight = 0;

    bool HasCircleFor(int width, int height) const
    {
        return circle.IsValid() && width == pictureWidth && height == pictureHeight;
    }

    // A wall mount offers only some layouts: this one, or the perspective
    // view when the mount does not offer it.
    int LayoutForMount() const
    {
        return ViewLayout::AcceptsMount(layout, mount) ? layout : int(ViewLayout::ViewPerspective);
    }
};
