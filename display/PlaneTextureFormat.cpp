#include "PlaneTextureFormat.h"

#include <QOpenGLContext>

namespace
{

// Not in the GL ES 2.0 headers Qt builds against.
constexpr GLint kGlR8 = 0x8229;
constexpr GLint kGlRg8 = 0x822B;
constexpr GLenum kGlRed = 0x1903;
constexpr GLenum kGlRg = 0x8227;

} // namespace

PlaneTextureFormat PlaneTextureFormat::For(const QOpenGLContext* context, Samples samples)
{
    const bool hasRg = context && (context->format().majorVersion() >= 3 ||
                                   context->hasExtension(QByteArrayLiteral("GL_ARB_texture_rg")) ||
                                   context->hasExtension(QByteArrayLiteral("GL_EXT_texture_rg")));
    // GL ES 2.0's extension takes no sized formats.
    const bool sized = context && !(context->isOpenGLES() && context->format().majorVersion() < 3);
    PlaneTextureFormat chosen;
    if (samples == Samples::One) {
        chosen.format = hasRg ? kGlRed : GL_LUMINANCE;
        chosen.internalFormat = hasRg && sized ? kGlR8 : static_cast<GLint>(chosen.format);
    } else {
        chosen.format = hasRg ? kGlRg : GL_LUMINANCE_ALPHA;
        chosen.internalFormat = hasRg && sized ? kGlRg8 : static_cast<GLint>(chosen.format);
        chosen.pairSwizzle = hasRg ? "rg" : "ra";
    }
    return chosen;
}
