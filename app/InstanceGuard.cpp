#include "InstanceGuard.h"

#include <QThread>

InstanceGuard::InstanceGuard(const QString& key)
    : m_key(key), m_memory(key)
{
}

void InstanceGuard::ClearStaleSegment()
{
    QSharedMemory probe(m_key);
    if (probe.attach(QSharedMemory::ReadOnly)) {
        probe.detach();
    }
}

bool InstanceGuard::TryCreate()
{
    ClearStaleSegment();
    return m_memory.create(1, QSharedMemory::ReadWrite);
}

bool InstanceGuard::Acquire(int retryDelayMs)
{
    if (TryCreate()) {
        return true;
    }
    QThread::msleep(static_cast<unsigned long>(retryDelayMs));
    return TryCreate();
}
