#include "PictureDecoder.h"

#include <cstring>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/pixfmt.h>
}

namespace {

int SendResult(int error)
{
    if (error == AVERROR(EAGAIN)) {
        return kPictureDecoderSendAgain;
    }
    if (error == AVERROR_EOF) {
        return kPictureDecoderSendEof;
    }
    if (error == AVERROR(EINVAL)) {
        return kPictureDecoderSendInvalid;
    }
    return kPictureDecoderSendFailed;
}

int ReceiveResult(int error)
{
    if (error == AVERROR(EAGAIN)) {
        return kPictureDecoderReceiveAgain;
    }
    if (error == AVERROR_EOF) {
        return kPictureDecoderReceiveEof;
    }
    if (error == AVERROR(EINVAL)) {
        return kPictureDecoderReceiveInvalid;
    }
    return kPictureDecoderReceiveFailed;
}

bool IsPlanar420(int format)
{
    return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}

// Brings the decoder's frame to YUV420P in `decoder->converted`.
bool ConvertToYuv420p(PictureDecoder* decoder)
{
    const AVFrame* source = decoder->frame.get();
    AVFrame* target = decoder->converted.get();
    if (target == nullptr) {
        decoder->converted.reset(av_frame_alloc());
        target = decoder->converted.get();
        if (target == nullptr) {
            return false;
        }
    }
    if (target->width != source->width || target->height != source->height || target->data[0] == nullptr) {
        av_frame_unref(target);
        target->format = AV_PIX_FMT_YUV420P;
        target->width = source->width;
        target->height = source->height;
        if (av_frame_get_buffer(target, 0) < 0) {
            return false;
        }
    }
    SwsContext* converter = sws_getCachedContext(decoder->converter.release(), source->width, source->height,
        static_cast<AVPixelFormat>(source->format), target->width, target->height, AV_PIX_FMT_YUV420P,
        SWS_BILINEAR, nullptr, nullptr, nullptr);
    decoder->converter.reset(converter);
    if (converter == nullptr) {
        return false;
    }
    return sws_scale(converter, source->data, source->linesize, 0, source->height, target->data,
               target->linesize) == target->height;
}

}  // namespace

int CreatePictureDecoder(PictureDecoder** out, int codecId)
{
    auto decoder = std::make_unique<PictureDecoder>();
    decoder->codec = avcodec_find_decoder(static_cast<AVCodecID>(codecId));
    if (decoder->codec == nullptr) {
        return kPictureDecoderNotFound;
    }
    decoder->context.reset(avcodec_alloc_context3(decoder->codec));
    if (!decoder->context) {
        return kPictureDecoderNoContext;
    }
    // One picture out per record, decoded on the caller's thread.
    decoder->context->thread_count = 1;
    if (avcodec_open2(decoder->context.get(), decoder->codec, nullptr) < 0) {
        return kPictureDecoderOpenFailed;
    }
    decoder->frame.reset(av_frame_alloc());
    if (!decoder->frame) {
        return kPictureDecoderNoFrame;
    }
    decoder->packet.reset(av_packet_alloc());
    if (!decoder->packet) {
        return kPictureDecoderNoPacket;
    }
    if (out == nullptr) {
        return kPictureDecoderNull;
    }
    *out = decoder.release();
    return kPictureDecoderOk;
}

int DecodePicture(PictureDecoder* decoder, DecodedPicture* out, void* data, int size)
{
    if (decoder == nullptr || out == nullptr) {
        return kPictureDecoderNull;
    }
    // An empty packet would start draining the decoder and end its stream.
    if (data == nullptr || size <= 0) {
        return kPictureDecoderNoData;
    }
    AVPacket* packet = decoder->packet.get();
    packet->data = static_cast<std::uint8_t*>(data);
    packet->size = size;
    const int sent = avcodec_send_packet(decoder->context.get(), packet);
    packet->data = nullptr;
    packet->size = 0;
    if (sent < 0) {
        return SendResult(sent);
    }
    const int received = avcodec_receive_frame(decoder->context.get(), decoder->frame.get());
    if (received < 0) {
        return ReceiveResult(received);
    }

    const AVFrame* picture = decoder->frame.get();
    if (!IsPlanar420(picture->format)) {
        if (!ConvertToYuv420p(decoder)) {
            return kPictureDecoderConvertFailed;
        }
        picture = decoder->converted.get();
    }
    for (int plane = 0; plane < 3; ++plane) {
        out->data[plane] = picture->data[plane];
        out->linesize[plane] = picture->linesize[plane];
    }
    out->width = picture->width;
    out->height = picture->height;
    return kPictureDecoderOk;
}

void FreePictureDecoder(PictureDecoder* decoder)
{
    // Members go in reverse order: packet, frame, then the codec context.
    std::unique_ptr<PictureDecoder> owned(decoder);
}

std::shared_ptr<PictureDecoder> MakePictureDecoder(int codecId, int* result)
{
    PictureDecoder* decoder = nullptr;
    const int created = CreatePictureDecoder(&decoder, codecId);
    if (result != nullptr) {
        *result = created;
    }
    if (created != kPictureDecoderOk) {
        return nullptr;
    }
    return std::shared_ptr<PictureDecoder>(decoder, FreePictureDecoder);
}

std::size_t PictureByteCount(const DecodedPicture& picture)
{
    if (picture.width <= 0 || picture.height <= 0) {
        return 0;
    }
    const std::size_t lumaBytes = std::size_t(picture.width) * std::size_t(picture.height);
    return lumaBytes + lumaBytes / 2;
}

void CopyPictureBytes(const DecodedPicture& picture, std::uint8_t* destination)
{
    if (PictureByteCount(picture) == 0) {
        return;
    }
    const int chromaWidth = picture.width / 2;
    const int chromaHeight = picture.height / 2;
    std::uint8_t* write = destination;
    for (int row = 0; row < picture.height; ++row) {
        std::memcpy(write, picture.data[0] + std::ptrdiff_t(row) * picture.linesize[0], picture.width);
        write += picture.width;
    }
    for (int plane = 1; plane < 3; ++plane) {
        for (int row = 0; row < chromaHeight; ++row) {
            std::memcpy(write, picture.data[plane] + std::ptrdiff_t(row) * picture.linesize[plane], chromaWidth);
            write += chromaWidth;
        }
    }
}

std::vector<std::uint8_t> BuildPictureBytes(const DecodedPicture& picture)
{
    std::vector<std::uint8_t> bytes(PictureByteCount(picture));
    CopyPictureBytes(picture, bytes.data());
    return bytes;
}
