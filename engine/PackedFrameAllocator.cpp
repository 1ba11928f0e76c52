#include "PackedFrameAllocator.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <cstring>

namespace
{
// Plane starts are aligned for the widest SIMD FFmpeg uses, and each plane
// is followed by the slack FFmpeg's own buffers leave (16 bytes beyond one
// alignment unit).
constexpr size_t kAlign = 64;
constexpr size_t kPlaneSlack = 16 + kAlign;
// The buffer starts with a mark that tells this layout from any other
// buffer a decoder may hand out; the planes follow it.
constexpr size_t kHeaderBytes = kAlign;
constexpr char kMark[16] = {'V', 'o', 'r', 'e', 'l', ' ', 'p', 'a',
                            'c', 'k', 'e', 'd', ' ', '4', '2', '0'};

size_t AlignUp(size_t value)
{
    return (value + kAlign - 1) / kAlign * kAlign;
}

uint8_t* FirstPlane(const AVBufferRef& buffer)
{
    const auto start = reinterpret_cast<uintptr_t>(buffer.data) + kHeaderBytes;
    return reinterpret_cast<uint8_t*>((start + kAlign - 1) / kAlign * kAlign);
}

bool IsPlain420(int format)
{
    return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}

} // namespace

bool PackedFrameAllocator::LaidOutForPacking(const AVFrame& frame)
{
    const AVBufferRef* buffer = frame.buf[0];
    if (!buffer || frame.buf[1] || !IsPlain420(frame.format) || frame.width <= 0 ||
        frame.height <= 0 || buffer->size < kHeaderBytes + kAlign ||
        std::memcmp(buffer->data, kMark, sizeof kMark) != 0)
        return false;
    const size_t width = size_t(frame.width), height = size_t(frame.height);
    const size_t chromaWidth = (width + 1) / 2, chromaHeight = (height + 1) / 2;
    const size_t chromaBytes = chromaWidth * chromaHeight;
    const uint8_t* end = buffer->data + buffer->size;
    return frame.data[0] == FirstPlane(*buffer) && size_t(frame.linesize[0]) == width &&
           size_t(frame.linesize[1]) == chromaWidth && size_t(frame.linesize[2]) == chromaWidth &&
           frame.data[1] >= frame.data[0] + width * height &&
           frame.data[2] >= frame.data[1] + chromaBytes && frame.data[2] + chromaBytes <= end;
}

PackedFrameAllocator::~PackedFrameAllocator()
{
    Release();
}

void PackedFrameAllocator::Release()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    av_buffer_pool_uninit(&m_pool); // buffers still in frames are freed as they come back
    m_poolBytes = 0;
}

void PackedFrameAllocator::Attach(AVCodecContext* ctx)
{
    if (!ctx || !ctx->codec || !(ctx->codec->capabilities & AV_CODEC_CAP_DR1))
        return; // such decoders must use FFmpeg's own buffers
    ctx->opaque = this;
    ctx->get_buffer2 = &PackedFrameAllocator::GetBuffer;
#if LIBAVCODEC_VERSION_MAJOR < 60
    // Said explicitly before FFmpeg 6, where it is the rule: otherwise frame
    // threads would wait for the calling thread to allocate each picture.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ctx->thread_safe_callbacks = 1;
#pragma GCC diagnostic pop
#endif
}

int PackedFrameAllocator::GetBuffer(AVCodecContext* ctx, AVFrame* frame, int flags)
{
    auto* self = static_cast<PackedFrameAllocator*>(ctx->opaque);
    if (self && self->Allocate(ctx, frame))
        return 0;
    return avcodec_default_get_buffer2(ctx, frame, flags);
}

bool PackedFrameAllocator::Allocate(AVCodecContext* ctx, AVFrame* frame)
{
    if (ctx->hw_frames_ctx || !IsPlain420(frame->format) || frame->format != ctx->pix_fmt ||
        frame->width <= 0 || frame->height <= 0)
        return false;
    // The area the decoder may touch: its width and height rounded up to its
    // block size, plus the rows some of its routines read beyond that.
    int width = frame->width, height = frame->height;
    int strideAlign[AV_NUM_DATA_POINTERS] = {};
    avcodec_align_dimensions2(ctx, &width, &height, strideAlign);
    int linesize[4] = {};
    if (width != frame->width ||
        av_image_fill_linesizes(linesize, static_cast<AVPixelFormat>(frame->format), width) < 0)
        return false;
    for (int plane = 0; plane < 3; ++plane) {
        if (strideAlign[plane] <= 0 || linesize[plane] % strideAlign[plane] != 0 ||
            size_t(strideAlign[plane]) > kAlign)
            return false; // the strides would have to be wider than the widths
    }
    const size_t lumaBytes = size_t(linesize[0]) * size_t(height);
    const size_t chromaBytes = size_t(linesize[1]) * size_t((height + 1) / 2);
    const size_t uOffset = AlignUp(lumaBytes + kPlaneSlack);
    const size_t vOffset = AlignUp(uOffset + chromaBytes + kPlaneSlack);
    const size_t bytes = kHeaderBytes + kAlign + vOffset + chromaBytes + kPlaneSlack;
    AVBufferRef* buffer = TakeBuffer(bytes);
    if (!buffer)
        return false;
    std::memcpy(buffer->data, kMark, sizeof kMark);
    uint8_t* first = FirstPlane(*buffer);
    frame->buf[0] = buffer;
    frame->data[0] = first;
    frame->data[1] = first + uOffset;
    frame->data[2] = first + vOffset;
    for (int plane = 0; plane < 3; ++plane)
        frame->linesize[plane] = linesize[plane];
    frame->extended_data = frame->data;
    return true;
}

AVBufferRef* PackedFrameAllocator::TakeBuffer(size_t bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_pool || m_poolBytes != bytes) {
        av_buffer_pool_uninit(&m_pool);
        m_pool = av_buffer_pool_init(bytes, av_buffer_allocz);
        m_poolBytes = m_pool ? bytes : 0;
    }
    return m_pool ? av_buffer_pool_get(m_pool) : nullptr;
}

bool PackedFrameAllocator::CanPackInPlace(const AVFrame& frame)
{
    return LaidOutForPacking(frame) && av_frame_is_writable(const_cast<AVFrame*>(&frame));
}

uint8_t* PackedFrameAllocator::PackInPlace(AVFrame& frame)
{
    if (!CanPackInPlace(frame))
        return nullptr;
    const size_t width = size_t(frame.width), height = size_t(frame.height);
    const size_t chromaBytes = ((width + 1) / 2) * ((height + 1) / 2);
    uint8_t* packed = frame.data[0];
    uint8_t* u = packed + width * height;
    uint8_t* v = u + chromaBytes;
    // Each plane moves down (or stays): U first, whose new place ends before
    // V's old one begins.
    if (frame.data[1] != u)
        std::memmove(u, frame.data[1], chromaBytes);
    if (frame.data[2] != v)
        std::memmove(v, frame.data[2], chromaBytes);
    frame.data[1] = u;
    frame.data[2] = v;
    return packed;
}
