#pragma once
// AudioDevice on a PulseAudio stream of its own, through libpulse's threaded
// main loop (the design of mpv's PulseAudio output). Its latency is the sound
// server's own account: what the stream holds, what the sink took and has
// not played yet, and the transport, interpolated between the server's
// timing reports; so a clock that follows it follows what is heard. The
// volume is applied to the samples as they are written (a stream volume
// could move the whole sink's volume where the server keeps flat volumes).
//
// Threads: libpulse's main-loop thread runs the callbacks, which only wake
// waiters or ask for fresh timing; every other call takes the main loop's
// lock (MainloopLock) around the stream and the context. The callers are
// serialised by AudioOut; m_volumeQ15 and m_corked are theirs.

#include "AudioDevice.h"

#include <memory>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

class PulseAudioDevice : public AudioDevice
{
public:
    // Null when no PulseAudio server answers or the format is not 16-bit
    // little-endian signed PCM that the server takes.
    static std::unique_ptr<PulseAudioDevice> Open(const QAudioFormat& format, qint64 bufferUs,
                                                  double volume);
    ~PulseAudioDevice() override;

    QAudioFormat format() const override { return m_format; }
    qint64 BytesFree() override;
    qint64 Write(const char* data, qint64 size) override;
    qint64 LatencyUs() override;
    qint64 PeriodUs() const override { return m_periodUs; }
    void SetVolume(double volume) override;
    void SetPaused(SinkPause pause) override;
    bool Flush() override;

private:
    PulseAudioDevice() = default;
    bool Connect();
    bool ConnectStream(qint64 bufferUs);
    bool StreamReadyLocked() const;
    qint64 WriteScaledLocked(const char* data, size_t size);

    QAudioFormat m_format;
    int m_frameBytes = 1;
    qint64 m_periodUs = 0;
    pa_threaded_mainloop* m_mainloop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    int m_volumeQ15 = 1 << 15;
    bool m_corked = false;
};
