#include "GridLines.h"

#include <algorithm>
#include <cmath>

namespace GridLines
{

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr int kAngleBins = 180;
// A candidate needs this many bright pixels on one Hough line.
constexpr int kMinVotes = 100;
constexpr int kMaxCandidates = 60;
// Neighbourhood of a taken Hough peak that later peaks may not come from.
constexpr int kSuppressAngleBins = 4;
constexpr int kSuppressRho = 5;
// Across the line: how far from the tracked centre a run is looked for, and
// the widest run that is still one line (wider ones are crossings).
constexpr double kWindow = 4.0;
constexpr double kMaxRunWidth = 12.0;
constexpr double kStep = 0.5;
// Slices without a centre before a trace ends: more than a crossing line's
// width, less than a grid cell.
constexpr int kMaxGap = 16;
// A line has its centre found in most of its slices (all but the crossings).
constexpr double kMinCoverage = 0.6;
// Centres a fit needs at least.
constexpr size_t kMinFitted = 20;
// Following a line: the centres its direction is taken from, how far a new
// centre may lie from where they point, and how much wider than the line's
// usual run a run may be before it counts as a crossing.
constexpr size_t kSlopeHistory = 30;
constexpr double kMaxStepOffset = 1.5;
constexpr size_t kWidthHistory = 5;
constexpr double kWidthTolerance = 1.2;
// Centres this close to a slice without one lie where a crossing line
// begins to merge with the run, and are left out of the fit.
constexpr double kCrossingMargin = 5.0;
// A trace mostly on pixels of an earlier one is the same line.
constexpr double kSharedLimit = 0.5;

// Brightness above the level, sampled between pixels.
class Levels
{
public:
    Levels(const QImage& image, const QRect& area, int brightLevel) : m_area(area)
    {
        m_values.resize(size_t(area.width()) * size_t(area.height()));
        for (int y = 0; y < area.height(); ++y) {
            for (int x = 0; x < area.width(); ++x) {
                const QRgb pixel = image.pixel(area.left() + x, area.top() + y);
                const double mean = (qRed(pixel) + qGreen(pixel) + qBlue(pixel)) / 3.0;
                m_values[Index(x, y)] = float(std::max(0.0, mean - brightLevel));
            }
        }
    }

    int Width() const { return m_area.width(); }
    int Height() const { return m_area.height(); }
    bool Inside(double x, double y) const
    {
        return x >= 0 && y >= 0 && x <= Width() - 1 && y <= Height() - 1;
    }
    float At(int x, int y) const { return m_values[Index(x, y)]; }
    double Sample(double x, double y) const
    {
        if (!Inside(x, y)) {
            return 0;
        }
        const int x0 = std::min(int(x), Width() - 2);
        const int y0 = std::min(int(y), Height() - 2);
        const double fx = x - x0;
        const double fy = y - y0;
        return (1 - fy) * ((1 - fx) * At(x0, y0) + fx * At(x0 + 1, y0)) +
               fy * ((1 - fx) * At(x0, y0 + 1) + fx * At(x0 + 1, y0 + 1));
    }

private:
    size_t Index(int x, int y) const { return size_t(y) * size_t(Width()) + size_t(x); }

    QRect m_area;
    std::vector<float> m_values;
};

struct Candidate {
    double angle; // of the normal, radians
    double rho;   // from the area's centre
};

std::vector<Candidate> HoughCandidates(const Levels& levels)
{
    const double cx = levels.Width() / 2.0;
    const double cy = levels.Height() / 2.0;
    const int reach = int(std::ceil(std::hypot(cx, cy))) + 1;
    const int rhoBins = 2 * reach + 1;
    std::vector<int> votes(size_t(kAngleBins) * size_t(rhoBins), 0);
    for (int y = 0; y < levels.Height(); ++y) {
        for (int x = 0; x < levels.Width(); ++x) {
            if (levels.At(x, y) <= 0) {
                continue;
            }
            for (int a = 0; a < kAngleBins; ++a) {
                const double angle = a * kPi / kAngleBins;
                const double rho = (x - cx) * std::cos(angle) + (y - cy) * std::sin(angle);
                ++votes[size_t(a) * size_t(rhoBins) + size_t(std::lround(rho) + reach)];
            }
        }
    }
    std::vector<Candidate> candidates;
    while (int(candidates.size()) < kMaxCandidates) {
        const auto best = std::max_element(votes.begin(), votes.end());
        if (*best < kMinVotes) {
            break;
        }
        const int index = int(best - votes.begin());
        const int a = index / rhoBins;
        const int r = index % rhoBins;
        candidates.push_back({a * kPi / kAngleBins, double(r - reach)});
        for (int da = -kSuppressAngleBins; da <= kSuppressAngleBins; ++da) {
            // Past 180 degrees the same line has the opposite rho.
            const int wrapped = (a + da + kAngleBins) % kAngleBins;
            const bool flipped = a + da < 0 || a + da >= kAngleBins;
            const int centre = flipped ? 2 * reach - r : r;
            for (int dr = -kSuppressRho; dr <= kSuppressRho; ++dr) {
                const int rr = centre + dr;
                if (rr >= 0 && rr < rhoBins) {
                    votes[size_t(wrapped) * size_t(rhoBins) + size_t(rr)] = 0;
                }
            }
        }
    }
    return candidates;
}

struct Sample {
    double t;
    double offset;
};

// Follows one line from the Hough candidate: at each slice along it, the
// centre of the bright run across it nearest the last centre found.
class Tracer
{
public:
    Tracer(const Levels& levels, const Candidate& candidate) : m_levels(levels)
    {
        m_normalX = std::cos(candidate.angle);
        m_normalY = std::sin(candidate.angle);
        m_originX = levels.Width() / 2.0 + candidate.rho * m_normalX;
        m_originY = levels.Height() / 2.0 + candidate.rho * m_normalY;
        m_reach = std::hypot(levels.Width(), levels.Height()) / 2.0 + 1;
    }

