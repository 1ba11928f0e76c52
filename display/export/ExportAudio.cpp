#include "ExportAudio.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

ExportAudio::ExportAudio() = default;

ExportAudio::~ExportAudio()
{
    if (m_fifo) {
        av_audio_fifo_free(m_fifo);
    }
}

bool ExportAudio::Fail(const QString& message)
{
    m_error = message;
    return false;
}

bool ExportAudio::Open(const AVStream& input, bool globalHeader)
{
    const AVCodec* decoder = avcodec_find_decoder(input.codecpar->codec_id);
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!decoder || !encoder) {
        return Fail(QStringLiteral("the sound cannot be re-encoded to AAC"));
    }
    m_decoder.reset(avcodec_alloc_context3(decoder));
    m_encoder.reset(avcodec_alloc_context3(encoder));
    if (!m_decoder || !m_encoder || !m_decoded || !m_chunk || !m_packet ||
        avcodec_parameters_to_context(m_decoder.get(), input.codecpar) < 0) {
        return Fail(QStringLiteral("out of memory"));
    }
    m_decoder->pkt_timebase = input.time_base;
    if (avcodec_open2(m_decoder.get(), decoder, nullptr) < 0) {
        return Fail(QStringLiteral("the sound does not decode"));
    }
    AVCodecContext* out = m_encoder.get();
    out->sample_fmt = AV_SAMPLE_FMT_FLTP;
    out->sample_rate = m_decoder->sample_rate;
    if (av_channel_layout_copy(&out->ch_layout, &m_decoder->ch_layout) < 0 ||
        out->ch_layout.nb_channels < 1 || out->sample_rate <= 0) {
        return Fail(QStringLiteral("the sound has no channel layout or rate"));
    }
    if (out->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&out->ch_layout, out->ch_layout.nb_channels);
    }
    out->bit_rate = 64000 * out->ch_layout.nb_channels;
    out->time_base = AVRational{1, out->sample_rate};
    if (globalHeader) {
        out->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (avcodec_open2(out, encoder, nullptr) < 0) {
        return Fail(QStringLiteral("cannot open the AAC encoder"));
    }
    SwrContext* resampler = nullptr;
    if (swr_alloc_set_opts2(&resampler, &out->ch_layout, out->sample_fmt, out->sample_rate,
                            &out->ch_layout, m_decoder->sample_fmt, m_decoder->sample_rate, 0,
                            nullptr) < 0) {
        return Fail(QStringLiteral("cannot convert the sound"));
    }
    m_resampler.reset(resampler);
    m_fifo = av_audio_fifo_alloc(out->sample_fmt, out->ch_layout.nb_channels, out->frame_size);
    if (swr_init(resampler) < 0 || !m_fifo) {
        return Fail(QStringLiteral("cannot convert the sound"));
    }
    return true;
}

bool ExportAudio::Write(const AVPacket& packet, const PacketSink& sink)
{
    // A damaged packet is skipped, as players do.
    if (avcodec_send_packet(m_decoder.get(), &packet) < 0) {
        return true;
    }
    while (avcodec_receive_frame(m_decoder.get(), m_decoded.get()) == 0) {
        const bool converted = Convert(*m_decoded);
        av_frame_unref(m_decoded.get());
        if (!converted) {
            return false;
        }
    }
    return EncodeFifo(false, sink);
}

bool ExportAudio::Convert(const AVFrame& frame)
{
    const int room = swr_get_out_samples(m_resampler.get(), frame.nb_samples);
    uint8_t** samples = nullptr;
    if (av_samples_alloc_array_and_samples(&samples, nullptr, m_encoder->ch_layout.nb_channels,
                                           room, m_encoder->sample_fmt, 0) < 0) {
        return Fail(QStringLiteral("out of memory"));
    }
    const int made =
        swr_convert(m_resampler.get(), samples, room,
                    const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    const bool stored =
        made >= 0 && av_audio_fifo_write(m_fifo, reinterpret_cast<void**>(samples), made) == made;
    av_freep(&samples[0]);
    av_freep(&samples);
    return stored || Fail(QStringLiteral("cannot convert the sound"));
}

// Encodes whole frames from the FIFO; with all, the last partial one too.
bool ExportAudio::EncodeFifo(bool all, const PacketSink& sink)
{
    const int frameSize = m_encoder->frame_size;
    while (av_audio_fifo_size(m_fifo) >= frameSize || (all && av_audio_fifo_size(m_fifo) > 0)) {
        const int count = std::min(frameSize, av_audio_fifo_size(m_fifo));
        av_frame_unref(m_chunk.get());
        m_chunk->nb_samples = count;
        m_chunk->format = m_encoder->sample_fmt;
        m_chunk->sample_rate = m_encoder->sample_rate;
        if (av_channel_layout_copy(&m_chunk->ch_layout, &m_encoder->ch_layout) < 0 ||
            av_frame_get_buffer(m_chunk.get(), 0) < 0 ||
            av_audio_fifo_read(m_fifo, reinterpret_cast<void**>(m_chunk->data), count) != count) {
            return Fail(QStringLiteral("out of memory"));
        }
        m_chunk->pts = m_samplesOut;
        m_samplesOut += count;
        if (avcodec_send_frame(m_encoder.get(), m_chunk.get()) < 0 || !Drain(sink)) {
            return Fail(QStringLiteral("the AAC encoder failed"));
        }
    }
    return true;
}

bool ExportAudio::Drain(const PacketSink& sink)
{
    for (;;) {
        const int received = avcodec_receive_packet(m_encoder.get(), m_packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return true;
        }
        if (received < 0) {
            return false;
        }
        const bool written = sink(*m_packet);
        av_packet_unref(m_packet.get());
        if (!written) {
            return false;
        }
    }
}

bool ExportAudio::Finish(const PacketSink& sink)
{
    avcodec_send_packet(m_decoder.get(), nullptr);
    while (avcodec_receive_frame(m_decoder.get(), m_decoded.get()) == 0) {
        const bool converted = Convert(*m_decoded);
        av_frame_unref(m_decoded.get());
        if (!converted) {
            return false;
        }
    }
    if (!EncodeFifo(true, sink)) {
        return false;
    }
    if (avcodec_send_frame(m_encoder.get(), nullptr) < 0 || !Drain(sink)) {
        return Fail(QStringLiteral("the AAC encoder failed"));
    }
    return true;
}
