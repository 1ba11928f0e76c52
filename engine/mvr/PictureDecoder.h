#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "FfmpegHandles.h"

// Result codes of the picture decoder functions; 0 is success.
enum PictureDecoderResult : int {
    kPictureDecoderOk = 0,
    kPictureDecoderNotFound = 1,        // avcodec_find_decoder found no decoder
    kPictureDecoderNoContext = 2,       // avcodec_alloc_context3 failed
    kPictureDecoderOpenFailed = 3,      // avcodec_open2 failed
    kPictureDecoderNoFrame = 4,         // av_frame_alloc failed
    kPictureDecoderNoPacket = 5,        // av_packet_alloc failed
    kPictureDecoderNull = 6,            // the decoder (or the output) is null
    kPictureDecoderSendAgain = 11,      // avcodec_send_packet: AVERROR(EAGAIN)
    kPictureDecoderSendEof = 12,        // avcodec_send_packet: AVERROR_EOF
    kPictureDecoderSendInvalid = 13,    // avcodec_send_packet: AVERROR(EINVAL)
    kPictureDecoderSendFailed = 14,     // avcodec_send_packet: any other error
    kPictureDecoderNoData = 15,         // no payload bytes: nothing is sent
    kPictureDecoderReceiveAgain = 21,   // avcodec_receive_frame: AVERROR(EAGAIN)
    kPictureDecoderReceiveEof = 22,     // avcodec_receive_frame: AVERROR_EOF
    kPictureDecoderReceiveInvalid = 23, // avcodec_receive_frame: AVERROR(EINVAL)
    kPictureDecoderReceiveFailed = 25,  // avcodec_receive_frame: any other error
    kPictureDecoderConvertFailed = 31,  // the picture could not be brought to YUV420P
};

// One FFmpeg video decoder, single-threaded, fed one access unit at a time.
struct PictureDecoder {
    const AVCodec* codec = nullptr;
    AvCodecContextPtr context;
    AvFramePtr frame;
    AvPacketPtr packet;
    // Pictures that are not 8-bit 4:2:0 are converted to YUV420P here.
    SwsContextPtr converter;
    AvFramePtr converted;
};

// A decoded YUV420P picture: plane pointers into the decoder's frame, valid
// until the next DecodePicture on the same decoder or its release.
struct DecodedPicture {
    std::uint8_t* data[3] = {nullptr, nullptr, nullptr};
    int linesize[3] = {0, 0, 0};
    int width = 0;   // pixels, of the decoded picture itself
    int height = 0;  // pixels
};

// Makes a decoder for `codecId` (AV_CODEC_ID_*); on failure everything made
// so far is released and `*out` is left untouched.
int CreatePictureDecoder(PictureDecoder** out, int codecId);

// Sends `size` bytes at `data` as one packet (the bytes are not kept) and
// receives exactly one picture into `*out`.
int DecodePicture(PictureDecoder* decoder, DecodedPicture* out, void* data, int size);

// Releases a decoder made by CreatePictureDecoder; null is ignored.
void FreePictureDecoder(PictureDecoder* decoder);

// CreatePictureDecoder into a shared_ptr released by FreePictureDecoder; null
// on failure, with the result in `*result` when given.
std::shared_ptr<PictureDecoder> MakePictureDecoder(int codecId, int* result = nullptr);

// Byte count of the tight YUV420P copy: width x height + (width x height) / 2.
std::size_t PictureByteCount(const DecodedPicture& picture);

// Copies `height` rows of `width` bytes of Y, then `height`/2 rows of
// `width`/2 bytes of U and of V (halves rounded down) to `destination`,
// which holds PictureByteCount bytes.
void CopyPictureBytes(const DecodedPicture& picture, std::uint8_t* destination);

std::vector<std::uint8_t> BuildPictureBytes(const DecodedPicture& picture);
