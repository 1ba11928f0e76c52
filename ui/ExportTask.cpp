#include "ExportTask.h"

#include <QCoreApplication>
#include <QOffscreenSurface>
#include <QThread>

ExportTask::ExportTask(const ExportRequest& request, QObject* parent)
    : QObject(parent), m_surface(std::make_unique<QOffscreenSurface>())
{
    qRegisterMetaType<ViewExport::Result>("ViewExport::Result");
    m_surface->create();
    m_job = std::make_unique<ViewExport>(request, m_surface.get());
    // At the player's end a running export is cancelled and its partial file
    // removed while the GL platform still exists: the one wait on the
    // worker, bounded by the picture it is drawing.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (m_running) {
            Cancel();
            m_thread->wait();
        }
    });
}

// Only reached with no run going: a running task is released, not deleted.
ExportTask::~ExportTask()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void ExportTask::Start()
{
    if (m_running || m_thread) {
        return;
    }
    m_running = true;
    m_thread = QThread::create([this] {
        // The worker's result is read on the GUI thread after `finished`.
        m_result = m_job->Run(
            m_cancel, [this](qint64 doneMs, qint64 totalMs) { emit sigProgress(doneMs, totalMs); });
    });
    connect(m_thread, &QThread::finished, this, &ExportTask::OnThreadFinished);
    m_thread->start();
}

void ExportTask::OnThreadFinished()
{
    m_running = false;
    if (m_released) {
        deleteLater();
        return;
    }
    emit sigFinished(m_result,
                     m_result == ViewExport::Result::Failed ? m_job->ErrorString() : QString());
}

void ExportTask::Release()
{
    m_released = true;
    setParent(nullptr);
    disconnect(this, &ExportTask::sigProgress, nullptr, nullptr);
    disconnect(this, &ExportTask::sigFinished, nullptr, nullptr);
    if (!m_running) {
        deleteLater();
        return;
    }
    Cancel();
}
