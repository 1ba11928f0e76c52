#include "ExportOutput.h"

#include <QFile>

extern "C" {
#include <libavutil/opt.h>
}

void ExportOutput::OutputCloser::operator()(AVFormatContext* context) const
{
    if (context->pb && !(context->oformat->flags & AVFMT_NOFILE)) {
        avio_closep(&context->pb);
    }
    avformat_free_context(context);
}

ExportOutput::ExportOutput() = default;
ExportOutput::~ExportOutput() = default;

bool ExportOutput::Fail(const QString& message)
{
    m_error = message;
    return false;
}

bool ExportOutput::Open(const QString& path, QSize size, int crf, const AVStream& video,
                        const AVStream* audio)
{
    const QByteArray encoded = QFile::encodeName(path);
    AVFormatContext* context = nullptr;
    // The container follows the final name, not the temporary one.
    avformat_alloc_output_context2(&context, nullptr, "mp4", encoded.constData());
    if (!context || !m_picture || !m_packet) {
        return Fail(QStringLiteral("out of memory"));
    }
    m_format.reset(context);
    if (!OpenVideo(size, crf, video) || (audio && !OpenAudio(*audio))) {
        return false;
    }
    if (avio_open(&context->pb, encoded.constData(), AVIO_FLAG_WRITE) < 0) {
        return Fail(QStringLiteral("cannot write %1").arg(path));
    }
    if (avformat_write_header(context, nullptr) < 0) {
        return Fail(QStringLiteral("cannot write the header of %1").arg(path));
    }
    m_headerWritten = true;
    return true;
}

