#include "GLYuvWindow.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWidget>

GLYuvWindow::GLYuvWindow(GLSurfaceClient* client, QWidget* host)
    : QOpenGLWindow(QOpenGLWindow::NoPartialUpdate)
    , m_client(client)
    , m_host(host)
{
    setFlag(Qt::WindowDoesNotAcceptFocus);
}

void GLYuvWindow::initializeGL() { m_client->InitializeSurface(); }

void GLYuvWindow::paintGL() { m_client->PaintSurface(); }

bool GLYuvWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const bool handled = ForwardToHost(event);
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            ForwardContextMenu(*mouse);
        }
        return handled;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
        return ForwardToHost(event);
    case QEvent::Show: {
        // Beneath every other native child of the window (the lifted
        // overlays), whichever was shown first.
        const bool handled = QOpenGLWindow::event(event);
        lower();
        return handled;
    }
    default:
        return QOpenGLWindow::event(event);
    }
}

// The window lies exactly over the host, so positions need no mapping; the
// application passes unaccepted events on to the host's parents.
bool GLYuvWindow::ForwardToHost(QEvent* event)
{
    if (!m_host) {
        return false;
    }
    event->ignore();
    QApplication::sendEvent(m_host, event);
    return true;
}

// Widgets get a context-menu event on the right button's press (X11); a plain
// window gets none, so it is made here.
void GLYuvWindow::ForwardContextMenu(const QMouseEvent& press)
{
    QContextMenuEvent menu(QContextMenuEvent::Mouse, press.pos(), press.globalPos(),
                           press.modifiers());
    QApplication::sendEvent(m_host, &menu);
}
