#include "MeshGenerator.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = kPi / 2.0;
// World units: the disk, hemisphere and cylinder radius, the strip's
// half-height and its length per radian of longitude.
constexpr double kMeshRadius = 100.0;
constexpr int kDiskSet = 0;
constexpr int kHemisphereSet = 1;
constexpr int kStripSet = 2;
constexpr int kCylinderSet = 3;
constexpr int kHorizontalSet = 4;
constexpr int kVerticalSet = 5;
constexpr int kRectangleSet = 6;
constexpr int kDiskMorph = 0;
constexpr int kStripMorph = 5;

void Push3(std::vector<float>& out, double x, double y, double z)
{
    out.push_back(float(x));
    out.push_back(float(y));
    out.push_back(float(z));
}

void Push2(std::vector<float>& out, double u, double v)
{
    out.push_back(float(u));
    out.push_back(float(v));
}

// Two triangles per cell of a grid whose rows hold columns + 1 vertices.
void PushCell(std::vector<quint16>& out, int row, int column, int columns)
{
    const int a = row * (columns + 1) + column;
    const int b = a + 1;
    const int c = a + columns + 1;
    const int d = c + 1;
    for (const int index : {a, c, d, a, d, b}) {
        out.push_back(quint16(index));
    }
}

// Strip row height for circle distance rho: the rim at -100 (the top of the
// view, where the horizon of a ceiling mount lies), the centre at +100.
double StripRow(double rho)
{
    return kMeshRadius - 2.0 * kMeshRadius * rho;
}

double Longitude(int sector)
{
    return -kPi + 2.0 * kPi * sector / MeshGenerator::kSectors;
}

void AppendInt(QByteArray& out, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

template <typename T>
void AppendArray(QByteArray& out, const std::vector<T>& values)
{
    if (values.empty()) {
        return;
    }
    const int offset = out.size();
    out.resize(offset + int(values.size() * sizeof(T)));
    qToLittleEndian<T>(values.data(), qsizetype(values.size()), out.data() + offset);
}

} // namespace

MeshGenerator::MeshGenerator() : m_sets(kSetCount), m_morphs(kMorphCount)
{
    BuildSharedGrid();
    BuildExpansion(m_sets[kHorizontalSet], false);
    BuildExpansion(m_sets[kVerticalSet], true);
    BuildRectangle();
    BuildDiskMorph();
    BuildStripMorph();
}

void MeshGenerator::BuildSharedGrid()
{
    MeshSet& disk = m_sets[kDiskSet];
    MeshSet& hemisphere = m_sets[kHemisphereSet];
    MeshSet& strip = m_sets[kStripSet];
    MeshSet& cylinder = m_sets[kCylinderSet];
    for (int i = 0; i <= kRings; ++i) {
        const double rho = double(i) / kRings;
        // Equidistant lens: polar angle theta lands at theta / (pi / 2).
        const double theta = rho * kHalfPi;
        for (int j = 0; j <= kSectors; ++j) {
            const double phi = 2.0 * kPi * j / kSectors;
            Push3(disk.positions, kMeshRadius * rho * std::cos(phi),
                  kMeshRadius * rho * std::sin(phi), 0.0);
            Push2(disk.texCoords, rho * std::cos(phi), rho * std::sin(phi));
            Push3(hemisphere.positions, kMeshRadius * std::sin(theta) * std::cos(phi),
                  kMeshRadius * std::sin(theta) * std::sin(phi),
                  kMeshRadius * std::cos(theta));
            // Longitude 0, the front of the strip, looks where the pan points.
            const double lambda = Longitude(j);
            Push3(strip.positions, kMeshRadius * lambda, StripRow(rho), 0.0);
            Push2(strip.texCoords, -rho * std::cos(lambda), -rho * std::sin(lambda));
            Push3(cylinder.positions, kMeshRadius * std::sin(lambda),
                  kMeshRadius * std::cos(lambda), StripRow(rho));
        }
    }
    hemisphere.texCoords = disk.texCoords;
    cylinder.texCoords = strip.texCoords;

    std::vector<int> columns(kSectors);
    std::iota(columns.begin(), columns.end(), 0);
    std::stable_sort(columns.begin(), columns.end(), [](int a, int b) {
        return std::fabs(Longitude(a) + kPi / kSectors) > std::fabs(Longitude(b) + kPi / kSectors);
    });
    for (const int column : columns) {
        for (int ring = 0; ring < kRings; ++ring) {
            PushCell(disk.indices, ring, column, kSectors);
        }
    }
    hemisphere.indices = strip.indices = cylinder.indices = disk.indices;
}

