#include "PlainPicturePass.h"

#include "PlaneTextureFormat.h"

#include <QByteArray>
#include <QOpenGLContext>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

constexpr char kTexUV[] = "texUV";

// Chroma samples interleaved per band of the upload.
constexpr int kBandSamples = 32 * 1024;

// Pictures up to 1080p take one texture set: its memory counts against the
// player's, and such an upload waits little. Larger ones alternate two.
constexpr qint64 kOneSetPixels = 1920LL * 1088;

// %1 is the chroma texture's swizzle: "rg" for a two-channel texture, "ra"
// for luminance-alpha on plain GL ES 2.0.
constexpr char kFragmentSource[] =
    "uniform sampler2D texY;\n"
    "uniform sampler2D texUV;\n"
    "uniform mat3 yuvToRgb;\n"
    "uniform vec3 yuvOffset;\n"
    "varying vec2 textureOut;\n"
    "void main(void)\n"
    "{\n"
    "    vec3 yuv = vec3(texture2D(texY, textureOut).r, texture2D(texUV, textureOut).%1);\n"
    // A fixed-point framebuffer clamps the colour itself.
    "    gl_FragColor = vec4(yuvToRgb * (yuv - yuvOffset), 1.);\n"
    "}\n";

// One texel per sample pair, U then V, as the texture reads them. 4K
// pictures have 2 million pairs, interleaved on the GUI thread: sixteen at a
// time where the processor has SSE2 (every x86-64 one).
void InterleaveBand(const unsigned char* u, const unsigned char* v, size_t samples,
                    unsigned char* pairs)
{
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= samples; i += 16) {
        const __m128i us = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + i));
        const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pairs + 2 * i), _mm_unpacklo_epi8(us, vs));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pairs + 2 * i + 16), _mm_unpackhi_epi8(us, vs));
    }
#endif
    for (; i < samples; ++i) {
        pairs[2 * i] = u[i];
        pairs[2 * i + 1] = v[i];
    }
}

} // namespace

PlainPicturePass::~PlainPicturePass()
{
    if (QOpenGLContext::currentContext()) {
        Release();
    }
}

bool PlainPicturePass::Create()
{
    QOpenGLContext* gl = QOpenGLContext::currentContext();
    if (!gl) {
        return false;
    }
    initializeOpenGLFunctions();
    const PlaneTextureFormat pair = PlaneTextureFormat::For(gl, PlaneTextureFormat::Samples::Two);
    m_internalFormat = pair.internalFormat;
    m_format = pair.format;
    const QByteArray fragment = QByteArray(kFragmentSource).replace("%1", pair.pairSwizzle);
    m_program = std::make_unique<ShaderProgram>();
    if (!m_program->Build(ShaderProgram::VertexSource(), fragment.constData())) {
        m_program.reset();
        return false;
    }
    // The shared vertex stage passes the quad through as it is given.
    m_program->setUniformValue(ShaderProgram::kIsDrawBoundV, 0);
    m_program->setUniformValue(ShaderProgram::kIsDirectDrawV, 1);
    m_program->setUniformValue(ShaderProgram::kTexY, 0);
    m_program->setUniformValue(kTexUV, 1);
    const PlaneTextureFormat luma = PlaneTextureFormat::For(gl, PlaneTextureFormat::Samples::One);
    m_lumaInternalFormat = luma.internalFormat;
    m_lumaFormat = luma.format;
    return true;
}

void PlainPicturePass::Release()
{
    for (TextureSet& set : m_sets) {
        ReleaseSet(set);
    }
    m_current = 0;
    m_program.reset();
}

void PlainPicturePass::ReleaseSet(TextureSet& set)
{
    if (set.luma != 0) {
        const GLuint textures[2] = {set.luma, set.chroma};
        glDeleteTextures(2, textures);
    }
    set = TextureSet();
}

void PlainPicturePass::SetColor(const YuvColorTransform& transform)
{
    if (IsReady()) {
        m_program->bind();
        m_program->SetYuvColor(transform);
    }
}

void PlainPicturePass::Upload(const char* picture, const Yuv420Layout& layout, int width,
                              int height)
{
    // A large picture goes into the set the last picture is not in: its
    // upload need not wait for the rasterizer to finish drawing from it.
    const bool alternate = static_cast<qint64>(width) * height > kOneSetPixels;
    if (!alternate && m_sets[1].luma != 0) {
        ReleaseSet(m_sets[1]);
    }
    m_current = alternate ? 1 - m_current : 0;
    TextureSet& set = m_sets[m_current];
    if (set.luma == 0) {
        GLuint textures[2] = {};
        glGenTextures(2, textures);
        set.luma = textures[0];
        set.chroma = textures[1];
        for (GLuint texture : textures) {
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, set.luma);
    if (set.lumaSize != QSize(width, height)) {
        glTexImage2D(GL_TEXTURE_2D, 0, m_lumaInternalFormat, width, height, 0, m_lumaFormat,
                     GL_UNSIGNED_BYTE, picture);
        set.lumaSize = QSize(width, height);
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, m_lumaFormat, GL_UNSIGNED_BYTE,
                        picture);
    }
    UploadChroma(set, picture + layout.uOffset, picture + layout.vOffset, layout.chromaWidth,
                 layout.chromaHeight);
}

void PlainPicturePass::UploadChroma(TextureSet& set, const char* u, const char* v, int width,
                                    int height)
{
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, set.chroma);
    if (set.chromaSize != QSize(width, height)) {
        glTexImage2D(GL_TEXTURE_2D, 0, m_internalFormat, width, height, 0, m_format,
                     GL_UNSIGNED_BYTE, nullptr);
        set.chromaSize = QSize(width, height);
    }
    // Interleaved a band of rows at a time, so the pairs never take a whole
    // plane's worth of memory beside the picture.
    const int bandRows = std::max(1, std::min(height, kBandSamples / std::max(1, width)));
    m_interleaved.resize(static_cast<size_t>(width) * bandRows * 2);
    const auto* uSamples = reinterpret_cast<const unsigned char*>(u);
    const auto* vSamples = reinterpret_cast<const unsigned char*>(v);
    for (int top = 0; top < height; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        const size_t first = static_cast<size_t>(top) * width;
        InterleaveBand(uSamples + first, vSamples + first, static_cast<size_t>(rows) * width,
                       m_interleaved.data());
        const void* pair = m_interleaved.data();
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, top, width, rows, m_format, GL_UNSIGNED_BYTE, pair);
    }
    glActiveTexture(GL_TEXTURE0);
}

void PlainPicturePass::Bind()
{
    m_program->bind();
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, m_sets[m_current].chroma);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_sets[m_current].luma);
}
