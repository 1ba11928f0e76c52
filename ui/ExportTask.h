#pragma once

#include "ViewExport.h"

#include <QObject>

#include <atomic>
#include <memory>

class QOffscreenSurface;
class QThread;

// One export running on a worker thread of its own, so that the player stays
// usable: ViewExport::Run on that thread, with the offscreen surface this
// object made on the GUI thread; progress and the end come back as queued
// signals.
//
// Threads: the object lives on the GUI thread (Start, Cancel, the signals'
// receivers). The worker touches only m_job (until it ends), the atomic
// m_cancel and the signals it emits. Nothing waits for the worker while the
// player runs: after Release the object deletes itself (and its thread) once
// the run has ended, so closing a dialog never blocks on an export being
// cancelled. Only when the application quits is a running export cancelled
// and waited for, so that it removes its partial file.
class ExportTask : public QObject
{
    Q_OBJECT

public:
    explicit ExportTask(const ExportRequest& request, QObject* parent = nullptr);
    ~ExportTask() override;

    void Start();
    // The run stops at its next picture and removes what it wrote.
    void Cancel() { m_cancel = true; }
    bool IsRunning() const { return m_running; }
    // Cancels a running export and lets the object go: it deletes itself
    // when the run has ended, or at once when none runs.
    void Release();

signals:
    // doneMs and totalMs of the range; totalMs is 0 while unknown.
    void sigProgress(qint64 doneMs, qint64 totalMs);
    // message: why it failed, empty otherwise.
    void sigFinished(ViewExport::Result result, const QString& message);

private:
    void OnThreadFinished();

    std::unique_ptr<QOffscreenSurface> m_surface;
    std::unique_ptr<ViewExport> m_job;
    QThread* m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    ViewExport::Result m_result = ViewExport::Result::Failed;
    bool m_running = false;
    bool m_released = false;
};
