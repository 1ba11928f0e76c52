#pragma once

#include <QImage>
#include <QRect>

#include <vector>

// Finds the bright grid lines in a part of a picture and measures how far
// each bends from a straight line, without knowing where the lines should
// be: candidate lines come from a Hough transform of the bright pixels; each
// is then followed slice by slice across its length (the centre of the
// bright run across it, tracked from slice to slice, so that a bent line is
// followed rather than cut into straight pieces), and a straight line is
// fitted to the centres found (leaving out those next to crossings and at the
// ends, where the run merges with another line or the edge). A line's bend is
// how far its centres lie from its fitted line, in pixels: the 95th
// percentile, so that a few centres of a far line thinned to a pixel or two,
// where the picture aliases, do not count as bending.
namespace GridLines
{

struct Line {
    double angleDegrees = 0; // direction of the line, 0 to 180
    int samples = 0;         // slices where its centre was found
    double lengthPixels = 0; // from the first centre to the last
    double bendPixels = 0;   // 95th percentile distance from the fitted line
};

// Bright: a mean channel above brightLevel (0..255). Lines are kept when
// their centres span at least minLengthPixels.
std::vector<Line> Trace(const QImage& image, const QRect& area, int brightLevel,
                        double minLengthPixels);

double LargestBend(const std::vector<Line>& lines);

} // namespace GridLines
