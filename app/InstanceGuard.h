#pragma once

#include <QSharedMemory>
#include <QString>

// The single-instance lock: a one-byte shared-memory segment keyed by the
// application name, held from Acquire until the guard is destroyed.
//
// A System V segment (Linux) outlives a process that crashed while holding
// it. Before creating, the guard attaches to an existing segment and detaches
// again: a segment nobody else is attached to is then removed by the system,
// while a live first instance keeps its attachment and so keeps the lock.
//
// Threads: GUI thread only.
class InstanceGuard
{
public:
    static constexpr int kRetryDelayMs = 3000;

    explicit InstanceGuard(const QString& key);

    // One attempt (after clearing a stale segment).
    bool TryCreate();
    // The start-up sequence: one attempt, and after retryDelayMs a second one
    // (a previous instance that is closing may still hold the segment).
    bool Acquire(int retryDelayMs = kRetryDelayMs);
    bool Held() const { return m_memory.isAttached(); }

private:
    void ClearStaleSegment();

    QString m_key;
    QSharedMemory m_memory;
};
