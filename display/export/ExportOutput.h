#pragma once

#include "ExportAudio.h"
#include "FfmpegPtr.h"

#include <QSize>
#include <QString>

#include <memory>

// The output of an export: an MP4 (or whatever container the file name
// says) with one H.264 stream encoded by libx264 at a constant rate factor,
// YUV 4:2:0 tagged BT.709 limited range, and the input's sound copied as it
// is, or re-encoded to AAC when the container cannot hold it.
//
// Pictures come as RGBA rows bottom row first (as GL reads them back),
// converted with BT.709 coefficients, or as YUV 4:2:0 filled in place. Timestamps are the caller's,
// in the input streams' time bases, already counted from the export's start.
//
// Threads: one owner thread at a time.
class ExportOutput
{
public:
    ExportOutput();
    ~ExportOutput();
    ExportOutput(const ExportOutput&) = delete;
    ExportOutput& operator=(const ExportOutput&) = delete;

    // Opens the file and writes the header. video gives the time base and
    // frame rate, audio (may be null) the sound to carry.
    bool Open(const QString& path, QSize size, int crf, const AVStream& video,
              const AVStream* audio);
    bool WritePicture(const uchar* rgbaBottomUp, int64_t pts);
    // The same for a picture filled in place: PictureBuffer is the next
    // picture's YUV 4:2:0 frame at the output size (null when out of
    // memory), SendPicture encodes it.
    AVFrame* PictureBuffer();
    bool SendPicture(int64_t pts);
    // pts and dts of packet are shifted by -offset (the input's time base).
    bool WriteAudio(AVPacket& packet, int64_t offset);
    // Flushes the encoders and writes the trailer; the file is whole after it.
    bool Finish();
    QString ErrorString() const { return m_error; }

private:
    bool OpenVideo(QSize size, int crf, const AVStream& video);
    bool OpenAudio(const AVStream& audio);
    bool DrainVideo();
    bool WritePacket(AVPacket& packet, AVStream* stream, AVRational from);
    bool Fail(const QString& message);

    struct OutputCloser {
        void operator()(AVFormatContext* context) const;
    };
    std::unique_ptr<AVFormatContext, OutputCloser> m_format;
    ffmpeg::CodecContextPtr m_video;
    ffmpeg::SwsContextPtr m_converter;
    ffmpeg::FramePtr m_picture = ffmpeg::MakeFrame();
    ffmpeg::PacketPtr m_packet = ffmpeg::MakePacket();
    std::unique_ptr<ExportAudio> m_transcoder;
    AVStream* m_videoOut = nullptr;
    AVStream* m_audioOut = nullptr;
    AVRational m_audioIn{1, 1};
    int64_t m_frameDuration = 0;
    bool m_headerWritten = false;
    QString m_error;
};
