#pragma once

#include <QOpenGLWindow>

class QWidget;

// What the picture window hands its GL work to: the widget that hosts it.
class GLSurfaceClient
{
public:
    // With the window's context current, before the first paint and after
    // the context was made again.
    virtual void InitializeSurface() = 0;
    // With the context current and the window's own framebuffer bound.
    virtual void PaintSurface() = 0;

protected:
    ~GLSurfaceClient() = default;
};

// The native window the picture is drawn into: an X window of its own, a
// child of the top level, drawn straight through its own GL context and
// swapped, as mpv draws its video window. The window system composes nothing
// per picture, whereas a render-to-texture widget makes the whole top level
// compose through GL on every picture (a framebuffer blit plus a blended
// full-window pass).
//
// It takes no keyboard focus (the player's keys stay with its window) and
// hands every pointer, wheel, enter/leave, context-menu and drag event to the
// host widget, as if the host had received it; the host's parents see them as
// they would without this window.
//
// Threads: GUI thread only. Owned by the window container the host makes.
class GLYuvWindow : public QOpenGLWindow
{
    Q_OBJECT

public:
    GLYuvWindow(GLSurfaceClient* client, QWidget* host);

protected:
    void initializeGL() override;
    void paintGL() override;
    bool event(QEvent* event) override;

private:
    bool ForwardToHost(QEvent* event);
    void ForwardContextMenu(const QMouseEvent& press);

    GLSurfaceClient* m_client;
    QWidget* m_host;
};
