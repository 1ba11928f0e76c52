#pragma once

#include "SwapThread.h"

#include <QWindow>

#include <memory>

class QOpenGLContext;
class QWidget;

// What the picture window hands its GL work to: the widget that hosts it.
class GLSurfaceClient
{
public:
    // With the window's context current, once, when the context is made.
    virtual void InitializeSurface() = 0;
    // With the context current and the framebuffer to draw into bound.
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
// The context is made on first need (a paint, MakeCurrent), also before the
// window is shown, so an offscreen rendering needs no paint first. The
// window takes no keyboard focus (the player's keys stay with its top level)
// and hands every pointer, wheel, enter/leave, context-menu and drag event to
// the host widget as if the host had received it; the host's parents see
// them as they would without this window. It lies beneath every other native
// child of the top level (the lifted overlays).
//
// Threads: GUI thread, except the buffer swap: a paint draws on the GUI
// thread and hands the context to its SwapThread, which swaps and hands it
// back (sigSwapped then follows on the GUI thread). A paint asked for
// meanwhile waits for that swap; MakeCurrent, and so every grab and offscreen
// rendering, first waits for it to end (one swap at most). Owned by the
// window container the host makes; the swap thread is joined and the context
// destroyed with the window.
class GLYuvWindow : public QWindow
{
    Q_OBJECT

public:
    GLYuvWindow(GLSurfaceClient* client, QWidget* host);
    ~GLYuvWindow() override;

    // Null until first needed.
    QOpenGLContext* Context() const { return m_context.get(); }
    // Makes the context current, first making it (and the platform window)
    // when needed; false when no context can be made.
    bool MakeCurrent();
    void DoneCurrent();
    // Takes the depth of the top level it is embedded in: a translucent top
    // level has an alpha channel, and a window of another depth inside it is
    // not shown. Before the platform window is made; no effect after.
    void MatchTopLevel(const QWidget& topLevel);
    // A paint is being swapped, or waits for the swap before it to end.
    bool IsPainting() const { return m_presenting || m_paintAfterSwap; }

signals:
    // A paint reached the window (the swap is done and the context back).
    void sigSwapped();

protected:
    bool event(QEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;

private:
    void Paint();
    void OnPresented();
    bool ForwardToHost(QEvent* event);
    void ForwardContextMenu(const QMouseEvent& press);

    GLSurfaceClient* m_client;
    QWidget* m_host;
    std::unique_ptr<QOpenGLContext> m_context;
    // Declared after the context, so it is joined before the context goes.
    SwapThread m_swap;
    // From a paint's hand-off until its sigPresented reaches this thread.
    bool m_presenting = false;
    bool m_paintAfterSwap = false;
};
