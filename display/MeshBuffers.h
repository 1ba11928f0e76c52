#pragma once

#include "MeshUploader.h"

#include <QOpenGLFunctions>

#include <array>

// The render core's three GPU buffers: vertex positions, texture coordinates
// and 16-bit triangle indices. The position and texture-coordinate buffers
// hold kRegions meshes side by side, each region as large as the mesh the
// buffers were last filled from (the layout's largest); the index buffer
// holds that mesh's triangle list, which every mesh drawn with it shares.
//
// A model's mesh is copied into a region only when no region holds the same
// arrays at the same content generation, so a layout at rest draws without
// uploading anything. Mesh arrays rewritten in place (a lens, the picture
// rectangle) keep their addresses: NoteMeshesRewritten starts a new content
// generation, and nothing uploaded before it counts as current.
//
// Threads: GUI thread, with the view's GL context current for every call but
// InitGLFunctions' absence (Release before it does nothing) and the pure
// state calls (NoteMeshesRewritten, UploadCount). The render core guards the
// object with its parameter lock, held while the models draw through it.
class MeshBuffers : public MeshUploader, protected QOpenGLFunctions
{
public:
    // A mesh in client memory; not owned.
    struct Mesh {
        const float* vertices;
        const float* texCoords;
        const quint16* indices;
        int vertexCount;
        int indexCount;
    };
    // Meshes held at once: the most any layout draws together (the circle,
    // the perspective hemisphere and the strip).
    static constexpr int kRegions = 3;

    MeshBuffers() = default;
    MeshBuffers(const MeshBuffers&) = delete;
    MeshBuffers& operator=(const MeshBuffers&) = delete;

    void InitGLFunctions();
    // Creates each missing buffer, then fills all three from the mesh when
    // any was missing; false for an incomplete mesh or when a buffer name
    // cannot be generated.
    bool Ensure(const Mesh& mesh);
    // Re-specifies every existing buffer from the mesh: its regions are
    // sized for it and the first holds it.
    void Refill(const Mesh& mesh);
    // Deletes the buffers; needs the context that created them current.
    void Release();

    // Mesh arrays were rewritten in place.
    void NoteMeshesRewritten() { ++m_generation; }
    // Copies of mesh content into the buffers so far (positions and texture
    // coordinates of one mesh count once).
    int UploadCount() const { return m_uploads; }

    bool PlaceMesh(const float* vertices, const float* texCoords, int vertexCount, int indexCount,
                   Place& place) override;

    static bool IsComplete(const Mesh& mesh);

    GLuint vertexBuffer = 0;
    GLuint texCoordBuffer = 0;
    GLuint indexBuffer = 0;

private:
    // What a region holds: the arrays it was copied from and when.
    struct Region {
        const float* vertices = nullptr;
        const float* texCoords = nullptr;
        int vertexCount = 0;
        quint64 generation = 0;
        // m_useClock at the region's last placement; 0 while empty.
        quint64 lastUse = 0;
    };

    void Specify(GLenum target, GLuint name, GLsizeiptr bytes, const void* data, GLenum usage);
    void Upload(int region, const float* vertices, const float* texCoords, int vertexCount);
    int FindRegion(const float* vertices, const float* texCoords, int vertexCount) const;
    int LeastRecentRegion() const;

    bool m_glReady = false;
    std::array<Region, kRegions> m_regions{};
    // Vertices per region and indices in the index buffer, as last filled.
    int m_regionVertices = 0;
    int m_indexCount = 0;
    quint64 m_generation = 1;
    quint64 m_useClock = 0;
    int m_uploads = 0;
};
