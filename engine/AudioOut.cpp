#include "AudioOut.h"

#include "EngineLog.h"

#include <QDebug>
#include <QMetaObject>
#include <mutex>

#include <algorithm>
#include <chrono>
#include <thread>

namespace
{
// Room in the device is polled this often at most, and at least every half
// device period (the device frees room a period at a time; the rest of its
// buffer plays meanwhile), so a waiting writer never spins on a core.
constexpr int kMaxRoomPollMs = 10;
// Device buffer asked for (mpv's PulseAudio buffer): short enough for prompt
// pause and seek, long enough to ride out a busy machine: decoded sound
// waits ahead of the feeder, so a busy decoder does not starve it.
constexpr qint64 kDeviceBufferUs = 100000;
} // namespace

AudioOut::AudioOut()
{
    connect(
        &m_thread, &QThread::finished, this, [this] { DeleteOutput(); }, Qt::DirectConnection);
    m_thread.setObjectName(QStringLiteral("AudioOut"));
    m_thread.start(QThread::InheritPriority);
    moveToThread(&m_thread);
}

AudioOut::~AudioOut()
{
    m_thread.quit();
    m_thread.wait();
    DeleteOutput();
}

void AudioOut::SetTap(Tap tap)
{
    m_tap = std::move(tap);
}

void AudioOut::SetOutputMode(AudioOutputMode mode)
{
    m_mode = mode;
}

QAudioFormat AudioOut::Format() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_format;
}

void AudioOut::RunOnSinkThread(const std::function<void()>& job)
{
    if (QThread::currentThread() == &m_thread || !m_thread.isRunning())
        job();
    else
        QMetaObject::invokeMethod(this, job, Qt::BlockingQueuedConnection);
}

void AudioOut::Setting(int sample_rate, int channels)
{
    QAudioFormat format;
    format.setSampleRate(sample_rate);
    format.setChannelCount(channels);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setSampleType(QAudioFormat::SignedInt);
    format.setSampleSize(16);
    format.setByteOrder(QAudioFormat::LittleEndian);
    qDebug() << __LINE__ << "AudioOut::Setting" << sample_rate << channels;

    if (m_mode == AudioOutputMode::Null) {
        RunOnSinkThread([this] { DeleteOutput(); });
        std::lock_guard<std::mutex> lock(m_mutex);
        m_format = format;
        m_enabled = true;
        return;
    }
    RunOnSinkThread([this, format] { CreateOutput(format); });
}

// Sink thread. The new device is opened without the lock (the sound server
// may take its time), then swapped in; the old one is dropped after the
// swap, so BufferedUs and writers wait only for the swap itself.
void AudioOut::CreateOutput(const QAudioFormat& format)
{
    double volume;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        volume = m_volume;
    }
    std::unique_ptr<AudioDevice> device = AudioDevice::Open(format, kDeviceBufferUs, volume);
    if (!device)
        qDebug() << __LINE__ << "AudioOut::Setting"
                 << "no audio device";
    std::unique_ptr<AudioDevice> old;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        old = std::move(m_device);
        m_format = device ? device->format() : format;
        m_periodUs = device ? device->PeriodUs() : 0;
        m_device = std::move(device);
        m_enabled = m_device != nullptr;
        m_paused = false;
    }
}

// Sink thread only (or after it has finished).
void AudioOut::DeleteOutput()
{
    std::unique_ptr<AudioDevice> old;
    std::lock_guard<std::mutex> lock(m_mutex);
    old = std::move(m_device);
}

void AudioOut::SetVolume(double volume)
{
    RunOnSinkThread([this, volume] {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_volume = std::clamp(volume, 0.0, 1.0);
        if (m_device)
            m_device->SetVolume(m_volume);
    });
}

void AudioOut::SetPaused(SinkPause pause)
{
    m_paused = pause == SinkPause::Paused;
    RunOnSinkThread([this, pause] {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_device)
            m_device->SetPaused(pause);
    });
}

void AudioOut::Flush()
{
    if (m_mode == AudioOutputMode::Null)
        return;
    RunOnSinkThread([this] {
        QAudioFormat format;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_device || m_device->Flush())
                return;
            format = m_format;
        }
        CreateOutput(format);
    });
}

qint64 AudioOut::BufferedUs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_device ? m_device->LatencyUs() : 0;
}

void AudioOut::GetAudioFrameSlot(QByteArray audioFrame)
{
    Write(audioFrame, nullptr);
}

bool AudioOut::Write(const QByteArray& pcm, const std::function<bool()>& keepWaiting,
                     qint64* writtenBytes, const Progress& progress)
{
    if (writtenBytes)
        *writtenBytes = 0;
    if (!m_enabled)
        return false;
    if (pcm.isEmpty()) {
        qCDebug(lcEngineFrames) << __LINE__ << "AudioOut::GetAudioFrameSlot";
        return true;
    }
    if (m_mode == AudioOutputMode::Null) {
        if (m_tap)
            m_tap(pcm);
        if (writtenBytes)
            *writtenBytes = pcm.size();
        if (progress)
            progress(pcm.size());
        return true;
    }
    // Written in pieces of at most the free room, so a chunk larger than the
    // whole device buffer still gets through.
    qint64 offset = 0;
    while (offset < pcm.size()) {
        qint64 written = 0;
        if (!WritePiece(pcm.constData() + offset, pcm.size() - offset, &written))
            return false;
        if (written > 0 && m_tap)
            m_tap(offset == 0 && written == pcm.size()
                      ? pcm
                      : pcm.mid(static_cast<int>(offset), static_cast<int>(written)));
        offset += written;
        if (writtenBytes)
            *writtenBytes = offset;
        if (written > 0 && progress)
            progress(offset);
        if (written == 0) {
            if (keepWaiting && !keepWaiting())
                return false;
            WaitForRoom();
        }
    }
    return true;
}

// Writer thread. Returns false when there is no device to write to, or it
// failed (the sink is then disabled until the next Setting).
bool AudioOut::WritePiece(const char* data, qint64 size, qint64* written)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    *written = 0;
    if (!m_device || !m_enabled)
        return false;
    if (m_paused)
        return true;
    const int frameBytes = std::max(1, m_format.bytesPerFrame());
    qint64 room = std::min<qint64>(m_device->BytesFree(), size);
    room -= room % frameBytes;
    if (room <= 0)
        return true;
    const qint64 n = m_device->Write(data, room);
    if (n < 0) {
        qDebug() << __LINE__ << "AudioOut::GetAudioFrameSlot"
                 << "device failed";
        m_enabled = false;
        return false;
    }
    *written = n;
    return true;
}

void AudioOut::WaitForRoom() const
{
    qint64 periodUs = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        periodUs = m_periodUs;
    }
    const qint64 waitUs = std::clamp<qint64>(periodUs / 2, 1000, kMaxRoomPollMs * 1000);
    std::this_thread::sleep_for(std::chrono::microseconds(waitUs));
}
