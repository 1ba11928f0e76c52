#pragma once
// Converts decoded pictures of any pixel format into packed YUV420P: the Y
// plane, then U, then V, rows back to back, chroma sizes rounded up for odd
// widths and heights. Pictures already in 8-bit 4:2:0 are copied, not scaled,
// so their bytes stay exactly those the decoder produced.
//
// Not thread-safe: one converter belongs to one decoding thread.

#include "FfmpegPtr.h"

#include <cstdint>

class VideoConverter
{
public:
    // Bytes of a packed YUV420P picture of that size; 0 for an empty size.
    static int PictureSize(int width, int height);

    // Writes `frame` into `dst`, which holds PictureSize(frame.width,
    // frame.height) bytes. Returns false when the frame cannot be converted
    // (unknown format, no scaler); `dst` is then left unspecified.
    bool Convert(const AVFrame& frame, uint8_t* dst);

private:
    bool ConvertWithScaler(const AVFrame& frame, uint8_t* dst);
    void KeepSourceRange(const AVFrame& frame);

    ffmpeg::SwsContextPtr m_swsCtx;
    ffmpeg::FramePtr m_scaled; // the scaler's aligned output
};
