#include "FisheyeCircleDetector.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace
{

constexpr int kMinSidePx = 32;
// Rows and columns scanned at most in each direction.
constexpr int kMaxScanLines = 256;
// Width of the box filter along a scan line (odd), in pixels.
constexpr int kSmoothingPx = 5;
constexpr int kHalfSmoothingPx = kSmoothingPx / 2;
// The disc starts this far above the black level at least.
constexpr double kMinLumaStep = 20.0;
constexpr double kNoiseSigmas = 4.0;
// Corner patches are this fraction of the shorter side.
constexpr int kCornerDivisor = 20;
// Edge points further than this many robust deviations from a fit are
// outliers; never closer than kMinInlierPx.
constexpr double kInlierSigmas = 3.0;
constexpr double kMinInlierPx = 1.0;
constexpr double kMadToSigma = 1.4826;
constexpr double kP90ToSigma = 1.2816;
constexpr int kFitRounds = 3;
constexpr int kGeometricSteps = 8;
constexpr int kMinPoints = 12;
constexpr double kMinInlierShare = 0.7;
// Circumference coverage: edge points must fall into this many of the bins.
constexpr int kAngleBins = 12;
constexpr int kMinAngleBins = 6;
// Sampling grid of the inside/outside check, and its limits.
constexpr int kCheckGrid = 64;
constexpr double kInsideReach = 0.9;
constexpr double kOutsideReach = 1.05;
constexpr double kMinLitInside = 0.6;
constexpr double kMinDarkOutside = 0.95;
constexpr double kTwoPi = 6.283185307179586;

struct Plane {
    const uchar* data;
    int width;
    int height;
    int At(int x, int y) const { return data[y * width + x]; }
};

struct BlackLevel {
    double level;
    // Luma above which a smoothed sample belongs to the disc.
    double threshold;
};

double Percentile(std::vector<int>& values, double fraction)
{
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
    std::nth_element(values.begin(), values.begin() + static_cast<long>(index), values.end());
    return values[index];
}

// The black level from the four corner patches, or none when a corner is lit.
std::optional<BlackLevel> MeasureCorners(const Plane& plane)
{
    const int patch = std::max(2, std::min(plane.width, plane.height) / kCornerDivisor);
    const int step = std::max(1, patch / 16);
    std::vector<int> all;
    const int lefts[2] = {0, plane.width - patch};
    const int tops[2] = {0, plane.height - patch};
    for (int top : tops) {
        for (int left : lefts) {
            std::vector<int> corner;
            for (int y = top; y < top + patch; y += step) {
                for (int x = left; x < left + patch; x += step) {
                    corner.push_back(plane.At(x, y));
                }
            }
            if (Percentile(corner, 0.5) > FisheyeCircleDetector::kMaxBlackLuma) {
                return std::nullopt;
            }
            all.insert(all.end(), corner.begin(), corner.end());
        }
    }
    const double median = Percentile(all, 0.5);
    const double noise = (Percentile(all, 0.9) - median) / kP90ToSigma;
    return BlackLevel{median, median + std::max(kMinLumaStep, kNoiseSigmas * noise)};
}

// Box-filtered copy of a line; the window shrinks at the ends.
void Smooth(const std::vector<int>& line, std::vector<double>& smoothed)
{
    const int n = static_cast<int>(line.size());
    smoothed.assign(line.size(), 0.0);
    for (int i = 0; i < n; ++i) {
        const int from = std::max(0, i - kHalfSmoothingPx);
        const int to = std::min(n - 1, i + kHalfSmoothingPx);
        int sum = 0;
        for (int j = from; j <= to; ++j) {
            sum += line[j];
        }
        smoothed[i] = static_cast<double>(sum) / (to - from + 1);
    }
}

// Index of the first sample, walking from start by step, of a run above the
// threshold at least minRun samples long; -1 when there is none.
int FindRun(const std::vector<double>& s, int start, int step, double threshold, int minRun)
{
    const int n = static_cast<int>(s.size());
    int runStart = -1;
    int runLength = 0;
    for (int i = start; i >= 0 && i < n; i += step) {
        if (s[i] > threshold) {
            if (runLength++ == 0) {
                runStart = i;
            }
            if (runLength >= minRun) {
                return runStart;
            }
        } else {
            runLength = 0;
        }
    }
    return -1;
}

// Where the smoothed line crosses half-way between black and the disc's
// level just inside the run, as a picture coordinate (pixel centres at
// index + 0.5); negative when the crossing is not found.
double EdgeAt(const std::vector<double>& s, int runStart, int step, double black)
{
    const int n = static_cast<int>(s.size());
    const int inner = std::clamp(runStart + step * (kSmoothingPx + 1), 0, n - 1);
    const double mid = (black + s[inner]) * 0.5;
    for (int i = runStart - step * kSmoothingPx; i != inner; i += step) {
        const double here = s[i];
        const double next = s[i + step];
        if (here <= mid && next > mid) {
            return i + step * (mid - here) / (next - here) + 0.5;
        }
    }
    return -1.0;
}

// Edge points of one scan line, given as a coordinate along the line; edges
// on the picture's border are left out.
void ScanLine(const std::vector<int>& line, const BlackLevel& black, int minRun,
              std::vector<double>& smoothed, double edges[2], int* count)
{
    Smooth(line, smoothed);
    *count = 0;
    const int n = static_cast<int>(line.size());
    const int first = FindRun(smoothed, 0, 1, black.threshold, minRun);
    if (first < 0) {
        return;
    }
    const int last = FindRun(smoothed, n - 1, -1, black.threshold, minRun);
    for (const auto& [runStart, step] :
         {std::pair<int, int>{first, 1}, std::pair<int, int>{last, -1}}) {
        if (runStart <= kSmoothingPx || runStart >= n - 1 - kSmoothingPx) {
            continue;
        }
        const double edge = EdgeAt(smoothed, runStart, step, black.level);
        if (edge >= 0.0) {
            edges[(*count)++] = edge;
        }
    }
}

QVector<QPointF> EdgePoints(const Plane& plane, const BlackLevel& black)
{
    QVector<QPointF> points;
    const int minRun = std::max(4, std::min(plane.width, plane.height) / 64);
    std::vector<int> line;
    std::vector<double> smoothed;
    double edges[2];
    int count = 0;
    const int rowStep = std::max(1, plane.height / kMaxScanLines);
    for (int y = rowStep / 2; y < plane.height; y += rowStep) {
        line.assign(plane.data + y * plane.width, plane.data + (y + 1) * plane.width);
        ScanLine(line, black, minRun, smoothed, edges, &count);
        for (int i = 0; i < count; ++i) {
            points.append(QPointF(edges[i], y + 0.5));
        }
    }
    const int columnStep = std::max(1, plane.width / kMaxScanLines);
    line.resize(plane.height);
    for (int x = columnStep / 2; x < plane.width; x += columnStep) {
        for (int y = 0; y < plane.height; ++y) {
            line[y] = plane.At(x, y);
        }
        ScanLine(line, black, minRun, smoothed, edges, &count);
        for (int i = 0; i < count; ++i) {
            points.append(QPointF(x + 0.5, edges[i]));
        }
    }
    return points;
}

// Solves m x = v for 3 unknowns by Cramer's rule; false when m is singular.
bool Solve3(const double m[3][3], const double v[3], double x[3])
{
    const auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    if (std::fabs(d) < 1e-12) {
        return false;
    }
    for (int column = 0; column < 3; ++column) {
        double replaced[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                replaced[r][c] = c == column ? v[r] : m[r][c];
            }
        }
        x[column] = det(replaced) / d;
    }
    return true;
}