bool ExportOutput::OpenVideo(QSize size, int crf, const AVStream& video)
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) {
        return Fail(QStringLiteral("this FFmpeg has no libx264 encoder"));
    }
    m_video.reset(avcodec_alloc_context3(codec));
    m_videoOut = avformat_new_stream(m_format.get(), nullptr);
    if (!m_video || !m_videoOut) {
        return Fail(QStringLiteral("out of memory"));
    }
    AVCodecContext* out = m_video.get();
    out->width = size.width();
    out->height = size.height();
    out->pix_fmt = AV_PIX_FMT_YUV420P;
    out->time_base = video.time_base;
    out->framerate = video.avg_frame_rate.num > 0 ? video.avg_frame_rate : video.r_frame_rate;
    out->color_primaries = AVCOL_PRI_BT709;
    out->color_trc = AVCOL_TRC_BT709;
    out->colorspace = AVCOL_SPC_BT709;
    out->color_range = AVCOL_RANGE_MPEG;
    out->thread_count = 0;
    if (m_format->oformat->flags & AVFMT_GLOBALHEADER) {
        out->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    av_opt_set_double(out->priv_data, "crf", crf, 0);
    av_opt_set(out->priv_data, "preset", "veryfast", 0);
    if (avcodec_open2(out, codec, nullptr) < 0) {
        return Fail(
            QStringLiteral("cannot open libx264 for %1x%2").arg(size.width()).arg(size.height()));
    }
    if (out->framerate.num > 0) {
        m_frameDuration = av_rescale_q(1, av_inv_q(out->framerate), out->time_base);
    }
    avcodec_parameters_from_context(m_videoOut->codecpar, out);
    m_videoOut->time_base = out->time_base;
    m_videoOut->avg_frame_rate = out->framerate;
    m_picture->format = AV_PIX_FMT_YUV420P;
    m_picture->width = size.width();
    m_picture->height = size.height();
    m_converter.reset(sws_getContext(size.width(), size.height(), AV_PIX_FMT_RGBA, size.width(),
                                     size.height(), AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr,
                                     nullptr, nullptr));
    if (av_frame_get_buffer(m_picture.get(), 0) < 0 || !m_converter) {
        return Fail(QStringLiteral("out of memory"));
    }
    // Full-range R'G'B' in, BT.709 limited-range Y'CbCr out.
    sws_setColorspaceDetails(m_converter.get(), sws_getCoefficients(SWS_CS_ITU709), 1,
                             sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    return true;
}

bool ExportOutput::OpenAudio(const AVStream& audio)
{
    m_audioIn = audio.time_base;
    m_audioOut = avformat_new_stream(m_format.get(), nullptr);
    if (!m_audioOut) {
        return Fail(QStringLiteral("out of memory"));
    }
    const AVCodecID codec = audio.codecpar->codec_id;
    if (avformat_query_codec(m_format->oformat, codec, FF_COMPLIANCE_NORMAL) == 1) {
        avcodec_parameters_copy(m_audioOut->codecpar, audio.codecpar);
        m_audioOut->codecpar->codec_tag = 0;
        m_audioOut->time_base = audio.time_base;
        return true;
    }
    m_transcoder = std::make_unique<ExportAudio>();
    if (!m_transcoder->Open(audio, m_format->oformat->flags & AVFMT_GLOBALHEADER)) {
        return Fail(m_transcoder->ErrorString());
    }
    avcodec_parameters_from_context(m_audioOut->codecpar, m_transcoder->Encoder());
    m_audioOut->time_base = m_transcoder->Encoder()->time_base;
    return true;
}

bool ExportOutput::WritePicture(const uchar* rgbaBottomUp, int64_t pts)
{
    AVFrame* picture = PictureBuffer();
    if (!picture) {
        return false;
    }
    const int stride = picture->width * 4;
    // The last row first, stepping upward: the picture upright.
    const uint8_t* rows[1] = {rgbaBottomUp + static_cast<size_t>(stride) * (picture->height - 1)};
    const int strides[1] = {-stride};
    sws_scale(m_converter.get(), rows, strides, 0, picture->height, picture->data,
              picture->linesize);
    return SendPicture(pts);
}

AVFrame* ExportOutput::PictureBuffer()
{
    if (av_frame_make_writable(m_picture.get()) < 0) {
        Fail(QStringLiteral("out of memory"));
        return nullptr;
    }
    return m_picture.get();
}

bool ExportOutput::SendPicture(int64_t pts)
{
    m_picture->pts = pts;
    if (avcodec_send_frame(m_video.get(), m_picture.get()) < 0) {
        return Fail(QStringLiteral("libx264 refused a picture"));
    }
    return DrainVideo();
}

bool ExportOutput::DrainVideo()
{
    for (;;) {
        const int received = avcodec_receive_packet(m_video.get(), m_packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return true;
        }
        if (received < 0) {
            return Fail(QStringLiteral("libx264 failed to encode"));
        }
        if (m_packet->duration <= 0) {
            m_packet->duration = m_frameDuration;
        }
        if (!WritePacket(*m_packet, m_videoOut, m_video->time_base)) {
            return false;
        }
    }
}

bool ExportOutput::WriteAudio(AVPacket& packet, int64_t offset)
{
    if (!m_audioOut) {
        return true;
    }
    if (m_transcoder) {
        return m_transcoder->Write(packet, [this](AVPacket& out) {
            return WritePacket(out, m_audioOut, m_transcoder->Encoder()->time_base);
        }) || Fail(m_transcoder->ErrorString());
    }
    if (packet.pts != AV_NOPTS_VALUE) {
        packet.pts -= offset;
    }
    if (packet.dts != AV_NOPTS_VALUE) {
        packet.dts -= offset;
    }
    return WritePacket(packet, m_audioOut, m_audioIn);
}

bool ExportOutput::WritePacket(AVPacket& packet, AVStream* stream, AVRational from)
{
    packet.stream_index = stream->index;
    packet.pos = -1;
    av_packet_rescale_ts(&packet, from, stream->time_base);
    // Takes the packet's data, leaving it blank.
    if (av_interleaved_write_frame(m_format.get(), &packet) < 0) {
        return Fail(QStringLiteral("cannot write %1").arg(QString::fromUtf8(m_format->url)));
    }
    return true;
}

bool ExportOutput::Finish()
{
    if (avcodec_send_frame(m_video.get(), nullptr) < 0 || !DrainVideo()) {
        return Fail(QStringLiteral("libx264 cannot be drained"));
    }
    if (m_transcoder && !m_transcoder->Finish([this](AVPacket& out) {
            return WritePacket(out, m_audioOut, m_transcoder->Encoder()->time_base);
        })) {
        return Fail(m_transcoder->ErrorString());
    }
    if (av_write_trailer(m_format.get()) < 0) {
        return Fail(QStringLiteral("cannot finish %1").arg(QString::fromUtf8(m_format->url)));
    }
    AVIOContext* io = m_format->pb;
    if (avio_closep(&io) < 0) {
        return Fail(QStringLiteral("cannot close %1").arg(QString::fromUtf8(m_format->url)));
    }
    m_format->pb = nullptr;
    return true;
}
