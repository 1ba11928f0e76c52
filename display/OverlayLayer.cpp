#include "OverlayLayer.h"

#include "PaintArea.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLTexture>
#include <QPainter>

OverlayLayer::OverlayLayer() { m_blitter.create(); }

OverlayLayer::~OverlayLayer()
{
    m_texture.reset();
    m_blitter.destroy();
}

void OverlayLayer::Draw(PaintArea& overlay, QSize targetPixels)
{
    if (targetPixels.isEmpty() || !m_blitter.isCreated()) {
        return;
    }
    if (!m_texture || m_textureSize != targetPixels || m_generation != overlay.Generation()) {
        Refresh(overlay, targetPixels);
    }
    QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
    gl->glViewport(0, 0, targetPixels.width(), targetPixels.height());
    gl->glEnable(GL_BLEND);
    // The window's own alpha stays opaque (a translucent top level shows it).
    gl->glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    m_blitter.bind();
    const QRect whole(QPoint(0, 0), targetPixels);
    m_blitter.blit(m_texture->textureId(), QOpenGLTextureBlitter::targetTransform(whole, whole),
                   QOpenGLTextureBlitter::OriginTopLeft);
    m_blitter.release();
    gl->glDisable(GL_BLEND);
}

// The overlay is painted at the target's resolution (sharp at any pixel
// ratio), with straight alpha as the texture upload keeps it.
void OverlayLayer::Refresh(PaintArea& overlay, QSize targetPixels)
{
    QImage image(targetPixels, QImage::Format_RGBA8888);
    image.fill(Qt::transparent);
    if (overlay.width() > 0 && overlay.height() > 0) {
        QPainter painter(&image);
        painter.scale(static_cast<qreal>(targetPixels.width()) / overlay.width(),
                      static_cast<qreal>(targetPixels.height()) / overlay.height());
        overlay.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    // Made again each time: a texture's storage cannot be re-specified.
    m_texture = std::make_unique<QOpenGLTexture>(image, QOpenGLTexture::DontGenerateMipMaps);
    m_texture->setMinMagFilters(QOpenGLTexture::Linear, QOpenGLTexture::Linear);
    m_textureSize = targetPixels;
    m_generation = overlay.Generation();
}
