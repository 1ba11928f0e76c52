#pragma once

#include <QString>
#include <functional>

#include "FfmpegHandles.h"

// Receives each encoded access unit; pts in milliseconds. False stops the run.
using VideoPacketSink = std::function<bool(const AVPacket& packet)>;

// H.264 through libx264 as a camera records it: YUV420P, Annex B, no
// B-frames, a key frame every `gopFrames` pictures with the parameter sets
// repeated before each, so every access unit comes out at once and every
// key frame decodes on its own.
class VideoEncoder {
public:
    struct Settings {
        int widthPixels = 0;
        int heightPixels = 0;
        int gopFrames = 25;
        AVRational frameRate{25, 1};
    };

    bool open(const Settings& settings);
    // Scales `frame` to the output size and encodes it at `timestampMs`;
    // pictures whose time does not advance are dropped.
    bool encode(const AVFrame& frame, int timestampMs, const VideoPacketSink& sink);
    bool flush(const VideoPacketSink& sink);

    QString errorString() const;

private:
    bool scale(const AVFrame& frame);
    bool drain(const VideoPacketSink& sink);
    bool fail(const QString& message);

    Settings m_settings;
    AvCodecContextPtr m_context;
    SwsContextPtr m_scaler;
    AvFramePtr m_picture;
    AvPacketPtr m_packet;
    bool m_hasTimestamp = false;
    int m_lastTimestampMs = 0;
    QString m_error;
};
