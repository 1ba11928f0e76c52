#include "YuvPlaneTextures.h"

#include "PlaneTextureFormat.h"
#include "Yuv420Layout.h"

#include <QOpenGLContext>

bool YuvPlaneTextures::Create()
{
    QOpenGLContext* gl = QOpenGLContext::currentContext();
    if (!gl) {
        return false;
    }
    initializeOpenGLFunctions();
    const PlaneTextureFormat plane = PlaneTextureFormat::For(gl, PlaneTextureFormat::Samples::One);
    m_internalFormat = plane.internalFormat;
    m_format = plane.format;
    glGenTextures(3, m_ids);
    for (GLuint id : m_ids) {
        glBindTexture(GL_TEXTURE_2D, id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    for (int plane = 0; plane < 3; ++plane) {
        m_widths[plane] = m_heights[plane] = 0;
    }
    return true;
}

void YuvPlaneTextures::Release()
{
    if (m_ids[0] != 0) {
        glDeleteTextures(3, m_ids);
    }
    for (GLuint& id : m_ids) {
        id = 0;
    }
}

bool YuvPlaneTextures::Upload(const char* picture, qint64 byteCount, int width, int height)
{
    if (m_ids[0] == 0 || width < 2 || height < 2 ||
        byteCount < static_cast<qint64>(width) * height * 3 / 2) {
        return false;
    }
    // Rows of odd-sized planes are not 4-byte aligned; read them tightly packed.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const Yuv420Layout layout = Yuv420Layout::Of(width, height, byteCount);
    UploadPlane(2, picture + layout.vOffset, layout.chromaWidth, layout.chromaHeight);
    UploadPlane(1, picture + layout.uOffset, layout.chromaWidth, layout.chromaHeight);
    UploadPlane(0, picture, width, height);
    return true;
}

// Binds the plane's texture to its unit (0 to 2) and fills it.
void YuvPlaneTextures::UploadPlane(int plane, const char* data, int width, int height)
{
    glActiveTexture(GL_TEXTURE0 + plane);
    glBindTexture(GL_TEXTURE_2D, m_ids[plane]);
    if (m_widths[plane] == width && m_heights[plane] == height) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, m_format, GL_UNSIGNED_BYTE, data);
        return;
    }
    glTexImage2D(GL_TEXTURE_2D, 0, m_internalFormat, width, height, 0, m_format, GL_UNSIGNED_BYTE,
                 data);
    m_widths[plane] = width;
    m_heights[plane] = height;
}
