#pragma once

#include "FfmpegPtr.h"

#include <QString>

#include <functional>

struct AVAudioFifo;

// Sound the output's container cannot hold as it is, re-encoded to AAC: the
// input's packets decoded, converted to the encoder's planar float at the
// input's rate and channel layout, and cut into the encoder's frame size.
// Timestamps are in the encoder's time base (1 / sample rate), counted from
// the first sample handed in.
//
// Threads: one owner thread at a time.
class ExportAudio
{
public:
    using PacketSink = std::function<bool(AVPacket&)>;

    ExportAudio();
    ~ExportAudio();
    ExportAudio(const ExportAudio&) = delete;
    ExportAudio& operator=(const ExportAudio&) = delete;

    // globalHeader: the container wants the codec's set-up out of band.
    bool Open(const AVStream& input, bool globalHeader);
    const AVCodecContext* Encoder() const { return m_encoder.get(); }
    // Decodes one input packet and hands every packet it completes to sink.
    bool Write(const AVPacket& packet, const PacketSink& sink);
    // The rest of the sound, then the encoder's delay.
    bool Finish(const PacketSink& sink);
    QString ErrorString() const { return m_error; }

private:
    bool Convert(const AVFrame& frame);
    bool EncodeFifo(bool all, const PacketSink& sink);
    bool Drain(const PacketSink& sink);
    bool Fail(const QString& message);

    ffmpeg::CodecContextPtr m_decoder;
    ffmpeg::CodecContextPtr m_encoder;
    ffmpeg::SwrContextPtr m_resampler;
    ffmpeg::FramePtr m_decoded = ffmpeg::MakeFrame();
    ffmpeg::FramePtr m_chunk = ffmpeg::MakeFrame();
    ffmpeg::PacketPtr m_packet = ffmpeg::MakePacket();
    AVAudioFifo* m_fifo = nullptr;
    int64_t m_samplesOut = 0;
    QString m_error;
};
