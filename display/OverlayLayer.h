#pragma once

#include <QImage>
#include <QOpenGLTextureBlitter>
#include <QSize>

#include <memory>

class PaintArea;
class QOpenGLTexture;

// Draws the view's overlay (mask, circle outline, guide lines, debug text)
// over the picture, blended, in the pass that draws the picture: the overlay
// widget is painted into an image only when it changed or the view was
// resized, and that image is kept as a texture in between.
//
// Threads: GUI thread, with the picture window's context current; made and
// destroyed with the view's other GL objects.
class OverlayLayer
{
public:
    OverlayLayer();
    ~OverlayLayer();

    // Draws `overlay` over the bound framebuffer of `targetPixels` device
    // pixels; the overlay's widget coordinates are scaled to it.
    void Draw(PaintArea& overlay, QSize targetPixels);

private:
    void Refresh(PaintArea& overlay, QSize targetPixels);

    QOpenGLTextureBlitter m_blitter;
    std::unique_ptr<QOpenGLTexture> m_texture;
    QSize m_textureSize;
    quint64 m_generation = 0;
};
