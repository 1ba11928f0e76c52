#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

// Builds every mesh the dewarp models draw and serialises them in the mesh
// store's layout. All geometry follows from a handful of constants, so the
// output is the same on every run.
//
// Sets 0 to 3 share one polar grid of (kRings + 1) x (kSectors + 1) vertices:
// vertex (ring i, sector j) is circle distance i / kRings and azimuth
// 2 pi j / kSectors on the disk and the hemisphere, and row i, longitude
// -pi + 2 pi j / kSectors on the strip and the cylinder. Set 0's index list
// serves all four; its cells are ordered from the longitudes farthest from the
// front (longitude 0) to the nearest, so the cylinder, whose camera never
// moves, draws its back before its front without a depth buffer.
class MeshGenerator
{
public:
    // The one density constant: rings of the shared grid. Sectors are twice
    // the rings; the expansion grids have 2 x kDensity cells per side.
    static constexpr int kDensity = 64;
    static constexpr int kRings = kDensity;
    static constexpr int kSectors = 2 * kDensity;
    static constexpr int kExpansionCells = 2 * kDensity;
    // Frames of each morph sequence.
    static constexpr int kMorphFrames = 30;
    static constexpr int kSetCount = 7;
    static constexpr int kMorphCount = 6;

    struct MeshSet {
        std::vector<float> positions;
        std::vector<float> texCoords;
        std::vector<quint16> indices;
    };
    struct Morph {
        int verticesPerFrame = 0;
        int frames = 0;
        std::vector<float> positions;
    };

    MeshGenerator();

    const MeshSet& Set(int index) const { return m_sets[size_t(index)]; }
    const Morph& MorphSequence(int index) const { return m_morphs[size_t(index)]; }

    // The uncompressed mesh-store layout (little-endian 32-bit values).
    QByteArray Serialize() const;

private:
    void BuildSharedGrid();
    void BuildExpansion(MeshSet& set, bool vertical) const;
    void BuildRectangle();
    void BuildDiskMorph();
    void BuildStripMorph();

    std::vector<MeshSet> m_sets;
    std::vector<Morph> m_morphs;
};
