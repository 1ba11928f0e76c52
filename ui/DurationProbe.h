#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>

// Finds the durations of a list of files off the GUI thread, one file after
// the other in list order, and reports each as soon as it is known, so a
// long play list fills in without stalling the window.
//
// Threads: Start(), Cancel() and the destructor run on the owner's thread
// (the GUI thread); the probe function runs on the single worker thread of
// m_pool. Each run has its own cancel flag (atomic, shared with its task);
// results hop back to the owner's thread as queued calls, and only those of
// the latest run are emitted. The destructor cancels and waits for the file
// being probed, so the task never outlives this object.
class DurationProbe : public QObject
{
    Q_OBJECT

public:
    // Milliseconds of one file, -1 when unknown; called on the worker thread.
    using ProbeFunction = std::function<qint64(const QString& path)>;

    explicit DurationProbe(QObject* parent = nullptr);
    ~DurationProbe() override;

    // Used by runs started afterwards (MediaKind::DurationMs by default).
    void SetProbeFunction(ProbeFunction probe);

    // Drops the current run and probes `paths` in order.
    void Start(const QVector<QString>& paths);
    // The current run stops after the file it is probing; nothing more of it
    // is reported.
    void Cancel();

signals:
    // index: position in the list given to Start(); ms: -1 when unknown.
    void sigDuration(int index, qint64 ms);
    // Every file of the latest run has been reported.
    void sigFinished();

private:
    void OnWorkerDuration(quint64 run, int index, qint64 ms);
    void OnWorkerFinished(quint64 run);

    ProbeFunction m_probe;
    QThreadPool m_pool;
    quint64 m_run = 0;
    std::shared_ptr<std::atomic_bool> m_cancel;
};