void MeshGenerator::BuildExpansion(MeshSet& set, bool vertical) const
{
    // Longitude across and latitude down (transposed for the vertical
    // expansion), both linear over +-90 degrees, through the equidistant lens.
    const int cells = kExpansionCells;
    for (int i = 0; i <= cells; ++i) {
        const double y = -kMeshRadius + 2.0 * kMeshRadius * i / cells;
        for (int j = 0; j <= cells; ++j) {
            const double x = -kMeshRadius + 2.0 * kMeshRadius * j / cells;
            const double across = (vertical ? y : x) / kMeshRadius * kHalfPi;
            const double down = (vertical ? x : y) / kMeshRadius * kHalfPi;
            double dx = std::cos(down) * std::sin(across);
            double dy = std::sin(down);
            const double dz = std::cos(down) * std::cos(across);
            if (vertical) {
                std::swap(dx, dy);
            }
            const double theta = std::acos(std::clamp(dz, -1.0, 1.0));
            const double lateral = std::sqrt(dx * dx + dy * dy);
            const double scale = lateral > 1e-12 ? theta / kHalfPi / lateral : 0.0;
            Push3(set.positions, x, y, 0.0);
            Push2(set.texCoords, dx * scale, dy * scale);
        }
    }
    for (int row = 0; row < cells; ++row) {
        for (int column = 0; column < cells; ++column) {
            PushCell(set.indices, row, column, cells);
        }
    }
}

void MeshGenerator::BuildRectangle()
{
    // A unit quad; the render core rewrites it for the picture's aspect.
    MeshSet& rectangle = m_sets[kRectangleSet];
    rectangle.positions = {-1, 1, 0, 1, 1, 0, -1, -1, 0, 1, -1, 0};
    rectangle.texCoords = {0, 1, 1, 1, 0, 0, 1, 0};
    rectangle.indices = {0, 1, 3, 0, 3, 2};
}

void MeshGenerator::BuildDiskMorph()
{
    // The disk bends into the hemisphere; the rim stays in place, so the eye
    // coming down from the framing distance always looks into a bowl.
    const std::vector<float>& disk = m_sets[kDiskSet].positions;
    const std::vector<float>& hemisphere = m_sets[kHemisphereSet].positions;
    Morph& morph = m_morphs[kDiskMorph];
    morph.verticesPerFrame = int(disk.size() / 3);
    morph.frames = kMorphFrames;
    for (int frame = 0; frame < kMorphFrames; ++frame) {
        const double s = double(frame) / (kMorphFrames - 1);
        for (size_t k = 0; k < disk.size(); ++k) {
            morph.positions.push_back(float((1.0 - s) * disk[k] + s * hemisphere[k]));
        }
    }
}

void MeshGenerator::BuildStripMorph()
{
    // The strip rolls up into the cylinder: at progress s it lies on an arc
    // of radius 100 / s through the front column, keeping its length. The
    // first frame is the strip stood upright (rows along the cylinder axis),
    // as the transition's level camera sees the panorama; the last frame is
    // the cylinder itself.
    Morph& morph = m_morphs[kStripMorph];
    morph.verticesPerFrame = (kRings + 1) * (kSectors + 1);
    morph.frames = kMorphFrames;
    for (int frame = 0; frame < kMorphFrames; ++frame) {
        const double s = double(frame) / (kMorphFrames - 1);
        for (int i = 0; i <= kRings; ++i) {
            const double row = StripRow(double(i) / kRings);
            for (int j = 0; j <= kSectors; ++j) {
                const double lambda = Longitude(j);
                if (frame == 0) {
                    Push3(morph.positions, kMeshRadius * lambda, 0.0, row);
                    continue;
                }
                const double bend = kMeshRadius / s;
                const double alpha = s * lambda;
                Push3(morph.positions, bend * std::sin(alpha),
                      kMeshRadius * s - bend + bend * std::cos(alpha), row);
            }
        }
    }
    const std::vector<float>& cylinder = m_sets[kCylinderSet].positions;
    std::copy(cylinder.begin(), cylinder.end(),
              morph.positions.end() - std::ptrdiff_t(cylinder.size()));
}

QByteArray MeshGenerator::Serialize() const
{
    QByteArray out;
    AppendInt(out, kSetCount);
    for (const MeshSet& set : m_sets) {
        AppendInt(out, qint32(set.positions.size() / 3));
    }
    for (const MeshSet& set : m_sets) {
        AppendArray(out, set.positions);
    }
    for (const MeshSet& set : m_sets) {
        AppendArray(out, set.texCoords);
    }
    for (const MeshSet& set : m_sets) {
        AppendInt(out, qint32(set.indices.size()));
    }
    for (const MeshSet& set : m_sets) {
        AppendArray(out, set.indices);
    }
    AppendInt(out, kMorphCount);
    for (const Morph& morph : m_morphs) {
        AppendInt(out, morph.verticesPerFrame);
    }
    for (const Morph& morph : m_morphs) {
        AppendInt(out, morph.frames);
    }
    for (const Morph& morph : m_morphs) {
        AppendArray(out, morph.positions);
    }
    return out;
}
