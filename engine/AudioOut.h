#pragma once
// The audio sink every playback writes PCM to: one AudioDevice stream (a
// PulseAudio stream of its own on Linux, Qt's audio output elsewhere).
// Writing waits until the device has room, which paces the playback.
//
// Threads:
//  - sink thread (m_thread): owns the device; opening, pausing, resuming,
//    flushing and dropping it, and volume changes, run here (callers on
//    other threads are blocked until it is done).
//  - writer thread (the engine's audio feeder, or a tool's thread):
//    Setting, GetAudioFrameSlot, Write; writes go straight to the device.
//  - any thread: BufferedUs (the presenter reads the clock through it).
// Lifetime: the destructor ends and joins the sink thread (the device is
// dropped as it finishes); the owner joins every writer thread first.
// Locks: m_mutex guards m_device, m_format, m_volume and m_periodUs. It is
// taken after the engine lock, never before it, and never held while waiting
// for the sink thread or for room in the device; the device's own lock
// (libpulse's main loop) is taken under it.

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QThread>
#include <mutex>

#include <atomic>
#include <functional>
#include <memory>

#include "AudioDevice.h"

enum class AudioOutputMode {
    Device, // the default audio output device
    Null    // accepts everything at once and plays nothing (untimed runs, tests)
};

class AudioOut : public QObject
{
    Q_OBJECT
public:
    AudioOut();
    ~AudioOut() override;

    // Called with the bytes of every chunk as they go to the device (in
    // pieces when the device takes a chunk in pieces), on the writer's
    // thread. For tools and tests.
    using Tap = std::function<void(const QByteArray&)>;
    void SetTap(Tap tap);
    void SetOutputMode(AudioOutputMode mode);

    // The format the PCM must be in: the one asked for by Setting, or the
    // device's nearest supported one when it cannot play that.
    QAudioFormat Format() const;
    // Microseconds from now until the last sound written is heard: what the
    // device and, where it says so, the sound server still hold.
    qint64 BufferedUs() const;
    // Drops what the device still holds and starts a fresh stream.
    void Flush();
    // Called after each piece of a chunk went to the device, with the bytes
    // of the chunk written so far.
    using Progress = std::function<void(qint64 writtenBytes)>;
    // Writes one chunk of PCM, waiting for room while `keepWaiting` returns
    // true (no predicate: until the device took it all). Returns false when
    // the chunk was not written whole; `writtenBytes` then says how much of
    // it went (the tap sees exactly the bytes written). A device that fails
    // disables the sink until the next Setting.
    bool Write(const QByteArray& pcm, const std::function<bool()>& keepWaiting,
               qint64* writtenBytes = nullptr, const Progress& progress = {});
    void SetPaused(SinkPause pause);
    bool enabled() const { return m_enabled; }

public Q_SLOTS:
    void Setting(int sample_rate, int channels);
    void GetAudioFrameSlot(QByteArray audioFrame);
    void SetVolume(double volume);

private:
    void RunOnSinkThread(const std::function<void()>& job);
    void CreateOutput(const QAudioFormat& format);
    void DeleteOutput();
    bool WritePiece(const char* data, qint64 size, qint64* written);
    void WaitForRoom() const;

    // guarded by m_mutex
    QAudioFormat m_format;
    std::unique_ptr<AudioDevice> m_device; // made and dropped on the sink thread
    qint64 m_periodUs = 0;
    double m_volume = 0.5;

    QThread m_thread;
    std::atomic<bool> m_enabled{true};
    mutable std::mutex m_mutex;

    // set before playback starts, read by the writer
    Tap m_tap;
    std::atomic<AudioOutputMode> m_mode{AudioOutputMode::Device};
    std::atomic<bool> m_paused{false};
};
