#pragma once
// Turns decoded audio frames into interleaved PCM in the format the audio
// sink plays (rate, channel count, sample format). A frame whose channel layout is unset is taken as the default layout
// for its channel count. The resampler follows the frames: it is rebuilt when
// their format, rate or layout changes mid-stream.
//
// Not thread-safe: owned by the thread that decodes audio.

#include "FfmpegPtr.h"

#include <QByteArray>

struct PcmFormat {
    int sampleRate = 0;
    int channels = 0;
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_S16; // packed
    int BytesPerSecond() const;
};

class AudioConverter {
public:
    AudioConverter() = default;
    ~AudioConverter();
    AudioConverter(const AudioConverter&) = delete;
    AudioConverter& operator=(const AudioConverter&) = delete;

    void SetTarget(const PcmFormat& target);
    const PcmFormat& target() const { return m_target; }

    // Appends the converted PCM of `frame` to `out`. Returns false when the
    // frame cannot be converted.
    bool Convert(const AVFrame& frame, QByteArray& out);

    // Forgets buffered samples (after a seek).
    void Reset();

private:
    bool EnsureResampler(const AVFrame& frame);

    PcmFormat m_target;
    ffmpeg::SwrContextPtr m_swrCtx;
    AVChannelLayout m_sourceLayout{};
    int m_sourceRate = 0;
    int m_sourceFormat = AV_SAMPLE_FMT_NONE;
    QByteArray m_scratch;
};
