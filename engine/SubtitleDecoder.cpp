#include "SubtitleDecoder.h"

#include "EngineLog.h"

#include <QDebug>

extern "C" {
#include <libavutil/opt.h>
}

#include <climits>

namespace
{
// Owns one decoded AVSubtitle for the length of a Decode call.
struct SubtitleHolder {
    AVSubtitle subtitle{};
    ~SubtitleHolder() { avsubtitle_free(&subtitle); }
};
} // namespace

bool SubtitleDecoder::Open(const AVStream& stream, const QByteArray& charset, QSize videoSize)
{
    Close();
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!codec) {
        qDebug() << __LINE__ << "no subtitle decoder for"
                 << avcodec_get_name(stream.codecpar->codec_id);
        return false;
    }
    ffmpeg::CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), stream.codecpar) < 0)
        return false;
    ctx->pkt_timebase = stream.time_base;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->id);
    m_bitmap = descriptor && (descriptor->props & AV_CODEC_PROP_BITMAP_SUB);
    if (!m_bitmap && !charset.isEmpty()) {
        av_opt_set(ctx.get(), "sub_charenc", charset.constData(), 0);
        ctx->sub_charenc_mode = FF_SUB_CHARENC_MODE_AUTOMATIC;
    }
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) {
        qDebug() << __LINE__ << "subtitle decoder failed to open" << codec->name;
        return false;
    }
    m_canvas = ctx->width > 0 && ctx->height > 0 ? QSize(ctx->width, ctx->height) : videoSize;
    m_ctx = std::move(ctx);
    return true;
}

void SubtitleDecoder::Close()
{
    m_ctx.reset();
    m_bitmap = false;
    m_canvas = QSize();
}

QByteArray SubtitleDecoder::AssHeader() const
{
    if (!m_ctx || m_bitmap || !m_ctx->subtitle_header)
        return {};
    return QByteArray(reinterpret_cast<const char*>(m_ctx->subtitle_header),
                      m_ctx->subtitle_header_size);
}

bool SubtitleDecoder::Decode(AVPacket* packet, qint64 packetMs, SubtitleEvent* event)
{
    if (!m_ctx)
        return false;
    SubtitleHolder holder;
    int got = 0;
    if (avcodec_decode_subtitle2(m_ctx.get(), &holder.subtitle, &got, packet) < 0 || !got) {
        qCDebug(lcEngineFrames) << __LINE__ << "subtitle packet not decoded" << packetMs;
        return false;
    }
    const AVSubtitle& sub = holder.subtitle;
    *event = SubtitleEvent();
    event->startMs = packetMs + sub.start_display_time;
    // Picture subtitles often leave their end open: they last until the next.
    if (sub.end_display_time > sub.start_display_time && sub.end_display_time != UINT32_MAX)
        event->endMs = packetMs + sub.end_display_time;
    for (unsigned i = 0; i < sub.num_rects; ++i) {
        const AVSubtitleRect& rect = *sub.rects[i];
        if (rect.type == SUBTITLE_ASS && rect.ass) {
            if (!event->assEvent.isEmpty())
                event->assEvent += "\n";
            event->assEvent += rect.ass;
        } else if (rect.type == SUBTITLE_BITMAP && rect.w > 0 && rect.h > 0 && rect.data[0] &&
                   rect.data[1]) {
            event->bitmaps.append(BitmapOf(rect));
        }
    }
    if (m_bitmap)
        event->canvas = m_canvas;
    return m_bitmap || !event->assEvent.isEmpty();
}

// A palettised rectangle (indices in data[0], 0xAARRGGBB entries in data[1])
// as a premultiplied image.
SubtitleBitmap SubtitleDecoder::BitmapOf(const AVSubtitleRect& rect)
{
    QImage image(rect.w, rect.h, QImage::Format_ARGB32);
    const auto* palette = reinterpret_cast<const uint32_t*>(rect.data[1]);
    const int colours = qBound(0, rect.nb_colors, 256);
    for (int y = 0; y < rect.h; ++y) {
        const uint8_t* in = rect.data[0] + y * rect.linesize[0];
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < rect.w; ++x)
            out[x] = in[x] < colours ? palette[in[x]] : 0;
    }
    return SubtitleBitmap{image.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                          QRect(rect.x, rect.y, rect.w, rect.h)};
}

void SubtitleDecoder::Flush()
{
    if (m_ctx)
        avcodec_flush_buffers(m_ctx.get());
}
