#include "ALawAudioEncoder.h"

#include <algorithm>
#include <cstring>

#include "MvrFormat.h"

bool ALawAudioEncoder::open()
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PCM_ALAW);
    m_encoder.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
    m_chunk.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_encoder || !m_chunk || !m_packet) {
        return fail(QStringLiteral("this FFmpeg has no A-law encoder"));
    }
    m_encoder->sample_fmt = AV_SAMPLE_FMT_S16;
    m_encoder->sample_rate = kMvrAudioSampleRateHz;
    m_encoder->time_base = AVRational{1, kMvrAudioSampleRateHz};
    const AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    av_channel_layout_copy(&m_encoder->ch_layout, &mono);
    if (avcodec_open2(m_encoder.get(), codec, nullptr) < 0) {
        return fail(QStringLiteral("cannot open the A-law encoder"));
    }
    return true;
}

bool ALawAudioEncoder::setUpResampler(const AVFrame& frame)
{
    AVChannelLayout sourceLayout{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&frame.ch_layout) == 0) {
        av_channel_layout_default(&sourceLayout, std::max(frame.ch_layout.nb_channels, 1));
    } else if (av_channel_layout_copy(&sourceLayout, &frame.ch_layout) < 0) {
        return fail(QStringLiteral("out of memory"));
    }
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;  // swr takes it non-const
    SwrContext* resampler = nullptr;
    const int made = swr_alloc_set_opts2(&resampler, &mono, AV_SAMPLE_FMT_S16, kMvrAudioSampleRateHz,
        &sourceLayout, static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&sourceLayout);
    m_resampler.reset(resampler);
    if (made < 0 || swr_init(resampler) < 0) {
        m_resampler.reset();
        return fail(QStringLiteral("cannot convert audio of %1 Hz").arg(frame.sample_rate));
    }
    m_sourceFormat = frame.format;
    m_sourceRateHz = frame.sample_rate;
    m_sourceChannels = frame.ch_layout.nb_channels;
    return true;
}

bool ALawAudioEncoder::encode(const AVFrame& frame, int timestampMs, const AudioChunkSink& sink)
{
    // The converter reads as many planes as it was set up for, so it is
    // set up again whenever the decoded layout changes.
    if (frame.format != m_sourceFormat || frame.sample_rate != m_sourceRateHz
        || frame.ch_layout.nb_channels != m_sourceChannels) {
        if (!setUpResampler(frame)) {
            return false;
        }
    }
    if (!m_started) {
        m_started = true;
        m_startMs = timestampMs;
    }
    const int capacity = swr_get_out_samples(m_resampler.get(), frame.nb_samples);
    if (capacity < 0) {
        return fail(QStringLiteral("audio conversion failed"));
    }
    const std::size_t oldSize = m_pending.size();
    m_pending.resize(oldSize + std::size_t(capacity));
    auto* output = reinterpret_cast<std::uint8_t*>(m_pending.data() + oldSize);
    const int converted = swr_convert(m_resampler.get(), &output, capacity,
        const_cast<const std::uint8_t**>(frame.extended_data), frame.nb_samples);
    if (converted < 0) {
        return fail(QStringLiteral("audio conversion failed"));
    }
    m_pending.resize(oldSize + std::size_t(converted));
    return emitChunks(kChunkSamples, sink);
}

bool ALawAudioEncoder::flush(const AudioChunkSink& sink)
{
    if (!m_started || !m_resampler) {
        return true;
    }
    const int capacity = swr_get_out_samples(m_resampler.get(), 0);
    if (capacity > 0) {
        const std::size_t oldSize = m_pending.size();
        m_pending.resize(oldSize + std::size_t(capacity));
        auto* output = reinterpret_cast<std::uint8_t*>(m_pending.data() + oldSize);
        const int converted = swr_convert(m_resampler.get(), &output, capacity, nullptr, 0);
        m_pending.resize(oldSize + std::size_t(std::max(converted, 0)));
    }
    return emitChunks(1, sink);
}

bool ALawAudioEncoder::emitChunks(int minimumSamples, const AudioChunkSink& sink)
{
    std::size_t consumed = 0;
    while (m_pending.size() - consumed >= std::size_t(minimumSamples) && consumed < m_pending.size()) {
        const int count = int(std::min<std::size_t>(kChunkSamples, m_pending.size() - consumed));
        if (!encodeChunk(m_pending.data() + consumed, count, sink)) {
            return false;
        }
        consumed += std::size_t(count);
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(consumed));
    return true;
}

bool ALawAudioEncoder::encodeChunk(const std::int16_t* samples, int sampleCount, const AudioChunkSink& sink)
{
    AVFrame* chunk = m_chunk.get();
    av_frame_unref(chunk);
    chunk->format = AV_SAMPLE_FMT_S16;
    chunk->sample_rate = kMvrAudioSampleRateHz;
    chunk->nb_samples = sampleCount;
    av_channel_layout_copy(&chunk->ch_layout, &m_encoder->ch_layout);
    if (av_frame_get_buffer(chunk, 0) < 0) {
        return fail(QStringLiteral("out of memory"));
    }
    std::memcpy(chunk->data[0], samples, std::size_t(sampleCount) * sizeof(std::int16_t));
    chunk->pts = m_emittedSamples;
    if (avcodec_send_frame(m_encoder.get(), chunk) < 0
        || avcodec_receive_packet(m_encoder.get(), m_packet.get()) < 0) {
        return fail(QStringLiteral("A-law encoding failed"));
    }
    const int timestampMs = m_startMs + int(m_emittedSamples * 1000 / kMvrAudioSampleRateHz);
    const bool written = sink(timestampMs, m_packet->data, m_packet->size);
    av_packet_unref(m_packet.get());
    m_emittedSamples += sampleCount;
    return written;
}

QString ALawAudioEncoder::errorString() const
{
    return m_error;
}

bool ALawAudioEncoder::fail(const QString& message)
{
    m_error = message;
    return false;
}
