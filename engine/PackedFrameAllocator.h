#pragma once
// Picture buffers for a video decoder, laid out so that a decoded 8-bit 4:2:0
// picture can become the packed hand-over picture (Y, then U, then V, rows
// back to back) inside its own buffer instead of being copied whole.
//
// Each picture gets one buffer holding its three planes in that order, each
// at a stride equal to the plane's width. The decoder writes the rows below
// the picture that its block size needs, so the chroma planes start after
// those rows; once the decoder holds no reference to the picture any more,
// PackInPlace moves the two chroma planes down to close the gap (a third of
// the bytes, none at all when the picture needs no rows below it) and the Y
// rows are already where the packed picture wants them. Pictures whose
// width would need a wider stride, or of other formats, get FFmpeg's own
// buffers and are packed by copying.
//
// Threads: GetBuffer runs on the decoder's threads (FFmpeg's frame threads
// call it one at a time); m_mutex guards m_pool and m_poolBytes and is a
// leaf lock. PackInPlace and CanPackInPlace run on whichever thread holds the
// frame. Buffers live on in the frames that hold them after the allocator
// and its codec context are gone.

#include "FfmpegPtr.h"

#include <cstddef>
#include <cstdint>
#include <mutex>

class PackedFrameAllocator
{
public:
    PackedFrameAllocator() = default;
    ~PackedFrameAllocator();
    PackedFrameAllocator(const PackedFrameAllocator&) = delete;
    PackedFrameAllocator& operator=(const PackedFrameAllocator&) = delete;

    // Makes the decoder `ctx` (not opened yet) take its picture buffers from
    // this allocator, which must outlive the opened codec.
    void Attach(AVCodecContext* ctx);
    // Drops the buffers kept for reuse (those still in frames go when the
    // frames let them go); the next picture starts a new pool.
    void Release();

    // True when `frame` lies in a buffer of this layout with strides equal
    // to its widths, so that its packed picture fits where it lies.
    static bool LaidOutForPacking(const AVFrame& frame);
    // LaidOutForPacking, and no other reference to the buffer is left (the
    // decoder no longer refers to the picture), so it may be packed now.
    static bool CanPackInPlace(const AVFrame& frame);
    // Packs the picture of `frame` inside its own buffer when CanPackInPlace
    // holds and returns its first byte (the frame's planes then point at the
    // packed planes); otherwise returns null and leaves the frame alone.
    static uint8_t* PackInPlace(AVFrame& frame);

private:
    static int GetBuffer(AVCodecContext* ctx, AVFrame* frame, int flags);
    // Fills `frame` from the pool; false when this layout does not fit the
    // picture (FFmpeg's own buffers are used then).
    bool Allocate(AVCodecContext* ctx, AVFrame* frame);
    AVBufferRef* TakeBuffer(size_t bytes);

    std::mutex m_mutex;
    AVBufferPool* m_pool = nullptr; // guarded by m_mutex
    size_t m_poolBytes = 0;         // guarded by m_mutex
};
