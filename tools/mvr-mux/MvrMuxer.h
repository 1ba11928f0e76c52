#pragma once

#include <QSaveFile>
#include <QString>
#include <memory>

#include "ALawAudioEncoder.h"
#include "FfmpegHandles.h"
#include "MvrWriter.h"
#include "VideoEncoder.h"

struct MuxSettings {
    QString inputPath;
    QString outputPath;
    int gopFrames = 25;
    int widthPixels = 0;   // 0: the input's own size
    int heightPixels = 0;
    // When set, the video records' access units are also written back to
    // back to this file as a raw Annex B stream (for decoder benchmarks).
    QString h264OutputPath;
};

// Makes an MVR recording from any media file FFmpeg opens: the best video
// stream re-encoded as H.264 video records, the best audio stream (if any)
// as A-law audio records, one index entry per key frame.
class MvrMuxer {
public:
    bool run(const MuxSettings& settings);
    QString errorString() const;

private:
    struct InputStream {
        int index = -1;
        AvCodecContextPtr decoder;
    };

    bool openInput(const QString& path);
    bool openDecoder(AVMediaType type, InputStream* stream);
    bool openEncoders(const MuxSettings& settings);
    bool readAll();
    bool decodePacket(InputStream& stream, const AVPacket* packet);
    bool takeFrame(const InputStream& stream);
    bool flushAll();
    int timestampMs(const InputStream& stream, std::int64_t pts) const;
    bool writeVideo(const AVPacket& packet);
    bool writeAudio(int timestampMs, const std::uint8_t* data, int sizeBytes);
    bool fail(const QString& message);

    AvInputFormatContextPtr m_input;
    InputStream m_video;
    InputStream m_audio;
    AvFramePtr m_frame;
    AvPacketPtr m_packet;
    VideoEncoder m_videoEncoder;
    ALawAudioEncoder m_audioEncoder;
    MvrWriter m_writer;
    std::unique_ptr<QSaveFile> m_h264Output;
    std::int64_t m_startMs = 0;
    int m_widthPixels = 0;
    int m_heightPixels = 0;
    int m_frameIntervalMs = 40;
    int m_videoEndMs = 0;
    int m_audioEndMs = 0;
    QString m_error;
};
