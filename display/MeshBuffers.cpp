#include "MeshBuffers.h"

#include <QOpenGLContext>

void MeshBuffers::InitGLFunctions()
{
    initializeOpenGLFunctions();
    m_glReady = true;
}

bool MeshBuffers::IsComplete(const Mesh& mesh)
{
    return mesh.vertices && mesh.texCoords && mesh.indices && mesh.vertexCount > 0
           && mesh.indexCount > 0;
}

void MeshBuffers::Fills(const Mesh& mesh, Fill (&fills)[3])
{
    fills[0] = {&vertexBuffer, GL_ARRAY_BUFFER, mesh.vertices,
                mesh.vertexCount * int(3 * sizeof(float)), GL_DYNAMIC_DRAW};
    fills[1] = {&indexBuffer, GL_ELEMENT_ARRAY_BUFFER, mesh.indices,
                mesh.indexCount * int(sizeof(quint16)), GL_STATIC_DRAW};
    fills[2] = {&texCoordBuffer, GL_ARRAY_BUFFER, mesh.texCoords,
                mesh.vertexCount * int(2 * sizeof(float)), GL_DYNAMIC_DRAW};
}

void MeshBuffers::Specify(const Fill& fill)
{
    glBindBuffer(fill.target, *fill.name);
    glBufferData(fill.target, fill.bytes, fill.data, fill.usage);
    glBindBuffer(fill.target, 0);
}

bool MeshBuffers::Ensure(const Mesh& mesh)
{
    if (!IsComplete(mesh)) {
        return false;
    }
    Fill fills[3];
    Fills(mesh, fills);
    for (const Fill& fill : fills) {
        if (*fill.name != 0 && glIsBuffer(*fill.name)) {
            continue;
        }
        *fill.name = 0;
        glGenBuffers(1, fill.name);
        if (*fill.name == 0) {
            return false;
        }
        Specify(fill);
    }
    return true;
}

void MeshBuffers::Refill(const Mesh& mesh)
{
    if (!IsComplete(mesh)) {
        return;
    }
    Fill fills[3];
    Fills(mesh, fills);
    for (const Fill& fill : fills) {
        if (*fill.name != 0 && glIsBuffer(*fill.name)) {
            Specify(fill);
        }
    }
}

void MeshBuffers::Release()
{
    if (!m_glReady || !QOpenGLContext::currentContext()) {
        return;
    }
    for (GLuint* name : {&vertexBuffer, &texCoordBuffer, &indexBuffer}) {
        if (*name != 0) {
            glDeleteBuffers(1, name);
            *name = 0;
        }
    }
}
