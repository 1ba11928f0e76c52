#include "VideoConverter.h"

#include "PictureDescription.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace
{
// Full-range JPEG 4:2:0 shares the plain layout; the display treats both alike.
bool IsPlain420(int format)
{
    return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}
} // namespace

int VideoConverter::PictureSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    const int size = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, width, height, 1);
    return size > 0 ? size : 0;
}

bool VideoConverter::Convert(const AVFrame& frame, uint8_t* dst)
{
    const int size = PictureSize(frame.width, frame.height);
    if (size == 0 || !dst)
        return false;
    if (IsPlain420(frame.format)) {
        return av_image_copy_to_buffer(dst, size, frame.data, frame.linesize, AV_PIX_FMT_YUV420P,
                                       frame.width, frame.height, 1) >= 0;
    }
    return ConvertWithScaler(frame, dst);
}

// A YUV source keeps its range and matrix through the packing (the picture's
// format says which they are); only RGB sources are converted, with the
// scaler's default BT.601 limited range.
void VideoConverter::KeepSourceRange(const AVFrame& frame)
{
    if (PictureDescription::IsRgbFormat(frame.format))
        return;
    const bool full = frame.color_range == AVCOL_RANGE_JPEG;
    int* invTable = nullptr;
    int* table = nullptr;
    int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(m_swsCtx.get(), &invTable, &srcRange, &table, &dstRange,
                                 &brightness, &contrast, &saturation) < 0)
        return;
    const int range = srcRange || full ? 1 : 0;
    if (srcRange == range && dstRange == range)
        return;
    sws_setColorspaceDetails(m_swsCtx.get(), invTable, range, invTable, range, brightness, contrast,
                             saturation);
}

bool VideoConverter::ConvertWithScaler(const AVFrame& frame, uint8_t* dst)
{
    // The cached context is reused while size and format stay the same.
    SwsContext* ctx = sws_getCachedContext(
        m_swsCtx.release(), frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
        frame.width, frame.height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    m_swsCtx.reset(ctx);
    if (!ctx)
        return false;
    KeepSourceRange(frame);
    // The scaler writes whole SIMD blocks past the end of short rows, so it
    // gets an aligned, padded picture; the packed copy follows.
    if (!m_scaled || m_scaled->width != frame.width || m_scaled->height != frame.height) {
        m_scaled = ffmpeg::MakeFrame();
        m_scaled->format = AV_PIX_FMT_YUV420P;
        m_scaled->width = frame.width;
        m_scaled->height = frame.height;
        if (av_frame_get_buffer(m_scaled.get(), 0) < 0) {
            m_scaled.reset();
            return false;
        }
    }
    if (sws_scale(ctx, frame.data, frame.linesize, 0, frame.height, m_scaled->data,
                  m_scaled->linesize) != frame.height)
        return false;
    return av_image_copy_to_buffer(dst, PictureSize(frame.width, frame.height), m_scaled->data,
                                   m_scaled->linesize, AV_PIX_FMT_YUV420P, frame.width,
                                   frame.height, 1) >= 0;
}