double Distance(const QPointF& p, const FisheyeCircle& c)
{
    return std::hypot(p.x() - c.centreX, p.y() - c.centreY);
}

// Gauss-Newton steps minimising the squared distances of the points from
// the circle.
FisheyeCircle RefineGeometric(const QVector<QPointF>& points, FisheyeCircle circle)
{
    for (int step = 0; step < kGeometricSteps; ++step) {
        double normal[3][3] = {};
        double gradient[3] = {};
        for (const QPointF& p : points) {
            const double d = std::max(1e-9, Distance(p, circle));
            const double j[3] = {-(p.x() - circle.centreX) / d, -(p.y() - circle.centreY) / d,
                                 -1.0};
            const double residual = d - circle.radius;
            for (int r = 0; r < 3; ++r) {
                gradient[r] -= j[r] * residual;
                for (int c = 0; c < 3; ++c) {
                    normal[r][c] += j[r] * j[c];
                }
            }
        }
        double delta[3];
        if (!Solve3(normal, gradient, delta)) {
            break;
        }
        circle.centreX += delta[0];
        circle.centreY += delta[1];
        circle.radius += delta[2];
    }
    return circle;
}

// Fits, drops the outliers and fits again, kFitRounds times; the inliers of
// the last fit are left in points.
std::optional<FisheyeCircle> RobustFit(QVector<QPointF>& points)
{
    std::optional<FisheyeCircle> fit = FisheyeCircleDetector::FitCircle(points);
    for (int round = 0; fit && round < kFitRounds; ++round) {
        std::vector<double> deviations;
        deviations.reserve(static_cast<size_t>(points.size()));
        for (const QPointF& p : points) {
            deviations.push_back(std::fabs(Distance(p, *fit) - fit->radius));
        }
        std::vector<double> sorted = deviations;
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2),
                         sorted.end());
        const double limit =
            std::max(kMinInlierPx, kInlierSigmas * kMadToSigma * sorted[sorted.size() / 2]);
        QVector<QPointF> inliers;
        for (int i = 0; i < points.size(); ++i) {
            if (deviations[static_cast<size_t>(i)] <= limit) {
                inliers.append(points[i]);
            }
        }
        if (inliers.size() < kMinPoints) {
            return std::nullopt;
        }
        points = inliers;
        fit = RefineGeometric(points, *fit);
    }
    return fit;
}

