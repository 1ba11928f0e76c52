#include "GLYuvWindow.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QExposeEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWidget>

GLYuvWindow::GLYuvWindow(GLSurfaceClient* client, QWidget* host)
    : m_client(client)
    , m_host(host)
{
    setSurfaceType(QSurface::OpenGLSurface);
    setFlag(Qt::WindowDoesNotAcceptFocus);
    connect(&m_swap, &SwapThread::sigPresented, this, &GLYuvWindow::OnPresented);
}

GLYuvWindow::~GLYuvWindow()
{
    // The host releases its GL objects before this window goes (it is the
    // container's child, and the container the host's).
    m_swap.WaitUntilIdle();
    m_context.reset();
}

bool GLYuvWindow::MakeCurrent()
{
    m_swap.WaitUntilIdle();
    if (!handle()) {
        create();
    }
    if (!m_context) {
        auto context = std::make_unique<QOpenGLContext>();
        context->setFormat(requestedFormat());
        if (!context->create()) {
            return false;
        }
        m_context = std::move(context);
        if (!m_context->makeCurrent(this)) {
            return false;
        }
        m_client->InitializeSurface();
        return true;
    }
    return m_context->makeCurrent(this);
}

void GLYuvWindow::MatchTopLevel(const QWidget& topLevel)
{
    if (handle()) {
        return;
    }
    QSurfaceFormat format = requestedFormat();
    format.setAlphaBufferSize(topLevel.testAttribute(Qt::WA_TranslucentBackground) ? 8 : -1);
    setFormat(format);
}

void GLYuvWindow::DoneCurrent()
{
    if (m_context) {
        m_context->doneCurrent();
    }
}

// A paint asked for while the last one is still being swapped is made once
// that swap is done, with the newest state: pictures that came in between are
// never drawn (the hand-off keeps only the newest anyway).
void GLYuvWindow::Paint()
{
    if (m_presenting) {
        m_paintAfterSwap = true;
        return;
    }
    if (!isExposed() || !MakeCurrent()) {
        return;
    }
    m_client->PaintSurface();
    m_presenting = true;
    m_swap.Present(m_context.get(), this);
}

void GLYuvWindow::OnPresented()
{
    m_presenting = false;
    emit sigSwapped();
    if (m_paintAfterSwap) {
        m_paintAfterSwap = false;
        Paint();
    }
}

void GLYuvWindow::exposeEvent(QExposeEvent* /*event*/) { Paint(); }

bool GLYuvWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::UpdateRequest:
        Paint();
        return true;
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
        const bool handled = QWindow::event(event);
        lower();
        return handled;
    }
    default:
        return QWindow::event(event);
    }
}

// The window lies exactly over the host, so positions need no mapping; the
// application passes unaccepted events on to the host's parents.
bool GLYuvWindow::ForwardToHost(QEvent* event)
{
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
