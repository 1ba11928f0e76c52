#include "PulseAudioDevice_unix.h"

#include <QCoreApplication>
#include <QDebug>

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace
{
constexpr int kUnityQ15 = 1 << 15;

// Holds libpulse's main-loop lock for a scope.
class MainloopLock
{
public:
    explicit MainloopLock(pa_threaded_mainloop* mainloop) : m_mainloop(mainloop)
    {
        pa_threaded_mainloop_lock(m_mainloop);
    }
    ~MainloopLock() { pa_threaded_mainloop_unlock(m_mainloop); }
    MainloopLock(const MainloopLock&) = delete;
    MainloopLock& operator=(const MainloopLock&) = delete;

private:
    pa_threaded_mainloop* m_mainloop;
};

// Callbacks, on the main-loop thread with its lock held; userdata is the
// main loop. They touch nothing of the device.
void OnContextState(pa_context*, void* mainloop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(mainloop), 0);
}

void OnStreamState(pa_stream*, void* mainloop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(mainloop), 0);
}

// The stream ran dry or started again: the timing the latency is
// interpolated from is stale at once, so fresh timing is asked for.
void OnStreamRestarted(pa_stream* stream, void*)
{
    if (pa_operation* op = pa_stream_update_timing_info(stream, nullptr, nullptr))
        pa_operation_unref(op);
}

void Drop(pa_operation* op)
{
    if (op)
        pa_operation_unref(op);
}

QByteArray ClientName()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QByteArrayLiteral("VorelPlayer") : name.toUtf8();
}
} // namespace

std::unique_ptr<PulseAudioDevice> PulseAudioDevice::Open(const QAudioFormat& format,
                                                         qint64 bufferUs, double volume)
{
    if (format.sampleType() != QAudioFormat::SignedInt || format.sampleSize() != 16 ||
        format.byteOrder() != QAudioFormat::LittleEndian || format.channelCount() < 1)
        return nullptr;
    std::unique_ptr<PulseAudioDevice> device(new PulseAudioDevice);
    device->m_format = format;
    device->m_frameBytes = format.bytesPerFrame();
    device->SetVolume(volume);
    if (!device->Connect() || !device->ConnectStream(bufferUs))
        return nullptr;
    return device;
}

PulseAudioDevice::~PulseAudioDevice()
{
    // The main-loop thread is joined first: afterwards nothing else touches
    // the stream or the context.
    if (m_mainloop)
        pa_threaded_mainloop_stop(m_mainloop);
    if (m_stream) {
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    if (m_context) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    if (m_mainloop)
        pa_threaded_mainloop_free(m_mainloop);
}

bool PulseAudioDevice::Connect()
{
    m_mainloop = pa_threaded_mainloop_new();
    if (!m_mainloop || pa_threaded_mainloop_start(m_mainloop) < 0)
        return false;
    MainloopLock lock(m_mainloop);
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_mainloop), ClientName().constData());
    if (!m_context)
        return false;
    pa_context_set_state_callback(m_context, OnContextState, m_mainloop);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0)
        return false;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY)
            return true;
        if (!PA_CONTEXT_IS_GOOD(state)) {
            qDebug() << __LINE__ << "PulseAudioDevice::Connect"
                     << pa_strerror(pa_context_errno(m_context));
            return false;
        }
        pa_threaded_mainloop_wait(m_mainloop);
    }
}

// Main-loop lock not held. The stream starts as soon as it holds one frame
// (a sound shorter than the usual pre-buffer still plays, and the clock never
// waits for a start that would not come); its latency is interpolated.
bool PulseAudioDevice::ConnectStream(qint64 bufferUs)
{
    pa_sample_spec spec;
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = static_cast<uint32_t>(m_format.sampleRate());
    spec.channels = static_cast<uint8_t>(m_format.channelCount());
    if (m_format.channelCount() > int(PA_CHANNELS_MAX) || !pa_sample_spec_valid(&spec))
        return false;
    // FFmpeg's default channel orders are those of WAVEFORMATEXTENSIBLE.
    pa_channel_map map;
    if (!pa_channel_map_init_auto(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX))
        return false;
    MainloopLock lock(m_mainloop);
    m_stream = pa_stream_new(m_context, "playback", &spec, &map);
    if (!m_stream)
        return false;
    pa_stream_set_state_callback(m_stream, OnStreamState, m_mainloop);
    pa_stream_set_underflow_callback(m_stream, OnStreamRestarted, nullptr);
    pa_stream_set_started_callback(m_stream, OnStreamRestarted, nullptr);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(bufferUs), &spec));
    attr.prebuf = static_cast<uint32_t>(pa_frame_size(&spec));
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_NOT_MONOTONIC);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) < 0)
        return false;
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        if (state == PA_STREAM_READY)
            break;
        if (!PA_STREAM_IS_GOOD(state)) {
            qDebug() << __LINE__ << "PulseAudioDevice::ConnectStream"
                     << pa_strerror(pa_context_errno(m_context));
            return false;
        }
        pa_threaded_mainloop_wait(m_mainloop);
    }
    if (const pa_buffer_attr* actual = pa_stream_get_buffer_attr(m_stream))
        m_periodUs = static_cast<qint64>(pa_bytes_to_usec(actual->minreq, &spec));
    return true;
}

