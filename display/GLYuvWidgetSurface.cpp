#include "GLYuvWidget.h"

#include "OverlayLayer.h"
#include "PaintArea.h"

#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

// What the view answers for its picture window: the context, painting on
// request, grabbing what is drawn and the pointer's shape. GUI thread only,
// like the rest of the class.

QOpenGLContext* GLYuvWidget::context() const { return m_window->Context(); }

void GLYuvWidget::makeCurrent() { m_window->MakeCurrent(); }

void GLYuvWidget::doneCurrent() { m_window->DoneCurrent(); }

void GLYuvWidget::RequestPaint() { m_window->requestUpdate(); }

bool GLYuvWidget::IsPainting() const { return m_window->IsPainting(); }

void GLYuvWidget::SetPointerShape(const QCursor& cursor) { m_window->setCursor(cursor); }

void GLYuvWidget::PaintSurface()
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    PaintPicture();
    const QSize target = (QSizeF(size()) * devicePixelRatioF()).toSize();
    // Subtitles lie over the picture's area as the plain display shows it,
    // also under a zoom or dewarped layout, and never turn with them.
    if (!frame.isEmpty()) {
        const QRect area = PlainViewport(size());
        const qreal ratio = devicePixelRatioF();
        m_subtitles.Draw(QRect((QPointF(area.topLeft()) * ratio).toPoint(),
                               (QSizeF(area.size()) * ratio).toSize()),
                         Geometry().DisplaySize(), target);
    }
    // A blank overlay is not blended over the picture: a software rasterizer
    // pays for every pixel of a full-window blend.
    if (m_overlayLayer && overlay && overlay->isVisible() && !overlay->IsBlank()) {
        m_overlayLayer->Draw(*overlay, target);
    }
}

QImage GLYuvWidget::grabFramebuffer()
{
    const QSize target = (QSizeF(size()) * devicePixelRatioF()).toSize();
    if (target.isEmpty() || !m_window->MakeCurrent()) {
        return {};
    }
    QImage image;
    {
        QOpenGLFramebufferObject framebuffer(target);
        if (framebuffer.isValid() && framebuffer.bind()) {
            PaintSurface();
            image = framebuffer.toImage();
            framebuffer.release();
        }
    }
    doneCurrent();
    image.setDevicePixelRatio(devicePixelRatioF());
    return image;
}
