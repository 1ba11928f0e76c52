#include "PlaybackClock.h"

#include <algorithm>

PlaybackClock::PlaybackClock(BufferedAudioUs bufferedAudio)
    : m_bufferedAudio(std::move(bufferedAudio))
{
}

void PlaybackClock::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_anchored = false;
    m_haveAudio = false;
    m_lastAudioMs = -1;
    m_anchorMediaMs = 0;
    m_pausedAtMs = 0;
    m_floorMs = kNoFloor;
}

bool PlaybackClock::IsAnchored() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_anchored;
}

void PlaybackClock::Anchor(qint64 mediaMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_anchored)
        return;
    m_anchored = true;
    m_pausedAtMs = mediaMs;
    RebaseLocked(mediaMs, Steady::now());
}

void PlaybackClock::SetSpeed(double multiple)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto now = Steady::now();
    const qint64 current = MonotonicMsLocked(now);
    m_speed = multiple > 0 ? multiple : 1.0;
    RebaseLocked(current, now);
}

void PlaybackClock::SetPaused(bool paused)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (paused == m_paused)
        return;
    const auto now = Steady::now();
    if (paused)
        m_pausedAtMs = std::max(MonotonicMsLocked(now), m_floorMs);
    m_paused = paused;
    if (!paused)
        RebaseLocked(m_pausedAtMs, now);
}

void PlaybackClock::OnAudioWritten(qint64 mediaEndMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_haveAudio && mediaEndMs < m_audioEndMs)
        m_floorMs = kNoFloor; // the sound's time stamps went back
    m_haveAudio = true;
    m_audioEndMs = mediaEndMs;
}

qint64 PlaybackClock::NowMs() const
{
    // The device is asked before taking the lock: the query takes the sink's
    // own lock and must not nest under this one.
    const qint64 bufferedUs = m_bufferedAudio ? m_bufferedAudio() : 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_anchored)
        return 0;
    if (m_paused)
        return m_pausedAtMs;
    m_floorMs = std::max(m_floorMs, RunningMsLocked(bufferedUs, Steady::now()));
    return m_floorMs;
}

qint64 PlaybackClock::RunningMsLocked(qint64 bufferedUs, Steady::time_point now) const
{
    if (m_haveAudio && bufferedUs > 0) {
        // Devices report their fill level in steps of a period, so a reading
        // is exact only when it has just changed: the monotonic clock is
        // re-based at those moments and carries the time in between, but
        // never runs further ahead of the sound than the device's buffer
        // explains (a device that has not started yet holds the clock back).
        m_maxBufferedUs = std::max(m_maxBufferedUs, bufferedUs);
        const qint64 audioMs = m_audioEndMs - static_cast<qint64>(bufferedUs * m_speed / 1000.0);
        if (audioMs != m_lastAudioMs) {
            m_lastAudioMs = audioMs;
            RebaseLocked(audioMs, now);
        }
        const qint64 leadMs = static_cast<qint64>(m_maxBufferedUs * m_speed / 1000.0);
        return std::min(MonotonicMsLocked(now), m_lastAudioMs + leadMs);
    }
    return MonotonicMsLocked(now);
}

qint64 PlaybackClock::MonotonicMsLocked(Steady::time_point now) const
{
    if (m_paused)
        return m_pausedAtMs;
    const double elapsedMs = std::chrono::duration<double, std::milli>(now - m_anchorWall).count();
    return m_anchorMediaMs + static_cast<qint64>(elapsedMs * m_speed);
}

void PlaybackClock::RebaseLocked(qint64 mediaMs, Steady::time_point now) const
{
    m_anchorMediaMs = mediaMs;
    m_anchorWall = now;
}
