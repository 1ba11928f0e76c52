#pragma once

#include "FisheyeCircle.h"

#include <QByteArray>
#include <QPointF>
#include <QVector>

#include <optional>

// Finds the fisheye circle of a picture: the lit disc a fisheye lens throws on
// the sensor, against the dark border around it. The disc may lie wholly in
// the picture or be cut by its top and bottom edges (a wall-mounted camera).
// Pure computation on the luma plane: no widgets, no GL, no state.
//
// Method: the picture's four corners must be dark; they give the black level
// and its noise. Each sampled row and column is smoothed and scanned from both
// ends for the first lasting run above the black level; the edge is placed
// where the smoothed luma crosses half-way between black and the disc. Edges
// on the picture's border are dropped (there the disc is cut, not ended). A
// circle is fitted to the edge points (algebraic fit, then outliers dropped and
// a geometric least-squares fit), and accepted only when the points lie on it
// closely, cover enough of its circumference, and the picture is lit inside it
// and dark outside.
//
// Threads: any; the functions only read their arguments.
class FisheyeCircleDetector
{
public:
    // Luma at or below this in every corner (video range black is 16).
    static constexpr int kMaxBlackLuma = 56;
    // The disc's radius is at least this fraction of the picture's shorter
    // side.
    static constexpr double kMinRadiusFraction = 0.2;
    // Mean distance of the edge points from the fitted circle, as a fraction
    // of the radius, above which the shape is not a circle.
    static constexpr double kMaxResidualFraction = 0.01;

    // From a YUV420P picture (only its Y plane, width x height bytes, is
    // read). No value for pictures without a fisheye circle, too small
    // (under 32 pixels a side) or shorter than their sizes say.
    static std::optional<FisheyeCircle> Detect(const QByteArray& picture, int width, int height);
    static std::optional<FisheyeCircle> DetectInLuma(const uchar* luma, int width, int height);

    // Least-squares circle through points (algebraic fit); no value for
    // fewer than three points or points on a line.
    static std::optional<FisheyeCircle> FitCircle(const QVector<QPointF>& points);
};