bool PulseAudioDevice::StreamReadyLocked() const
{
    return m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY;
}

qint64 PulseAudioDevice::BytesFree()
{
    MainloopLock lock(m_mainloop);
    if (!StreamReadyLocked())
        return 0;
    const size_t room = pa_stream_writable_size(m_stream);
    return room == static_cast<size_t>(-1) ? 0 : static_cast<qint64>(room);
}

qint64 PulseAudioDevice::Write(const char* data, qint64 size)
{
    MainloopLock lock(m_mainloop);
    if (!StreamReadyLocked())
        return -1;
    const size_t room = pa_stream_writable_size(m_stream);
    if (room == static_cast<size_t>(-1))
        return -1;
    size_t bytes = std::min(room, static_cast<size_t>(std::max<qint64>(size, 0)));
    bytes -= bytes % static_cast<size_t>(m_frameBytes);
    if (bytes == 0)
        return 0;
    if (m_volumeQ15 != kUnityQ15)
        return WriteScaledLocked(data, bytes);
    // libpulse copies the bytes.
    if (pa_stream_write(m_stream, data, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
        return -1;
    return static_cast<qint64>(bytes);
}

// The samples are scaled straight into the server's shared buffer.
qint64 PulseAudioDevice::WriteScaledLocked(const char* data, size_t size)
{
    void* buffer = nullptr;
    size_t bytes = size;
    if (pa_stream_begin_write(m_stream, &buffer, &bytes) < 0 || !buffer)
        return -1;
    bytes = std::min(bytes, size);
    bytes -= bytes % static_cast<size_t>(m_frameBytes);
    if (bytes == 0) {
        pa_stream_cancel_write(m_stream);
        return 0;
    }
    auto* out = static_cast<char*>(buffer);
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        int16_t sample;
        std::memcpy(&sample, data + i, 2);
        sample = static_cast<int16_t>((int32_t(sample) * m_volumeQ15) >> 15);
        std::memcpy(out + i, &sample, 2);
    }
    if (pa_stream_write(m_stream, buffer, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
        return -1;
    return static_cast<qint64>(bytes);
}

qint64 PulseAudioDevice::LatencyUs()
{
    MainloopLock lock(m_mainloop);
    if (!StreamReadyLocked())
        return 0;
    const pa_timing_info* timing = pa_stream_get_timing_info(m_stream);
    if (!timing)
        return 0; // no report from the server yet
    if (!timing->playing && timing->write_index <= timing->read_index) {
        // Ran dry: what the sink took before is still being played, less
        // the silence played since (libpulse's own figure would stay at the
        // sink's latency for good).
        const qint64 silenceUs =
            timing->since_underrun > 0
                ? static_cast<qint64>(pa_bytes_to_usec(uint64_t(timing->since_underrun),
                                                       pa_stream_get_sample_spec(m_stream)))
                : 0;
        return std::max<qint64>(0, static_cast<qint64>(timing->sink_usec) - silenceUs);
    }
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(m_stream, &latency, &negative) < 0 || negative)
        return 0;
    return static_cast<qint64>(latency);
}

void PulseAudioDevice::SetVolume(double volume)
{
    m_volumeQ15 = static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * kUnityQ15));
}

void PulseAudioDevice::SetPaused(SinkPause pause)
{
    MainloopLock lock(m_mainloop);
    m_corked = pause == SinkPause::Paused;
    if (StreamReadyLocked())
        Drop(pa_stream_cork(m_stream, m_corked ? 1 : 0, nullptr, nullptr));
}

// Flushed while corked (the server drops what it holds cleanly then); the
// operations run in this order on the server.
bool PulseAudioDevice::Flush()
{
    MainloopLock lock(m_mainloop);
    if (!StreamReadyLocked())
        return false;
    if (!m_corked)
        Drop(pa_stream_cork(m_stream, 1, nullptr, nullptr));
    Drop(pa_stream_flush(m_stream, nullptr, nullptr));
    if (!m_corked)
        Drop(pa_stream_cork(m_stream, 0, nullptr, nullptr));
    return true;
}
