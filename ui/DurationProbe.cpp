#include "DurationProbe.h"

#include "MediaKind.h"

#include <QMetaObject>

DurationProbe::DurationProbe(QObject* parent)
    : QObject(parent), m_probe(&MediaKind::DurationMs)
{
    m_pool.setMaxThreadCount(1); // one file at a time keeps the list order
}

DurationProbe::~DurationProbe()
{
    Cancel();
    m_pool.waitForDone();
}

void DurationProbe::SetProbeFunction(ProbeFunction probe)
{
    m_probe = std::move(probe);
}

void DurationProbe::Cancel()
{
    if (m_cancel) {
        m_cancel->store(true);
        m_cancel.reset();
    }
    ++m_run;
}

void DurationProbe::Start(const QVector<QString>& paths)
{
    Cancel();
    const quint64 run = m_run;
    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancel = cancel;
    ProbeFunction probe = m_probe;
    m_pool.start([this, run, cancel, probe, paths]() {
        for (int i = 0; i < paths.size() && !cancel->load(); ++i) {
            const qint64 ms = probe(paths.at(i));
            QMetaObject::invokeMethod(this, [this, run, i, ms]() { OnWorkerDuration(run, i, ms); },
                                      Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(this, [this, run]() { OnWorkerFinished(run); }, Qt::QueuedConnection);
    });
}

void DurationProbe::OnWorkerDuration(quint64 run, int index, qint64 ms)
{
    if (run == m_run) {
        emit sigDuration(index, ms);
    }
}

void DurationProbe::OnWorkerFinished(quint64 run)
{
    if (run == m_run) {
        emit sigFinished();
    }
}
