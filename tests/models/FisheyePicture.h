#pragma once

#include "FisheyeLens.h"

#include <QByteArray>
#include <QPointF>

// A synthetic fisheye picture for display and dewarp tests: a ceiling camera
// with an equidistant lens (90-degree half angle) looks straight down on a
// floor one unit below. The floor carries dark grid lines every kGridSpacing
// units on a bright ground whose chroma tells the four quadrants apart:
// U high where floor x > 0 (picture right), V high where floor y > 0
// (picture down). Directions steeper than kHorizonCut from the axis are flat
// grey, where the floor would be too foreshortened to show lines.
class FisheyePicture
{
public:
    static constexpr double kGridSpacing = 0.5;
    static constexpr double kLineHalfWidth = 0.02;
    static constexpr double kHorizonCutDegrees = 80.0;
    // Plane values of the scene, 0..255.
    static constexpr int kGroundLuma = 153;
    static constexpr int kLineLuma = 38;
    static constexpr int kCutLuma = 100;
    static constexpr int kChromaSwing = 38;

    // A YUV420P picture (Y plane, then U, then V) of width x height pixels
    // (both even) with the fisheye circle at (centreX, centreY), radius in
    // pixels; outside the circle it is black.
    static QByteArray Make(int width, int height, double centreX, double centreY, double radius);
    // The same scene through another lens (the one above is the default).
    static QByteArray Make(int width, int height, double centreX, double centreY, double radius,
                           const FisheyeLens& lens);

    // Floor point seen along a direction given by its polar angle from the
    // optical axis and its picture azimuth (x right, y down), or false when the
    // direction is cut.
    static bool FloorPoint(double polar, double azimuth, QPointF& floor);
    // Whether a floor point lies on a grid line.
    static bool OnLine(const QPointF& floor);
};
