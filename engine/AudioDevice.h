#pragma once
// One open stream to the sound device, in one PCM format: what AudioOut
// writes to. On Linux it is a PulseAudio stream of its own, which knows the
// sound server's whole latency (its buffer and the sink's); elsewhere, or
// when no sound server answers, Qt's audio output.
//
// Threads: AudioOut serialises every call under its own lock. Open, the
// destructor, SetVolume and SetPaused run on AudioOut's sink thread (Qt's
// output belongs to the thread that made it); BytesFree, Write and
// LatencyUs on the writer's and the presenter's threads.

#include <QAudioFormat>
#include <QtGlobal>

#include <memory>

enum class SinkPause { Running, Paused };

class AudioDevice
{
public:
    virtual ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Opens a stream for PCM in `format` (or in the nearest format the device
    // plays, see format()) holding about `bufferUs`, at `volume` (0 to 1).
    // Null when no device opens.
    static std::unique_ptr<AudioDevice> Open(const QAudioFormat& format, qint64 bufferUs,
                                             double volume);

    // The format the PCM must be in.
    virtual QAudioFormat format() const = 0;
    // Bytes the device takes now without waiting.
    virtual qint64 BytesFree() = 0;
    // Writes at most `size` bytes (whole frames, no more than BytesFree);
    // returns how many went, or -1 when the device failed for good.
    virtual qint64 Write(const char* data, qint64 size) = 0;
    // Microseconds from now until the last byte written is heard (0 when
    // everything written has been heard).
    virtual qint64 LatencyUs() = 0;
    // About how often room appears for the writer.
    virtual qint64 PeriodUs() const = 0;
    virtual void SetVolume(double volume) = 0;
    virtual void SetPaused(SinkPause pause) = 0;
    // Drops what was written and not yet heard. False when this device
    // cannot, and must be replaced by a fresh one instead.
    virtual bool Flush() = 0;

protected:
    AudioDevice() = default;
};
