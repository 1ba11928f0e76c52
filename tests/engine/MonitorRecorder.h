#pragma once
// Records what the default sound output plays, through its PulseAudio
// monitor, for the tests of what is heard: the left channel, 16-bit at
// 48 kHz, from Start until the recorder is destroyed. Listening to the
// monitor with a short latency keeps the output itself at a short latency:
// an idle null sink renders seconds ahead, and sound mixed into what it had
// rendered ahead would never reach the monitor. The recording thread
// (m_thread) reads 10 ms at a time; m_mutex guards the samples.

#include <QtGlobal>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

struct pa_simple;

class MonitorRecorder
{
public:
    static constexpr int kRate = 48000;

    MonitorRecorder() = default;
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // False when the monitor cannot be opened. Returns once the output
    // has settled at the short latency.
    bool Start();
    // The recording's length now, in samples.
    size_t Mark();
    // What was recorded since `mark`, once what is playing now has arrived.
    std::vector<qint16> Since(size_t mark);

    // Splits a recording into 5 ms windows; a window is loud when a sample
    // in it reaches `threshold`.
    static std::vector<bool> LoudWindows(const std::vector<qint16>& samples, int threshold);
    static constexpr int kWindow = kRate / 200;
    static int LoudMs(const std::vector<bool>& windows);
    // The longest run of quiet windows between the first and the last loud one.
    static int LongestGapMs(const std::vector<bool>& windows);
    // The median of the loud windows' peaks.
    static int MedianPeak(const std::vector<qint16>& samples, int threshold);

private:
    void Run();
    void Stop();

    pa_simple* m_stream = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<qint16> m_samples; // guarded by m_mutex
};
