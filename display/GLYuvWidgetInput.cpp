#include "GLYuvWidget.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>
#include <cstdlib>

// Pointer and key input of the view: the dewarped display's render core is
// steered by them; the plain and zoomed displays pass events on. GUI thread
// only, like the rest of the class.

namespace {

// A pointer jump beyond this share of the view's width or height in one move
// marks every dewarp view as moved.
constexpr float kJumpShare = 0.05f;

} // namespace

void GLYuvWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (panoInteractive && renderer) {
            renderer->OnButton(true, event->x(), event->y());
        }
        lastX = event->x();
        lastY = event->y();
        if (panoInteractive) {
            RequestPaint();
        }
    }
    QWidget::mousePressEvent(event);
}

void GLYuvWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && panoInteractive && renderer) {
        renderer->OnButton(false, event->x(), event->y());
    }
    QWidget::mouseReleaseEvent(event);
}

void GLYuvWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && panoInteractive && renderer) {
        renderer->OnDoubleClick(event->x(), event->y());
    }
    QWidget::mouseDoubleClickEvent(event);
}

void GLYuvWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) && panoInteractive && renderer) {
        renderer->OnHover(event->x(), event->y());
    }
    if (event->buttons() & Qt::LeftButton) {
        const int x = event->x();
        const int y = event->y();
        const bool steering = panoInteractive && renderer;
        if (steering) {
            renderer->OnMove(x, y);
            renderer->OnHover(x, y);
        }
        const int dx = x - lastX;
        const int dy = y - lastY;
        const float w = static_cast<float>(width());
        const float h = static_cast<float>(height());
        const bool jump = (w > 0.0f && static_cast<float>(std::abs(dx)) / w > kJumpShare)
                          || (h > 0.0f && static_cast<float>(std::abs(dy)) / h > kJumpShare);
        if (jump && steering) {
            renderer->MarkMoved(dx, dy);
        }
        lastX = x;
        lastY = y;
    }
    QWidget::mouseMoveEvent(event);
}

void GLYuvWidget::wheelEvent(QWheelEvent* event)
{
    if (panoInteractive && renderer) {
        // The view under the pointer takes the wheel, clicked or not.
        const QPoint at = event->position().toPoint();
        renderer->OnHover(at.x(), at.y());
        renderer->OnWheel(WheelDelta(*event));
        RequestPaint();
    }
    QWidget::wheelEvent(event);
}

// Wheels report eighths of a degree, 120 per notch; a touchpad that reports
// only pixels counts kTouchpadPixelsPerNotch of them as a notch.
int GLYuvWidget::WheelDelta(const QWheelEvent& event)
{
    constexpr int kTouchpadPixelsPerNotch = 40;
    const int angle = event.angleDelta().y();
    if (angle != 0) {
        return angle;
    }
    return event.pixelDelta().y() * PanoRenderer::kWheelDeltaPerNotch / kTouchpadPixelsPerNotch;
}

void GLYuvWidget::enterEvent(QEvent* event)
{
    emit sigEnter();
    QWidget::enterEvent(event);
}

void GLYuvWidget::leaveEvent(QEvent* event)
{
    if (panoInteractive && renderer) {
        renderer->OnHover(-1, -1);
    }
    emit sigLeave();
    QWidget::leaveEvent(event);
}

void GLYuvWidget::StepByKey(PanoRenderer::KeyStep step)
{
    if (!renderer || !panoInteractive) {
        return;
    }
    renderer->StepByKey(step);
    RequestPaint();
}

void GLYuvWidget::SelectNextView()
{
    if (!renderer || !panoInteractive) {
        return;
    }
    renderer->SelectNextView();
    RequestPaint();
}
