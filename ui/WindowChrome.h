#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QAbstractButton;
class QMouseEvent;
class QTimer;
class QWidget;

// The frameless window's own chrome: dragging by the title bar (released at
// the screen's top edge it maximizes), edge resizing with its cursors, the
// maximize toggle and full screen. The window forwards its own mouse events
// (MousePress/Move/Release) and owns the title bar; this object filters the
// title bar's events itself. Where the platform moves and resizes windows
// itself (Wayland, where a window cannot place itself), the drag and the
// edge resize are handed to it through QWindow::startSystemMove/Resize.
//
// Window states: normal, maximized, full screen. Entering maximize clears
// full screen; leaving full screen clears maximize.
//
// Threads: GUI thread only.
class WindowChrome : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDragEdgePx = 5;
    static constexpr int kScreenBottomReservePx = 60;
    static constexpr int kCursorResetMs = 600;

    // window, titleBar and maximizeButton must outlive this object (it is
    // the window's child).
    WindowChrome(QWidget* window, QWidget* titleBar, QAbstractButton* maximizeButton);

    bool isFull() const { return m_isFull; }
    bool isMaximized() const { return m_isMaximized; }

    void ToggleFullScreen();
    // Back to a normal window from full screen or maximized (Escape).
    void LeaveFullScreen();
    void ToggleMaximized();

    void MousePress(QMouseEvent* event);
    void MouseMove(QMouseEvent* event);
    void MouseRelease(QMouseEvent* event);

signals:
    void sigFullScreenChanged(bool full);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool TitleBarMouseEvent(QMouseEvent* mouse);
    void TitleBarMove(const QPoint& global);
    void SetCursorShape(Qt::CursorShape shape);
    // True where the platform places windows itself.
    static bool PlatformMovesWindows();

    QWidget* m_window;
    QWidget* m_titleBar;
    QAbstractButton* m_maximizeButton;
    QTimer* m_cursorTimer;
    bool m_isFull = false;
    bool m_isMaximized = false;
    bool m_titleDragging = false;
    bool m_titleDragToTop = false;
    QPoint m_titlePressPos;
    int m_resizeRegion = 0;
    bool m_resizing = false;
    QRect m_pressGeometry;
    QPoint m_pressGlobalPos;
};
