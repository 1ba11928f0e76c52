#pragma once
// One opened media file read through FFmpeg: the demuxer, the video decoder
// and the audio decoder (opened at the first audio packet), with the frames
// they decode into. Decoding drains every frame a packet yields; a null
// packet drains what the decoder still holds at the end of the input.
//
// Threads: the demuxer side (Open, Read, Seek, Close) belongs to the reading
// thread; the video side (DecodeVideo, FlushVideo, VideoPtsMs) to the video
// decoding thread and the audio side (DecodeAudio, FlushAudio, AudioPtsMs)
// to the audio decoding thread. The sides share only what Open set up and
// leave alone until Close, which runs after both decoders have stopped.

#include "FfmpegPtr.h"
#include "PackedFrameAllocator.h"
#include "PictureDescription.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>

enum class OpenStatus {
    Ok,
    OpenFailed,
    StreamInfoFailed,
    NoVideoDecoder,
    VideoDecoderOpenFailed,
};

enum class ReadStatus { Packet, Again, End };

enum class AudioStatus { Ok, NoDecoder, DecoderOpenFailed, SendFailed };

class FfmpegInput
{
public:
    using FrameHandler = std::function<void(const AVFrame&)>;

    // Polled by FFmpeg during blocking opens and reads; true aborts them.
    using Interrupt = std::function<bool()>;

    // Opens `path` (bytes as given, no format forced) and its video decoder.
    // `suffix` decides the HEVC retry for AVI files. `onProbed` runs once the
    // stream information is known (the duration is valid from then on). A
    // file without a picture stream opens for its sound alone.
    OpenStatus Open(const char* path, const QByteArray& suffix,
                    const std::function<void()>& onProbed, Interrupt interrupt = {});
    void Close();
    // Before Open: the sound track to play, 1-based among the file's sound
    // tracks; 0 picks the first in `language` (ISO 639, may be empty), else
    // FFmpeg's best. A number the file does not have falls back the same way.
    void SetAudioChoice(int id, const QString& language);

    // Whole duration in ms; 0 when the container does not know it.
    qint64 DurationMs() const;
    bool HasAudio() const { return m_audioIndex >= 0; }
    bool HasVideo() const { return m_videoIndex >= 0; }
    // The picture stream is a still (cover art) carried outside the packets.
    bool VideoIsCoverArt() const;
    // The cover art's packet (a new reference), or null.
    ffmpeg::PacketPtr CoverArtPacket() const;
    AVStream* videoStream() const;
    AVStream* audioStream() const;
    AVFormatContext* formatContext() const { return m_formatCtx.get(); }
    // Milliseconds one picture lasts by the stream's frame rate (40 when
    // unknown); read at open.
    qint64 FrameStepMs() const { return m_frameStepMs; }
    // What the picture stream says about its pictures; read at open.
    const StreamPictureInfo& videoInfo() const { return m_videoInfo; }
    int videoIndex() const { return m_videoIndex; }
    int audioIndex() const { return m_audioIndex; }
    // Reading thread: plays sound track `id` (1-based) from the next seek on;
    // the audio decoding thread takes the new stream's decoder at its next
    // FlushAudio. False when the file has no such other track.
    bool SwitchAudio(int id);
    int audioSampleRate() const;
    int audioChannels() const;

    ReadStatus Read(AVPacket* packet);
    // `packet` null: drain the decoder at the end of the input.
    void DecodeVideo(const AVPacket* packet, const FrameHandler& onFrame);
    // While an exact seek decodes its way to the target, pictures that no
    // other picture refers to need not be decoded at all.
    void SkipUnreferencedPictures(bool skip);
    AudioStatus DecodeAudio(const AVPacket* packet, const FrameHandler& onFrame);

    // Position of a decoded frame in ms from the start of the file; frames
    // without a time stamp continue from the previous one.
    qint64 VideoPtsMs(const AVFrame& frame);
    qint64 AudioPtsMs(const AVFrame& frame);
    // A video packet's presentation time in ms from the start, -1 without one.
    qint64 VideoPacketMs(const AVPacket& packet) const;
    // Any packet's presentation (else decoding) time in ms from the start;
    // -1 without either.
    qint64 PacketMs(const AVPacket& packet) const;

    // Moves the demuxer to the key frame at or before `targetMs`. The
    // decoders are emptied by their own threads (FlushVideo, FlushAudio).
    bool Seek(qint64 targetMs);
    void FlushVideo();
    void FlushAudio();

private:
    static int OnInterrupt(void* opaque);
    bool OpenVideoDecoder(const QByteArray& suffix);
    int ChosenAudioStream() const;
    void MakeAudioContext();
    AudioStatus EnsureAudioDecoder();
    static void ReceiveAll(AVCodecContext* ctx, AVFrame* frame, const FrameHandler& onFrame);
    qint64 StartUs() const;
    qint64 ToMs(int64_t ts, AVRational timeBase) const;

    ffmpeg::FormatContextPtr m_formatCtx;
    // Before the video codec: it must outlive it.
    PackedFrameAllocator m_pictureAllocator;
    ffmpeg::CodecContextPtr m_videoCtx;
    ffmpeg::CodecContextPtr m_audioCtx;
    ffmpeg::FramePtr m_frame;
    ffmpeg::FramePtr m_audioFrame;
    int m_videoIndex = -1;
    // Written by the reading thread (SwitchAudio), read by both others.
    std::atomic<int> m_audioIndex{-1};
    int m_audioCtxStream = -1; // audio decoding thread: the stream m_audioCtx decodes
    bool m_audioOpened = false;
    qint64 m_lastVideoPtsMs = -1; // video decoding thread
    qint64 m_nextAudioPtsMs = -1; // audio decoding thread
    Interrupt m_interrupt;
    qint64 m_frameStepMs = 40;
    StreamPictureInfo m_videoInfo;
    int m_audioChoiceId = 0;
    QString m_audioLanguage;
};
