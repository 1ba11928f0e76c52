#include "PanoMeshStore.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>

// The resource is compiled into this library; naming its initialiser here
// keeps the linker from dropping it from a static link. Registered once.
static void InitMeshResource()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(panomesh);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {

// 16-bit indices address at most this many vertices per set.
constexpr qint64 kMaxSetVertices = 65536;
// A morph sequence is bounded by the same vertex limit per frame and a frame
// count no animation needs more than.
constexpr qint64 kMaxMorphFrames = 4096;

} // namespace

PanoMeshStore::PanoMeshStore() : vertexCounts{}, indexCounts{}, morphVertices{},
                                 morphFrameCounts{}, loaded(false)
{
}

bool PanoMeshStore::Load()
{
    InitMeshResource();
    return LoadFile(QString::fromLatin1(kResourcePath));
}

bool PanoMeshStore::LoadFile(const QString& path)
{
    loaded = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    return LoadCompressed(file.readAll());
}

bool PanoMeshStore::LoadCompressed(const QByteArray& compressed)
{
    loaded = false;
    // qUncompress reports a broken block by an empty result.
    const QByteArray data = qUncompress(compressed);
    if (data.isEmpty()) {
        return false;
    }
    return Parse(data);
}

bool PanoMeshStore::ReadInt(const QByteArray& data, qint64& offset, qint32& value)
{
    if (data.size() - offset < 4) {
        return false;
    }
    value = qFromLittleEndian<qint32>(data.constData() + offset);
    offset += 4;
    return true;
}

bool PanoMeshStore::ReadCounts(const QByteArray& data, qint64& offset, int count, int* values,
                               qint64 limit)
{
    for (int i = 0; i < count; ++i) {
        qint32 value = 0;
        if (!ReadInt(data, offset, value) || value < 0 || value > limit) {
            return false;
        }
        values[i] = value;
    }
    return true;
}

template <typename T>
bool PanoMeshStore::ReadArray(const QByteArray& data, qint64& offset, qint64 elements,
                              std::vector<T>& out)
{
    const qint64 bytes = elements * qint64(sizeof(T));
    if (elements < 0 || data.size() - offset < bytes) {
        return false;
    }
    out.resize(size_t(elements));
    if (elements > 0) {
        qFromLittleEndian<T>(data.constData() + offset, elements, out.data());
    }
    offset += bytes;
    return true;
}

bool PanoMeshStore::Parse(const QByteArray& data)
{
    loaded = false;
    lens = FisheyeLens();
    for (std::vector<float>& kept : fileTexCoordSets) {
        kept.clear();
    }
    qint64 offset = 0;
    if (!ParseSets(data, offset) || !ParseMorphs(data, offset)) {
        return false;
    }
    // Anything after the last table means the layout was misread.
    loaded = offset == data.size();
    return loaded;
}

bool PanoMeshStore::ParseSets(const QByteArray& data, qint64& offset)
{
    qint32 setCount = 0;
    if (!ReadInt(data, offset, setCount) || setCount < 0 || setCount > kMaxSets) {
        return false;
    }
    std::fill(vertexCounts, vertexCounts + kMaxSets, 0);
    std::fill(indexCounts, indexCounts + kMaxSets, 0);
    if (!ReadCounts(data, offset, setCount, vertexCounts, kMaxSetVertices)) {
        return false;
    }
    for (int i = 0; i < setCount; ++i) {
        if (!ReadArray(data, offset, qint64(vertexCounts[i]) * 3, positions[i])) {
            return false;
        }
    }
    for (int i = 0; i < setCount; ++i) {
        if (!ReadArray(data, offset, qint64(vertexCounts[i]) * 2, texCoordSets[i])) {
            return false;
        }
    }
    if (!ReadCounts(data, offset, setCount, indexCounts, (data.size() - offset) / 2)) {
        return false;
    }
    for (int i = 0; i < setCount; ++i) {
        if (!ReadArray(data, offset, indexCounts[i], indices[i])) {
            return false;
        }
        // An index past its set's vertices would make a draw read out of bounds.
        const int limit = vertexCounts[i];
        if (std::any_of(indices[i].begin(), indices[i].end(),
                        [limit](quint16 index) { return int(index) >= limit; })) {
            return false;
        }
    }
    return true;
}

bool PanoMeshStore::ParseMorphs(const QByteArray& data, qint64& offset)
{
    qint32 morphCount = 0;
    if (!ReadInt(data, offset, morphCount) || morphCount < 0 || morphCount > kMaxMorphs) {
        return false;
    }
    std::fill(morphVertices, morphVertices + kMaxMorphs, 0);
    std::fill(morphFrameCounts, morphFrameCounts + kMaxMorphs, 0);
    if (!ReadCounts(data, offset, morphCount, morphVertices, kMaxSetVertices)
        || !ReadCounts(data, offset, morphCount, morphFrameCounts, kMaxMorphFrames)) {
        return false;
    }
    for (int i = 0; i < morphCount; ++i) {
        const qint64 floats = qint64(morphVertices[i]) * morphFrameCounts[i] * 3;
        if (!ReadArray(data, offset, floats, morphPositions[i])) {
            return false;
        }
    }
    return true;
}

bool PanoMeshStore::ApplyLens(const FisheyeLens& newLens)
{
    if (!loaded) {
        return false;
    }
    if (newLens == lens) {
        return true;
    }
    for (int set = 0; set < kFisheyeSets; ++set) {
        std::vector<float>& coords = texCoordSets[set];
        if (fileTexCoordSets[set].size() != coords.size()) {
            fileTexCoordSets[set] = coords; // still the file's: no lens applied yet
        }
        newLens.RemapFromDefault(fileTexCoordSets[set].data(), coords.data(),
                                 int(coords.size() / 2));
    }
    lens = newLens;
    return true;
}

bool PanoMeshStore::GetPositions(int set, float*& positionsOut, int& vertexCount)
{
    if (!loaded || set < 0 || set >= kMaxSets) {
        return false;
    }
    positionsOut = positions[set].data();
    vertexCount = vertexCounts[set];
    return true;
}

bool PanoMeshStore::GetIndices(int set, quint16*& indicesOut, int& indexCount)
{
    if (!loaded || set < 0 || set >= kMaxSets) {
        return false;
    }
    indicesOut = indices[set].data();
    indexCount = indexCounts[set];
    return true;
}

bool PanoMeshStore::GetTexCoords(int set, float*& texCoordsOut, int& vertexCount)
{
    if (!loaded || set < 0 || set >= kMaxSets) {
        return false;
    }
    texCoordsOut = texCoordSets[set].data();
    vertexCount = vertexCounts[set];
    return true;
}

bool PanoMeshStore::GetMorph(int morph, float*& positionsOut, int& verticesPerFrame,
                             int& frames)
{
    if (!loaded || morph < 0 || morph >= kMaxMorphs) {
        return false;
    }
    positionsOut = morphPositions[morph].data();
    verticesPerFrame = morphVertices[morph];
    frames = morphFrameCounts[morph];
    return true;
}
