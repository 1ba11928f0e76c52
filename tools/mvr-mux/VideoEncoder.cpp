#include "VideoEncoder.h"

extern "C" {
#include <libavutil/opt.h>
}

bool VideoEncoder::open(const Settings& settings)
{
    m_settings = settings;
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) {
        return fail(QStringLiteral("this FFmpeg has no libx264 encoder"));
    }
    m_context.reset(avcodec_alloc_context3(codec));
    m_picture.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_context || !m_picture || !m_packet) {
        return fail(QStringLiteral("out of memory"));
    }
    AVCodecContext* context = m_context.get();
    context->width = settings.widthPixels;
    context->height = settings.heightPixels;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, 1000};
    context->framerate = settings.frameRate;
    context->gop_size = settings.gopFrames;
    context->keyint_min = settings.gopFrames;
    context->max_b_frames = 0;
    av_opt_set(context->priv_data, "preset", "veryfast", 0);
    av_opt_set(context->priv_data, "tune", "zerolatency", 0);
    // Fixed key-frame spacing for a predictable index; SPS and PPS in front
    // of every key frame.
    av_opt_set(context->priv_data, "x264-params", "scenecut=0:repeat-headers=1:annexb=1", 0);
    if (avcodec_open2(context, codec, nullptr) < 0) {
        return fail(QStringLiteral("cannot open libx264 for %1x%2").arg(settings.widthPixels).arg(settings.heightPixels));
    }
    m_picture->format = AV_PIX_FMT_YUV420P;
    m_picture->width = settings.widthPixels;
    m_picture->height = settings.heightPixels;
    if (av_frame_get_buffer(m_picture.get(), 0) < 0) {
        return fail(QStringLiteral("out of memory"));
    }
    return true;
}

bool VideoEncoder::encode(const AVFrame& frame, int timestampMs, const VideoPacketSink& sink)
{
    if (m_hasTimestamp && timestampMs <= m_lastTimestampMs) {
        return true;
    }
    m_hasTimestamp = true;
    m_lastTimestampMs = timestampMs;
    if (!scale(frame)) {
        return false;
    }
    m_picture->pts = timestampMs;
    if (avcodec_send_frame(m_context.get(), m_picture.get()) < 0) {
        return fail(QStringLiteral("libx264 refused a picture"));
    }
    return drain(sink);
}

bool VideoEncoder::flush(const VideoPacketSink& sink)
{
    if (avcodec_send_frame(m_context.get(), nullptr) < 0) {
        return fail(QStringLiteral("libx264 cannot be drained"));
    }
    return drain(sink);
}

bool VideoEncoder::scale(const AVFrame& frame)
{
    if (av_frame_make_writable(m_picture.get()) < 0) {
        return fail(QStringLiteral("out of memory"));
    }
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame.width, frame.height,
        static_cast<AVPixelFormat>(frame.format), m_settings.widthPixels, m_settings.heightPixels,
        AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!m_scaler) {
        return fail(QStringLiteral("cannot scale %1x%2 pictures").arg(frame.width).arg(frame.height));
    }
    sws_scale(m_scaler.get(), frame.data, frame.linesize, 0, frame.height, m_picture->data, m_picture->linesize);
    return true;
}

bool VideoEncoder::drain(const VideoPacketSink& sink)
{
    for (;;) {
        const int received = avcodec_receive_packet(m_context.get(), m_packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return true;
        }
        if (received < 0) {
            return fail(QStringLiteral("libx264 failed to encode"));
        }
        const bool written = sink(*m_packet);
        av_packet_unref(m_packet.get());
        if (!written) {
            return false;
        }
    }
}

QString VideoEncoder::errorString() const
{
    return m_error;
}

bool VideoEncoder::fail(const QString& message)
{
    m_error = message;
    return false;
}
