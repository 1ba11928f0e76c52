#include "SwapThread.h"

#include <QOpenGLContext>
#include <QWindow>

SwapThread::SwapThread(QObject* parent)
    : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("vorel-swap"));
    m_worker.moveToThread(&m_thread);
    m_thread.start();
}

SwapThread::~SwapThread()
{
    WaitUntilIdle();
    m_thread.quit();
    m_thread.wait();
}

void SwapThread::Present(QOpenGLContext* context, QWindow* window)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inFlight = true;
    }
    context->doneCurrent();
    QThread* owner = context->thread();
    context->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        &m_worker, [this, context, window, owner] { Swap(context, window, owner); },
        Qt::QueuedConnection);
}

void SwapThread::WaitUntilIdle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_inFlight; });
}

void SwapThread::Swap(QOpenGLContext* context, QWindow* window, QThread* owner)
{
    if (context->makeCurrent(window)) {
        context->swapBuffers(window);
        context->doneCurrent();
    }
    context->moveToThread(owner);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inFlight = false;
    }
    m_idle.notify_all();
    emit sigPresented();
}
