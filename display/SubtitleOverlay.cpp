#include "SubtitleOverlay.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLTexture>
#include <QOpenGLTextureBlitter>

SubtitleOverlay::SubtitleOverlay() = default;

SubtitleOverlay::~SubtitleOverlay() = default;

void SubtitleOverlay::Draw(const QRect& area, QSize videoSize, QSize targetPixels)
{
    if (!m_visible || !m_layer.HasTrack() || area.isEmpty() || !m_clockMs)
        return;
    const bool changed = m_layer.Render(m_clockMs(), area.size(), videoSize, &m_image);
    // Nothing due is not blended: a software rasterizer pays for every pixel
    // of the area. The texture is made again for the next line.
    if (m_image.isNull() || m_layer.IsBlank()) {
        m_texture.reset();
        return;
    }
    if (!m_blitter) {
        m_blitter = std::make_unique<QOpenGLTextureBlitter>();
        if (!m_blitter->create())
            return;
    }
    if (changed || !m_texture) {
        // Premultiplied, as blended below.
        m_texture = std::make_unique<QOpenGLTexture>(m_image.convertToFormat(
                                                         QImage::Format_RGBA8888_Premultiplied),
                                                     QOpenGLTexture::DontGenerateMipMaps);
        m_texture->setMinMagFilters(QOpenGLTexture::Nearest, QOpenGLTexture::Nearest);
    }
    QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
    gl->glViewport(0, 0, targetPixels.width(), targetPixels.height());
    gl->glEnable(GL_BLEND);
    // Premultiplied colour; the window's own alpha stays opaque.
    gl->glBlendFuncSeparate(GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    m_blitter->bind();
    m_blitter->blit(m_texture->textureId(),
                    QOpenGLTextureBlitter::targetTransform(area, QRect(QPoint(), targetPixels)),
                    QOpenGLTextureBlitter::OriginTopLeft);
    m_blitter->release();
    gl->glDisable(GL_BLEND);
}

QImage SubtitleOverlay::Snapshot(QSize pixels, QSize videoSize)
{
    if (!m_visible || !m_layer.HasTrack() || pixels.isEmpty() || !m_clockMs)
        return {};
    QImage image;
    m_layer.Render(m_clockMs(), pixels, videoSize, &image);
    // The screen's image is drawn again at its own size on the next paint.
    m_image = QImage();
    return image;
}

void SubtitleOverlay::ReleaseGL()
{
    m_texture.reset();
    if (m_blitter && m_blitter->isCreated())
        m_blitter->destroy();
    m_blitter.reset();
}
