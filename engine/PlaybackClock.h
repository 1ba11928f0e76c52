#pragma once
// The one clock a playback's pictures are presented against, in media
// milliseconds. While audio is playing it follows the audio device: the time
// stamp of the end of the audio written so far, minus what the device still
// holds (scaled by the speed). Without audio, or while the device runs dry,
// it runs on a monotonic clock at the speed multiple, continuing from where
// the audio left it. Between changes of the device's fill level the
// monotonic clock interpolates. It never goes back while it runs: when the
// sound turns out to be heard later than the clock assumed (a device that
// starts late, a latency report that grows), the clock holds still until the
// sound catches up. Only a reset, or sound whose time stamps jump back,
// lets it start lower.
//
// Thread-safe: every member is guarded by m_mutex, a leaf lock (nothing else
// is locked while it is held, the buffered-audio query included).

#include <QtGlobal>

#include <chrono>
#include <functional>
#include <limits>
#include <mutex>

class PlaybackClock
{
public:
    using Steady = std::chrono::steady_clock;
    // Microseconds of audio still held by the device.
    using BufferedAudioUs = std::function<qint64()>;

    explicit PlaybackClock(BufferedAudioUs bufferedAudio = {});

    // Forgets the position; the next Anchor sets it (start, after a seek).
    void Reset();
    bool IsAnchored() const;
    // Starts the clock at `mediaMs` now, unless it already runs.
    void Anchor(qint64 mediaMs);
    void SetSpeed(double multiple);
    void SetPaused(bool paused);
    // After each chunk of audio reached the device: the media time at its end.
    void OnAudioWritten(qint64 mediaEndMs);

    qint64 NowMs() const;

private:
    qint64 MonotonicMsLocked(Steady::time_point now) const;
    qint64 RunningMsLocked(qint64 bufferedUs, Steady::time_point now) const;
    void RebaseLocked(qint64 mediaMs, Steady::time_point now) const;

    BufferedAudioUs m_bufferedAudio;
    mutable std::mutex m_mutex;
    // guarded by m_mutex; the anchor moves while reading the audio clock
    mutable qint64 m_anchorMediaMs = 0;
    mutable Steady::time_point m_anchorWall;
    bool m_anchored = false;
    bool m_paused = false;
    qint64 m_pausedAtMs = 0;
    double m_speed = 1.0;
    bool m_haveAudio = false;
    qint64 m_audioEndMs = 0;
    mutable qint64 m_lastAudioMs = -1;   // the audio reading last re-based on
    mutable qint64 m_maxBufferedUs = 0;  // the fullest the device was seen
    mutable qint64 m_floorMs = kNoFloor; // the highest time handed out since the anchor
    static constexpr qint64 kNoFloor = std::numeric_limits<qint64>::min();
};
