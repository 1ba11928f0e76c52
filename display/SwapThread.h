#pragma once

#include <QObject>
#include <QThread>

#include <condition_variable>
#include <mutex>

class QOpenGLContext;
class QWindow;

// Presents drawn pictures off the GUI thread. With a software rasterizer the
// buffer swap is where a picture is really drawn (the rasterizer runs the
// scene the draw calls only recorded, then the window system copies it), and
// it takes tens of milliseconds for a large window while the decoder keeps
// both cores busy; on the GUI thread that time would hold up every click and
// key. So the GUI thread records its draw calls and hands the context here;
// the swap thread makes it current, swaps, lets it go and hands it back.
//
// Threads:
//   GUI thread  - Present, WaitUntilIdle; owns the context
//                 whenever no swap is in flight.
//   "vorel-swap" - one QThread with an event loop: makes the context current,
//                 swaps, releases it and moves it back to the GUI thread; owns
//                 the context while a swap is in flight.
// Lock: m_mutex guards m_inFlight only; nothing else is taken under it.
// The thread is quit and joined by the destructor, after the last swap.
class SwapThread : public QObject
{
    Q_OBJECT

public:
    explicit SwapThread(QObject* parent = nullptr);
    ~SwapThread() override;

    // GUI thread. Hands CONTEXT, current on the GUI thread with the picture
    // drawn into WINDOW's back buffer, to the swap thread. The context must
    // not be used on the GUI thread until WaitUntilIdle returns or sigPresented
    // arrives. Must not be called while a swap is in flight.
    void Present(QOpenGLContext* context, QWindow* window);
    // GUI thread. Waits until the context is back on the GUI thread (at most
    // one swap: used before rare GL work such as a grab or the teardown).
    void WaitUntilIdle();

signals:
    // Queued to the GUI thread once a swap has reached the window and the
    // context is back.
    void sigPresented();

private:
    // Swap thread.
    void Swap(QOpenGLContext* context, QWindow* window, QThread* owner);

    QThread m_thread;
    // The swap thread's receiver of queued swaps.
    QObject m_worker;

    // Guarded by m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_idle;
    bool m_inFlight = false;
};
