#pragma once

#include <QOpenGLFunctions>

// The render core's three GPU buffers: vertex positions, texture coordinates
// (both re-specified only when the render core marks them dirty, their
// beginnings replaced by every model draw) and 16-bit triangle indices.
// Sized by the mesh they were last filled from.
//
// Threads: GUI thread, with the view's GL context current for every call but
// InitGLFunctions' absence (Release before it does nothing). The render core
// guards the object with its parameter lock.
class MeshBuffers : protected QOpenGLFunctions
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

    MeshBuffers() = default;
    MeshBuffers(const MeshBuffers&) = delete;
    MeshBuffers& operator=(const MeshBuffers&) = delete;

    void InitGLFunctions();
    // Creates and fills each missing buffer; false for an incomplete mesh
    // or when a buffer name cannot be generated.
    bool Ensure(const Mesh& mesh);
    // Re-specifies every existing buffer from the mesh.
    void Refill(const Mesh& mesh);
    // Deletes the buffers; needs the context that created them current.
    void Release();

    static bool IsComplete(const Mesh& mesh);

    GLuint vertexBuffer = 0;
    GLuint texCoordBuffer = 0;
    GLuint indexBuffer = 0;

private:
    struct Fill {
        GLuint* name;
        GLenum target;
        const void* data;
        int bytes;
        GLenum usage;
    };
    void Fills(const Mesh& mesh, Fill (&fills)[3]);
    void Specify(const Fill& fill);

    bool m_glReady = false;
};
