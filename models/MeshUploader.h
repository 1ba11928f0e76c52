#pragma once

#include <QOpenGLFunctions>

// Where a model's mesh lies in GPU buffers shared by several models. A
// model's draw asks for the place of its mesh once its matrices are built (a
// morph has chosen its frame by then); the uploader copies the mesh there
// unless that place already holds the same, unchanged arrays.
//
// Threads: GUI thread, with the GL context of the buffers current.
class MeshUploader
{
public:
    // The buffers to draw from and the byte offsets of the mesh in them; the
    // index buffer holds the triangle list from its start.
    struct Place {
        GLuint vertexBuffer;
        GLintptr vertexOffset;
        GLuint texCoordBuffer;
        GLintptr texCoordOffset;
        GLuint indexBuffer;
    };

    virtual ~MeshUploader() = default;

    // vertices holds vertexCount float triples and texCoords as many float
    // pairs; the draw reads indexCount 16-bit indices. False when the mesh
    // does not fit the buffers: the model then draws nothing.
    virtual bool PlaceMesh(const float* vertices, const float* texCoords, int vertexCount,
                           int indexCount, Place& place) = 0;
};
