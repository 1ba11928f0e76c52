#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "FfmpegHandles.h"

// Receives one A-law chunk and the time of its first sample in ms. False
// stops the run.
using AudioChunkSink = std::function<bool(int timestampMs, const std::uint8_t* data, int sizeBytes)>;

// Converts decoded audio of any layout, format and rate (set up from the
// frames themselves) to 16,000 Hz mono, cuts it
// into chunks of 40 ms and encodes each as G.711 A-law (FFmpeg's pcm_alaw).
// The last chunk of a stream may be shorter.
class ALawAudioEncoder {
public:
    static constexpr int kChunkDurationMs = 40;
    static constexpr int kChunkSamples = 16000 * kChunkDurationMs / 1000;

    bool open();
    // `timestampMs` is the time of the frame's first sample; only the first
    // frame's time is used, later chunks follow by sample count.
    bool encode(const AVFrame& frame, int timestampMs, const AudioChunkSink& sink);
    bool flush(const AudioChunkSink& sink);

    QString errorString() const;

private:
    bool setUpResampler(const AVFrame& frame);
    bool emitChunks(int minimumSamples, const AudioChunkSink& sink);
    bool encodeChunk(const std::int16_t* samples, int sampleCount, const AudioChunkSink& sink);
    bool fail(const QString& message);

    SwrContextPtr m_resampler;
    int m_sourceFormat = AV_SAMPLE_FMT_NONE;
    int m_sourceRateHz = 0;
    int m_sourceChannels = 0;
    AvCodecContextPtr m_encoder;
    AvFramePtr m_chunk;
    AvPacketPtr m_packet;
    std::vector<std::int16_t> m_pending;
    std::int64_t m_emittedSamples = 0;
    bool m_started = false;
    int m_startMs = 0;
    QString m_error;
};