    std::vector<Sample> Trace() const
    {
        // The start: the slice nearest the middle where a centre lies close
        // to the candidate line.
        double start = 0;
        bool found = false;
        for (double d = 0; d <= m_reach && !found; d += 1.0) {
            for (const double t : {d, -d}) {
                double centre = 0;
                double width = 0;
                if (Centre(t, 0.0, centre, width) && std::fabs(centre) <= 1.5) {
                    start = t;
                    found = true;
                    break;
                }
            }
        }
        if (!found) {
            return {};
        }
        std::vector<Sample> samples;
        std::vector<double> misses;
        Follow(start, -1.0, samples, misses);
        std::reverse(samples.begin(), samples.end());
        Follow(start + 1.0, 1.0, samples, misses);
        m_span = samples.size() < 2 ? 0.0 : samples.back().t - samples.front().t;
        m_found = int(samples.size());
        std::vector<Sample> clear;
        // The ends too: a line meets the area's edge or fades there.
        if (!samples.empty()) {
            misses.push_back(samples.front().t);
            misses.push_back(samples.back().t);
        }
        for (const Sample& sample : samples) {
            const bool nearMiss = std::any_of(misses.begin(), misses.end(), [&sample](double t) {
                return std::fabs(t - sample.t) <= kCrossingMargin;
            });
            if (!nearMiss) {
                clear.push_back(sample);
            }
        }
        return clear;
    }

    void Point(double t, double offset, double& x, double& y) const
    {
        x = m_originX + offset * m_normalX - t * m_normalY;
        y = m_originY + offset * m_normalY + t * m_normalX;
    }

private:
    void Follow(double t, double step, std::vector<Sample>& out, std::vector<double>& misses) const
    {
        // Where the line goes next: straight on from its recent centres, so
        // that a slowly bending line is followed and a crossing one is not.
        std::vector<Sample> recent;
        std::vector<double> widths;
        int gap = 0;
        for (; std::fabs(t) <= m_reach; t += step) {
            const double predicted = Predict(recent, t);
            double x = 0;
            double y = 0;
            Point(t, predicted, x, y);
            if (!m_levels.Inside(x, y)) {
                if (!recent.empty()) {
                    return;
                }
                continue;
            }
            double centre = 0;
            double width = 0;
            const bool found =
                Centre(t, predicted, centre, width) &&
                std::fabs(centre - predicted) <= kMaxStepOffset &&
                (widths.size() < kWidthHistory || width <= kWidthTolerance * Median(widths) + 1.0);
            if (found) {
                out.push_back({t, centre});
                recent.push_back({t, centre});
                if (recent.size() > kSlopeHistory) {
                    recent.erase(recent.begin());
                }
                widths.push_back(width);
                gap = 0;
            } else if (!recent.empty()) {
                misses.push_back(t);
                if (++gap > kMaxGap) {
                    return;
                }
            }
        }
    }

    static double Predict(const std::vector<Sample>& recent, double t)
    {
        if (recent.empty()) {
            return 0;
        }
        if (recent.size() < 2) {
            return recent.back().offset;
        }
        double meanT = 0;
        double meanO = 0;
        for (const Sample& sample : recent) {
            meanT += sample.t;
            meanO += sample.offset;
        }
        meanT /= double(recent.size());
        meanO /= double(recent.size());
        double stt = 0;
        double sto = 0;
        for (const Sample& sample : recent) {
            stt += (sample.t - meanT) * (sample.t - meanT);
            sto += (sample.t - meanT) * (sample.offset - meanO);
        }
        return meanO + (stt > 0 ? sto / stt : 0) * (t - meanT);
    }

    static double Median(std::vector<double> values)
    {
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        return values[values.size() / 2];
    }

    double Level(double t, double offset) const
    {
        double x = 0;
        double y = 0;
        Point(t, offset, x, y);
        return m_levels.Sample(x, y);
    }

