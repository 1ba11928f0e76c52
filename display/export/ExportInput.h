#pragma once

#include "FfmpegPtr.h"

#include <QString>

// The input of an export: a media file opened with libavformat, its best
// video stream decoded with libavcodec (frame threads on every core), its
// best audio stream passed on as packets. Next walks the file in order and
// returns each decoded picture and each audio packet.
//
// Threads: one owner thread at a time; no shared state.
class ExportInput
{
public:
    enum class Item { Picture, Audio, End, Failed };

    // False, with ErrorString set, when the file does not open or has no
    // video stream that decodes.
    bool Open(const QString& path);
    // Moves to the last key picture at or before ms; pictures and packets
    // before ms still follow and are for the caller to skip.
    bool SeekTo(qint64 ms);
    Item Next();

    // After Next returned Picture: the decoded picture, valid until the next call.
    const AVFrame& Picture() const { return *m_frame; }
    // After Next returned Audio: the packet, the caller's to use until the next call.
    AVPacket& AudioPacket() { return *m_packet; }

    const AVStream* VideoStream() const { return m_video; }
    // Null when the file has no sound.
    const AVStream* AudioStream() const { return m_audio; }
    // The file's duration, or the video stream's; 0 when neither is known.
    qint64 DurationMs() const;
    // The picture's time in ms from the stream's time base; INT64_MIN without one.
    qint64 PictureMs() const;
    QString ErrorString() const { return m_error; }

private:
    bool OpenVideoDecoder();
    bool Fail(const QString& message);

    ffmpeg::FormatContextPtr m_format;
    ffmpeg::CodecContextPtr m_decoder;
    ffmpeg::FramePtr m_frame = ffmpeg::MakeFrame();
    ffmpeg::PacketPtr m_packet = ffmpeg::MakePacket();
    AVStream* m_video = nullptr;
    AVStream* m_audio = nullptr;
    bool m_draining = false;
    QString m_error;
};