bool LiesOnCircle(const QVector<QPointF>& inliers, int allPoints, const FisheyeCircle& circle)
{
    if (inliers.size() < kMinPoints || inliers.size() < kMinInlierShare * allPoints) {
        return false;
    }
    double squares = 0.0;
    std::array<bool, kAngleBins> bins{};
    for (const QPointF& p : inliers) {
        const double residual = Distance(p, circle) - circle.radius;
        squares += residual * residual;
        const double angle =
            std::atan2(p.y() - circle.centreY, p.x() - circle.centreX) + kTwoPi * 0.5;
        bins[static_cast<size_t>(
            std::min(kAngleBins - 1, static_cast<int>(angle / kTwoPi * kAngleBins)))] = true;
    }
    const double rms = std::sqrt(squares / inliers.size());
    const int covered = static_cast<int>(std::count(bins.begin(), bins.end(), true));
    return rms <= std::max(kMinInlierPx,
                           FisheyeCircleDetector::kMaxResidualFraction * circle.radius) &&
           covered >= kMinAngleBins;
}

// The picture is mostly lit inside the circle and dark outside it.
bool SeparatesLightFromDark(const Plane& plane, const BlackLevel& black,
                            const FisheyeCircle& circle)
{
    int inside = 0;
    int litInside = 0;
    int outside = 0;
    int darkOutside = 0;
    for (int gy = 0; gy < kCheckGrid; ++gy) {
        const int y = (2 * gy + 1) * plane.height / (2 * kCheckGrid);
        for (int gx = 0; gx < kCheckGrid; ++gx) {
            const int x = (2 * gx + 1) * plane.width / (2 * kCheckGrid);
            const double reach = Distance(QPointF(x + 0.5, y + 0.5), circle) / circle.radius;
            const bool lit = plane.At(x, y) > black.threshold;
            if (reach < kInsideReach) {
                ++inside;
                litInside += lit ? 1 : 0;
            } else if (reach > kOutsideReach) {
                ++outside;
                darkOutside += lit ? 0 : 1;
            }
        }
    }
    return inside > 0 && litInside >= kMinLitInside * inside &&
           (outside == 0 || darkOutside >= kMinDarkOutside * outside);
}

} // namespace

std::optional<FisheyeCircle> FisheyeCircleDetector::Detect(const QByteArray& picture, int width,
                                                           int height)
{
    if (width < kMinSidePx || height < kMinSidePx ||
        picture.size() < static_cast<qint64>(width) * height * 3 / 2) {
        return std::nullopt;
    }
    return DetectInLuma(reinterpret_cast<const uchar*>(picture.constData()), width, height);
}

std::optional<FisheyeCircle> FisheyeCircleDetector::DetectInLuma(const uchar* luma, int width,
                                                                 int height)
{
    if (!luma || width < kMinSidePx || height < kMinSidePx) {
        return std::nullopt;
    }
    const Plane plane{luma, width, height};
    const std::optional<BlackLevel> black = MeasureCorners(plane);
    if (!black) {
        return std::nullopt;
    }
    QVector<QPointF> points = EdgePoints(plane, *black);
    const int allPoints = points.size();
    const std::optional<FisheyeCircle> circle = RobustFit(points);
    if (!circle || circle->radius < kMinRadiusFraction * std::min(width, height) ||
        circle->centreX < 0.0 || circle->centreX > width || circle->centreY < 0.0 ||
        circle->centreY > height || !LiesOnCircle(points, allPoints, *circle) ||
        !SeparatesLightFromDark(plane, *black, *circle)) {
        return std::nullopt;
    }
    return circle;
}

std::optional<FisheyeCircle> FisheyeCircleDetector::FitCircle(const QVector<QPointF>& points)
{
    if (points.size() < 3) {
        return std::nullopt;
    }
    // Minimises the sum of (x² + y² + a x + b y + c)² about the points' mean,
    // which keeps the sums well conditioned.
    double meanX = 0.0;
    double meanY = 0.0;
    for (const QPointF& p : points) {
        meanX += p.x();
        meanY += p.y();
    }
    meanX /= points.size();
    meanY /= points.size();
    double normal[3][3] = {};
    double right[3] = {};
    for (const QPointF& p : points) {
        const double x = p.x() - meanX;
        const double y = p.y() - meanY;
        const double row[3] = {x, y, 1.0};
        const double target = -(x * x + y * y);
        for (int r = 0; r < 3; ++r) {
            right[r] += row[r] * target;
            for (int c = 0; c < 3; ++c) {
                normal[r][c] += row[r] * row[c];
            }
        }
    }
    double abc[3];
    if (!Solve3(normal, right, abc)) {
        return std::nullopt;
    }
    const double squared = (abc[0] * abc[0] + abc[1] * abc[1]) * 0.25 - abc[2];
    if (!(squared > 0.0)) {
        return std::nullopt;
    }
    return FisheyeCircle{meanX - abc[0] * 0.5, meanY - abc[1] * 0.5, std::sqrt(squared)};
}
