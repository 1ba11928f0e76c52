#pragma once

#include <QOpenGLFunctions>

class QOpenGLContext;

// Texture formats for picture planes of one or two 8-bit samples per texel:
// R8 and RG8 where the context has them (stored as the bytes are, so an
// upload is a copy), luminance and luminance-alpha on plain GL ES 2.0. A
// shader reads one-channel planes from .r; two-channel ones from the
// swizzle given. Pure choice, no GL calls.
struct PlaneTextureFormat {
    enum class Samples { One, Two };

    GLint internalFormat = GL_LUMINANCE;
    GLenum format = GL_LUMINANCE;
    // How a shader reads a two-channel texel's samples: "rg" or "ra".
    const char* pairSwizzle = "ra";

    // For the context current on the calling thread; the ES 2.0 choice when
    // there is none.
    static PlaneTextureFormat For(const QOpenGLContext* context, Samples samples);
};
