#pragma once

#include <QOpenGLFunctions>

// The three luminance-like textures a YUV420P picture is drawn from, and their
// upload: one-channel textures (R8 where the context has them, so that an
// upload is a plain copy; luminance on plain GL ES 2.0), linear filtering,
// clamped edges. A picture of the size already held is updated in place
// instead of re-specified. Units 0, 1 and 2 take Y, U and V.
//
// Threads: the thread whose GL context is current at Create; every call
// needs that context current. Release before the context goes.
class YuvPlaneTextures : protected QOpenGLFunctions
{
public:
    YuvPlaneTextures() = default;
    ~YuvPlaneTextures() = default;
    YuvPlaneTextures(const YuvPlaneTextures&) = delete;
    YuvPlaneTextures& operator=(const YuvPlaneTextures&) = delete;

    // Creates the textures in the current context. False without a context.
    bool Create();
    void Release();

    GLuint TextureY() const { return m_ids[0]; }
    GLuint TextureU() const { return m_ids[1]; }
    GLuint TextureV() const { return m_ids[2]; }

    // Uploads a packed YUV420P picture (Yuv420Layout) of byteCount bytes and
    // leaves the planes bound to units 0 to 2, unit 0 active. False, with
    // nothing uploaded, when the array is shorter than the sizes need or a
    // side is below 2 pixels.
    bool Upload(const char* picture, qint64 byteCount, int width, int height);

private:
    void UploadPlane(int plane, const char* data, int width, int height);

    GLuint m_ids[3] = {0, 0, 0};
    int m_widths[3] = {0, 0, 0};
    int m_heights[3] = {0, 0, 0};
    GLint m_internalFormat = GL_LUMINANCE;
    GLenum m_format = GL_LUMINANCE;
};
