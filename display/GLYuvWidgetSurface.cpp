#include "GLYuvWidget.h"

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
