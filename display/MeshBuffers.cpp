#include "MeshBuffers.h"

#include <QOpenGLContext>

namespace
{

constexpr GLsizeiptr kPositionBytes = 3 * sizeof(float);
constexpr GLsizeiptr kTexCoordBytes = 2 * sizeof(float);
constexpr GLsizeiptr kIndexBytes = sizeof(quint16);

} // namespace

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

void MeshBuffers::Specify(GLenum target, GLuint name, GLsizeiptr bytes, const void* data,
                          GLenum usage)
{
    glBindBuffer(target, name);
    glBufferData(target, bytes, data, usage);
    glBindBuffer(target, 0);
}

bool MeshBuffers::Ensure(const Mesh& mesh)
{
    if (!IsComplete(mesh)) {
        return false;
    }
    bool created = false;
    for (GLuint* name : {&vertexBuffer, &texCoordBuffer, &indexBuffer}) {
        if (*name != 0 && glIsBuffer(*name)) {
            continue;
        }
        *name = 0;
        glGenBuffers(1, name);
        if (*name == 0) {
            return false;
        }
        created = true;
    }
    if (created) {
        Refill(mesh);
    }
    return true;
}

void MeshBuffers::Refill(const Mesh& mesh)
{
    if (!IsComplete(mesh) || vertexBuffer == 0 || texCoordBuffer == 0 || indexBuffer == 0) {
        return;
    }
    // Whatever the regions held is gone with the old storage.
    m_regions.fill(Region{});
    m_regionVertices = mesh.vertexCount;
    m_indexCount = mesh.indexCount;
    const GLsizeiptr vertices = GLsizeiptr(mesh.vertexCount);
    Specify(GL_ARRAY_BUFFER, vertexBuffer, kRegions * vertices * kPositionBytes, nullptr,
            GL_DYNAMIC_DRAW);
    Specify(GL_ARRAY_BUFFER, texCoordBuffer, kRegions * vertices * kTexCoordBytes, nullptr,
            GL_DYNAMIC_DRAW);
    Specify(GL_ELEMENT_ARRAY_BUFFER, indexBuffer, GLsizeiptr(mesh.indexCount) * kIndexBytes,
            mesh.indices, GL_STATIC_DRAW);
    Upload(0, mesh.vertices, mesh.texCoords, mesh.vertexCount);
}

void MeshBuffers::Upload(int region, const float* vertices, const float* texCoords, int vertexCount)
{
    const GLsizeiptr count = GLsizeiptr(vertexCount);
    const GLsizeiptr capacity = GLsizeiptr(m_regionVertices);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, region * capacity * kPositionBytes, count * kPositionBytes,
                    vertices);
    glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, region * capacity * kTexCoordBytes, count * kTexCoordBytes,
                    texCoords);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    m_regions[region] = {vertices, texCoords, vertexCount, m_generation, ++m_useClock};
    ++m_uploads;
}

int MeshBuffers::FindRegion(const float* vertices, const float* texCoords, int vertexCount) const
{
    for (int k = 0; k < kRegions; ++k) {
        const Region& region = m_regions[k];
        if (region.lastUse != 0 && region.vertices == vertices && region.texCoords == texCoords &&
            region.vertexCount == vertexCount && region.generation == m_generation) {
            return k;
        }
    }
    return -1;
}

int MeshBuffers::LeastRecentRegion() const
{
    int oldest = 0;
    for (int k = 1; k < kRegions; ++k) {
        if (m_regions[k].lastUse < m_regions[oldest].lastUse) {
            oldest = k;
        }
    }
    return oldest;
}

bool MeshBuffers::PlaceMesh(const float* vertices, const float* texCoords, int vertexCount,
                            int indexCount, Place& place)
{
    // A mesh larger than a region would spill into the next, and more
    // indices than the buffer holds would read past it: not drawn at all.
    if (vertices == nullptr || texCoords == nullptr || vertexCount <= 0 ||
        vertexCount > m_regionVertices || indexCount <= 0 || indexCount > m_indexCount ||
        vertexBuffer == 0 || texCoordBuffer == 0 || indexBuffer == 0) {
        return false;
    }
    int region = FindRegion(vertices, texCoords, vertexCount);
    if (region < 0) {
        region = LeastRecentRegion();
        Upload(region, vertices, texCoords, vertexCount);
    } else {
        m_regions[region].lastUse = ++m_useClock;
    }
    const GLsizeiptr first = GLsizeiptr(region) * GLsizeiptr(m_regionVertices);
    place = {vertexBuffer, GLintptr(first * kPositionBytes), texCoordBuffer,
             GLintptr(first * kTexCoordBytes), indexBuffer};
    return true;
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
    m_regions.fill(Region{});
}