    // The centre of the one bright run within the window around predicted;
    // false for none, for a run too wide (a crossing line) and for two runs
    // (lines closing in on each other, which the trace must not jump).
    bool Centre(double t, double predicted, double& centre, double& runWidth) const
    {
        int runs = 0;
        double weight = 0;
        double moment = 0;
        double width = 0;
        bool inRun = false;
        for (double s = predicted - kWindow; s <= predicted + kWindow; s += kStep) {
            const double level = Level(t, s);
            if (level > 0 && !inRun) {
                ++runs;
                inRun = true;
                // A run entering the window from outside: include its part there.
                for (double back = s - kStep; back >= predicted - kMaxRunWidth - kWindow;
                     back -= kStep) {
                    const double outside = Level(t, back);
                    if (outside <= 0) {
                        break;
                    }
                    weight += outside;
                    moment += outside * back;
                    width += kStep;
                }
            } else if (level <= 0) {
                inRun = false;
            }
            if (level > 0) {
                weight += level;
                moment += level * s;
                width += kStep;
            }
        }
        if (inRun) {
            for (double ahead = predicted + kWindow + kStep;
                 ahead <= predicted + kWindow + kMaxRunWidth; ahead += kStep) {
                const double outside = Level(t, ahead);
                if (outside <= 0) {
                    break;
                }
                weight += outside;
                moment += outside * ahead;
                width += kStep;
            }
        }
        if (runs != 1 || width > kMaxRunWidth || weight <= 0) {
            return false;
        }
        centre = moment / weight;
        runWidth = width;
        return true;
    }

public:
    // Of the last trace: slices from its first centre to its last, and the
    // centres found (before those near crossings were left out).
    mutable double m_span = 0;
    mutable int m_found = 0;

private:
    const Levels& m_levels;
    double m_normalX = 1;
    double m_normalY = 0;
    double m_originX = 0;
    double m_originY = 0;
    double m_reach = 0;
};

// Least-squares straight line through the centres: the bend (the 95th
// percentile of the centres' distances from it, so that a few centres of a
// line thinned to a pixel or two far off, where the picture aliases, do not
// count as bending) and its slope against the candidate line.
void Fit(const std::vector<Sample>& samples, double& bend, double& slope)
{
    double st = 0;
    double so = 0;
    for (const Sample& sample : samples) {
        st += sample.t;
        so += sample.offset;
    }
    const double n = double(samples.size());
    const double meanT = st / n;
    const double meanO = so / n;
    double stt = 0;
    double sto = 0;
    for (const Sample& sample : samples) {
        stt += (sample.t - meanT) * (sample.t - meanT);
        sto += (sample.t - meanT) * (sample.offset - meanO);
    }
    slope = stt > 0 ? sto / stt : 0;
    std::vector<double> distances;
    for (const Sample& sample : samples) {
        const double residual = sample.offset - (meanO + slope * (sample.t - meanT));
        distances.push_back(std::fabs(residual) / std::sqrt(1 + slope * slope));
    }
    const size_t rank = std::min(distances.size() - 1, size_t(std::ceil(0.95 * n)) - 1);
    std::nth_element(distances.begin(), distances.begin() + std::ptrdiff_t(rank), distances.end());
    bend = distances[rank];
}

} // namespace

std::vector<Line> Trace(const QImage& image, const QRect& area, int brightLevel,
                        double minLengthPixels)
{
    const Levels levels(image, area, brightLevel);
    std::vector<char> used(size_t(area.width()) * size_t(area.height()), 0);
    std::vector<Line> lines;
    for (const Candidate& candidate : HoughCandidates(levels)) {
        const Tracer tracer(levels, candidate);
        const std::vector<Sample> samples = tracer.Trace();
        if (samples.size() < kMinFitted || tracer.m_span < minLengthPixels ||
            tracer.m_found < kMinCoverage * tracer.m_span) {
            continue;
        }
        int shared = 0;
        std::vector<size_t> cells;
        for (const Sample& sample : samples) {
            double x = 0;
            double y = 0;
            tracer.Point(sample.t, sample.offset, x, y);
            const size_t cell =
                size_t(std::lround(y)) * size_t(area.width()) + size_t(std::lround(x));
            shared += used[cell] ? 1 : 0;
            cells.push_back(cell);
        }
        if (shared > kSharedLimit * double(samples.size())) {
            continue;
        }
        for (const size_t cell : cells) {
            const int x = int(cell % size_t(area.width()));
            const int y = int(cell / size_t(area.width()));
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    if (x + dx >= 0 && x + dx < area.width() && y + dy >= 0 &&
                        y + dy < area.height()) {
                        used[size_t(y + dy) * size_t(area.width()) + size_t(x + dx)] = 1;
                    }
                }
            }
        }
        Line line;
        double slope = 0;
        Fit(samples, line.bendPixels, slope);
        line.samples = int(samples.size());
        line.lengthPixels = samples.back().t - samples.front().t;
        const double direction = candidate.angle + kPi / 2 - std::atan(slope);
        line.angleDegrees = std::fmod(direction * 180 / kPi + 360, 180);
        lines.push_back(line);
    }
    return lines;
}

double LargestBend(const std::vector<Line>& lines)
{
    double largest = 0;
    for (const Line& line : lines) {
        largest = std::max(largest, line.bendPixels);
    }
    return largest;
}

} // namespace GridLines
