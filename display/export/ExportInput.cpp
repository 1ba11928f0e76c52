#include "ExportInput.h"

#include <QFile>

bool ExportInput::Fail(const QString& message)
{
    m_error = message;
    return false;
}

bool ExportInput::Open(const QString& path)
{
    AVFormatContext* context = nullptr;
    const QByteArray encoded = QFile::encodeName(path);
    if (avformat_open_input(&context, encoded.constData(), nullptr, nullptr) < 0) {
        return Fail(QStringLiteral("cannot open %1").arg(path));
    }
    m_format.reset(context);
    if (avformat_find_stream_info(context, nullptr) < 0) {
        return Fail(QStringLiteral("cannot read the streams of %1").arg(path));
    }
    const int video = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) {
        return Fail(QStringLiteral("%1 has no video").arg(path));
    }
    m_video = context->streams[video];
    const int audio = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
    m_audio = audio >= 0 ? context->streams[audio] : nullptr;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        AVStream* stream = context->streams[i];
        stream->discard =
            (stream == m_video || stream == m_audio) ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    if (!OpenVideoDecoder()) {
        return false;
    }
    if (!m_frame || !m_packet) {
        return Fail(QStringLiteral("out of memory"));
    }
    return true;
}

bool ExportInput::OpenVideoDecoder()
{
    const AVCodec* codec = avcodec_find_decoder(m_video->codecpar->codec_id);
    if (!codec) {
        return Fail(QStringLiteral("no decoder for the video of %1").arg(m_format->url));
    }
    m_decoder.reset(avcodec_alloc_context3(codec));
    if (!m_decoder || avcodec_parameters_to_context(m_decoder.get(), m_video->codecpar) < 0) {
        return Fail(QStringLiteral("out of memory"));
    }
    m_decoder->thread_count = 0;
    m_decoder->pkt_timebase = m_video->time_base;
    if (avcodec_open2(m_decoder.get(), codec, nullptr) < 0) {
        return Fail(QStringLiteral("cannot open the video decoder"));
    }
    return true;
}

bool ExportInput::SeekTo(qint64 ms)
{
    if (ms <= 0) {
        return true;
    }
    const int64_t target = av_rescale(ms, AV_TIME_BASE, 1000);
    if (avformat_seek_file(m_format.get(), -1, INT64_MIN, target, target, 0) < 0) {
        return Fail(QStringLiteral("cannot seek to %1 ms").arg(ms));
    }
    avcodec_flush_buffers(m_decoder.get());
    m_draining = false;
    return true;
}

ExportInput::Item ExportInput::Next()
{
    for (;;) {
        const int received = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (received == 0) {
            return Item::Picture;
        }
        if (received == AVERROR_EOF) {
            return Item::End;
        }
        if (received != AVERROR(EAGAIN)) {
            Fail(QStringLiteral("the video does not decode"));
            return Item::Failed;
        }
        av_packet_unref(m_packet.get());
        const int read = av_read_frame(m_format.get(), m_packet.get());
        if (read < 0) {
            if (read != AVERROR_EOF && m_format->pb && m_format->pb->error < 0) {
                Fail(QStringLiteral("cannot read %1").arg(m_format->url));
                return Item::Failed;
            }
            // The decoder gives up what it holds, then reports its end.
            if (!m_draining) {
                m_draining = true;
                avcodec_send_packet(m_decoder.get(), nullptr);
            }
            continue;
        }
        if (m_audio && m_packet->stream_index == m_audio->index) {
            return Item::Audio;
        }
        if (m_packet->stream_index == m_video->index) {
            // A damaged packet is skipped, as players do.
            avcodec_send_packet(m_decoder.get(), m_packet.get());
        }
    }
}

qint64 ExportInput::DurationMs() const
{
    if (m_format && m_format->duration > 0) {
        return av_rescale(m_format->duration, 1000, AV_TIME_BASE);
    }
    if (m_video && m_video->duration > 0) {
        return av_rescale_q(m_video->duration, m_video->time_base, AVRational{1, 1000});
    }
    return 0;
}

qint64 ExportInput::PictureMs() const
{
    const int64_t pts = m_frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) {
        return INT64_MIN;
    }
    return av_rescale_q(pts, m_video->time_base, AVRational{1, 1000});
}
