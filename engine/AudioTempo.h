#pragma once
// Changes the tempo of interleaved PCM while keeping its pitch, through
// FFmpeg's atempo filter. A tempo of 1.0 is never filtered: callers skip the
// filter then, so audio at normal speed passes bit for bit.
//
// Not thread-safe: owned by the thread that converts audio.

#include "FfmpegPtr.h"

#include <QByteArray>

class AudioTempo {
public:
    // Builds the filter for packed PCM of that layout. Returns false when the
    // filter cannot be built; Process then passes audio through unchanged.
    bool Configure(int sampleRate, int channels, AVSampleFormat format, double tempo);
    double tempo() const { return m_tempo; }
    bool IsActive() const { return m_graph != nullptr; }

    // Feeds `samples` samples per channel and appends what the filter gives
    // back to `out` (less than was fed: the filter keeps a short window).
    void Process(const uint8_t* data, int samples, QByteArray& out);
    // Empties the filter's window (after a seek), keeping the tempo.
    void Restart() { Configure(m_sampleRate, m_channels, m_format, m_tempo); }
    void Reset();

private:
    void Drain(QByteArray& out);

    ffmpeg::FilterGraphPtr m_graph;
    AVFilterContext* m_source = nullptr; // owned by m_graph
    AVFilterContext* m_sink = nullptr;   // owned by m_graph
    double m_tempo = 1.0;
    int m_sampleRate = 0;
    int m_channels = 0;
    AVSampleFormat m_format = AV_SAMPLE_FMT_NONE;
    int64_t m_nextPts = 0;
};
