#pragma once
// AudioDevice on Qt's audio output (QAudioOutput in push mode), for
// platforms without a sound server of their own. Its latency is what Qt
// reports as buffered: whatever the platform holds beyond that buffer is not
// seen. Made, paused, resumed and deleted on the thread that owns it (see
// AudioDevice); written from the writer's thread.

#include "AudioDevice.h"

#include <memory>

class QAudioOutput;
class QIODevice;

class QtAudioDevice : public AudioDevice
{
public:
    // Null when the output does not start.
    static std::unique_ptr<QtAudioDevice> Open(const QAudioFormat& format, qint64 bufferUs,
                                               double volume);
    ~QtAudioDevice() override;

    QAudioFormat format() const override { return m_format; }
    qint64 BytesFree() override;
    qint64 Write(const char* data, qint64 size) override;
    qint64 LatencyUs() override;
    qint64 PeriodUs() const override;
    void SetVolume(double volume) override;
    void SetPaused(SinkPause pause) override;
    bool Flush() override { return false; }

private:
    QtAudioDevice() = default;

    QAudioFormat m_format;
    std::unique_ptr<QAudioOutput> m_output;
    QIODevice* m_device = nullptr; // owned by m_output
    int m_periodSize = 0;
};
