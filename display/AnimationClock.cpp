#include "AnimationClock.h"

int AnimationClock::TicksAt(qint64 nowMs)
{
    if (!m_started || nowMs < m_lastTickMs) {
        m_started = true;
        m_lastTickMs = nowMs;
        return 1;
    }
    const qint64 due = (nowMs - m_lastTickMs) / kTickMs;
    if (due > kMaxTicks) {
        m_lastTickMs = nowMs;
        return kMaxTicks;
    }
    m_lastTickMs += due * kTickMs;
    return static_cast<int>(due);
}
