#include "WindowChrome.h"

#include "EdgeResize.h"
#include "ScreenMetrics.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

WindowChrome::WindowChrome(QWidget* window, QWidget* titleBar, QAbstractButton* maximizeButton)
    : QObject(window), m_window(window), m_titleBar(titleBar), m_maximizeButton(maximizeButton),
      m_cursorTimer(new QTimer(this))
{
    m_cursorTimer->setSingleShot(true);
    connect(m_cursorTimer, &QTimer::timeout, this,
            [this] { m_window->setCursor(Qt::ArrowCursor); });
    m_titleBar->installEventFilter(this);
}

bool WindowChrome::PlatformMovesWindows()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void WindowChrome::ToggleFullScreen()
{
    if (m_isFull) {
        LeaveFullScreen();
        return;
    }
    m_isFull = true;
    m_titleBar->hide();
    m_window->setWindowState(m_window->windowState() ^ Qt::WindowFullScreen);
    emit sigFullScreenChanged(true);
}

void WindowChrome::LeaveFullScreen()
{
    m_isFull = false;
    m_isMaximized = false;
    m_titleBar->show();
    m_window->showNormal();
    emit sigFullScreenChanged(false);
}

void WindowChrome::ToggleMaximized()
{
    const bool wasFull = m_isFull;
    if (m_isMaximized) {
        m_isMaximized = false;
        m_window->showNormal();
        m_titleBar->show();
    } else {
        m_isMaximized = true;
        m_window->showMaximized();
    }
    m_isFull = false;
    if (wasFull) {
        emit sigFullScreenChanged(false);
    }
}

bool WindowChrome::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_titleBar) {
        return false;
    }
    // The title bar gets every kind of event: only mouse events are cast.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return TitleBarMouseEvent(static_cast<QMouseEvent*>(event));
    default:
        return false;
    }
}

bool WindowChrome::TitleBarMouseEvent(QMouseEvent* mouse)
{
    switch (mouse->type()) {
    case QEvent::MouseButtonPress:
        m_titlePressPos = mouse->pos();
        if (m_titlePressPos.x() >= kDragEdgePx &&
            m_titlePressPos.x() <= m_window->width() - kDragEdgePx &&
            m_titlePressPos.y() >= kDragEdgePx) {
            if (mouse->button() == Qt::LeftButton && PlatformMovesWindows() &&
                m_window->windowHandle() && m_window->windowHandle()->startSystemMove()) {
                return true;
            }
            m_titleDragging = true;
        }
        return false;
    case QEvent::MouseMove:
        if (m_titleDragging) {
            TitleBarMove(mouse->globalPos());
        }
        return false;
    case QEvent::MouseButtonRelease:
        m_titleDragging = false;
        if (m_titleDragToTop) {
            m_isMaximized = true;
            m_window->showMaximized();
            m_isFull = false;
            m_titleDragToTop = false;
        }
        return false;
    case QEvent::MouseButtonDblClick:
        m_maximizeButton->click();
        return true;
    default:
        return false;
    }
}

void WindowChrome::TitleBarMove(const QPoint& global)
{
    const int y = global.y() - m_titlePressPos.y() - kDragEdgePx;
    if (y <= 0) {
        m_titleDragToTop = true; // not moved: released here, it maximizes
        return;
    }
    if (!(m_window->windowState() & Qt::WindowMaximized) &&
        y < ScreenMetrics::ScreenHeightPx(m_window) - kScreenBottomReservePx) {
        m_window->move(global.x() - m_titlePressPos.x() - kDragEdgePx, y);
    }
    m_titleDragToTop = false;
}

void WindowChrome::SetCursorShape(Qt::CursorShape shape)
{
    m_window->setCursor(shape);
    m_cursorTimer->start(kCursorResetMs);
}

void WindowChrome::MousePress(QMouseEvent* event)
{
    m_resizeRegion = EdgeResize::RegionCode(event->pos(), m_window->size());
    m_resizing = event->button() == Qt::LeftButton && m_resizeRegion != EdgeResize::kInside;
    m_pressGeometry = m_window->geometry();
    m_pressGlobalPos = event->globalPos();
    if (m_resizing && PlatformMovesWindows() && m_window->windowHandle()) {
        const Qt::Edges edges = EdgeResize::Edges(m_resizeRegion);
        if (m_window->windowHandle()->startSystemResize(edges)) {
            m_resizing = false;
        }
    }
}

void WindowChrome::MouseMove(QMouseEvent* event)
{
    if (m_isFull || (m_window->windowState() & Qt::WindowMaximized)) {
        return;
    }
    SetCursorShape(EdgeResize::Cursor(EdgeResize::RegionCode(event->pos(), m_window->size())));
    if (!m_resizing) {
        return;
    }
    const QRect resized =
        EdgeResize::Resized(m_resizeRegion, m_pressGeometry, event->globalPos() - m_pressGlobalPos,
                            m_window->minimumSize());
    if (resized.isValid()) {
        m_window->setGeometry(resized);
        m_window->repaint();
    }
}

void WindowChrome::MouseRelease(QMouseEvent* event)
{
    Q_UNUSED(event)
    m_resizing = false;
    QGuiApplication::restoreOverrideCursor();
}
