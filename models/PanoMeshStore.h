#pragma once

#include "FisheyeLens.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The meshes of the dewarp models, read once from a compressed resource and
// shared by pointer: up to kMaxSets static mesh sets (positions as float
// triples, fisheye-circle texture coordinates as float pairs, 16-bit triangle
// indices) and up to kMaxMorphs morph sequences (frames of positions). Filled
// during render-core construction on the GUI thread and only read afterwards,
// except that the render core rewrites the rectangle set in place and the
// lens rewrites the fisheye texture coordinates in place (ApplyLens), so
// every model keeps its pointers across a change of lens.
class PanoMeshStore
{
public:
    static constexpr int kMaxSets = 7;
    static constexpr int kMaxMorphs = 6;
    // Sets 0 to kFisheyeSets - 1 carry fisheye-circle texture coordinates,
    // laid out in the file for the default lens; the sets after them (the
    // picture rectangle) carry picture coordinates the lens leaves alone.
    static constexpr int kFisheyeSets = 6;
    static constexpr const char* kResourcePath = ":/PanoData/PanoDataCompress";

    PanoMeshStore();

    // Reads the resource; returns loaded.
    bool Load();
    // Reads a file of the same format (a qCompress block); returns loaded.
    bool LoadFile(const QString& path);
    // Parses a qCompress block; returns loaded.
    bool LoadCompressed(const QByteArray& compressed);
    // Parses the uncompressed layout; every read is checked against the
    // length, so a short or malformed block leaves the store not loaded.
    bool Parse(const QByteArray& data);

    bool IsLoaded() const { return loaded; }

    // Rewrites the texture coordinates of the fisheye sets for a lens, from
    // the file's coordinates; the default lens restores them exactly. False
    // while not loaded.
    bool ApplyLens(const FisheyeLens& lens);
    const FisheyeLens& Lens() const { return lens; }

    // Getters return false and leave their outputs untouched while not loaded
    // or for an index outside the tables.
    bool GetPositions(int set, float*& positionsOut, int& vertexCount);
    bool GetIndices(int set, quint16*& indicesOut, int& indexCount);
    bool GetTexCoords(int set, float*& texCoordsOut, int& vertexCount);
    bool GetMorph(int morph, float*& positionsOut, int& verticesPerFrame, int& frames);

private:
    // Cursor reads: each checks the remaining length first and advances the
    // offset only on success.
    static bool ReadInt(const QByteArray& data, qint64& offset, qint32& value);
    static bool ReadCounts(const QByteArray& data, qint64& offset, int count, int* values,
                           qint64 limit);
    template <typename T>
    static bool ReadArray(const QByteArray& data, qint64& offset, qint64 elements,
                          std::vector<T>& out);
    bool ParseSets(const QByteArray& data, qint64& offset);
    bool ParseMorphs(const QByteArray& data, qint64& offset);

    int vertexCounts[kMaxSets];
    std::vector<float> positions[kMaxSets];
    std::vector<float> texCoordSets[kMaxSets];
    // The fisheye sets' coordinates as read, kept once a lens other than the
    // default is applied.
    std::vector<float> fileTexCoordSets[kFisheyeSets];
    FisheyeLens lens;
    int indexCounts[kMaxSets];
    std::vector<quint16> indices[kMaxSets];
    int morphVertices[kMaxMorphs];
    int morphFrameCounts[kMaxMorphs];
    std::vector<float> morphPositions[kMaxMorphs];
    bool loaded;
};
