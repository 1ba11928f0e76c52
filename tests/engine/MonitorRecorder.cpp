#include "MonitorRecorder.h"

#include <pulse/simple.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

MonitorRecorder::~MonitorRecorder()
{
    Stop();
}

bool MonitorRecorder::Start()
{
    pa_sample_spec spec;
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = kRate;
    spec.channels = 2;
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(-1);
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = kRate / 100 * 4;
    int error = 0;
    m_stream = pa_simple_new(nullptr, "engine-sound-test", PA_STREAM_RECORD, "@DEFAULT_MONITOR@",
                             "monitor", &spec, nullptr, &attr, &error);
    if (!m_stream)
        return false;
    m_stop = false;
    m_thread = std::thread(&MonitorRecorder::Run, this);
    // What the output rendered ahead before it was listened to plays out.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    return true;
}

size_t MonitorRecorder::Mark()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_samples.size();
}

std::vector<qint16> MonitorRecorder::Since(size_t mark)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::lock_guard<std::mutex> lock(m_mutex);
    if (mark >= m_samples.size())
        return {};
    return std::vector<qint16>(m_samples.begin() + static_cast<std::ptrdiff_t>(mark),
                               m_samples.end());
}

void MonitorRecorder::Run()
{
    std::vector<qint16> piece(kRate / 100 * 2);
    int error = 0;
    while (!m_stop) {
        if (pa_simple_read(m_stream, piece.data(), piece.size() * sizeof(qint16), &error) < 0)
            break;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (size_t i = 0; i < piece.size(); i += 2)
            m_samples.push_back(piece[i]);
    }
}

void MonitorRecorder::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_stream) {
        pa_simple_free(m_stream);
        m_stream = nullptr;
    }
}

std::vector<bool> MonitorRecorder::LoudWindows(const std::vector<qint16>& samples, int threshold)
{
    std::vector<bool> windows;
    for (size_t start = 0; start + kWindow <= samples.size(); start += kWindow) {
        bool loud = false;
        for (size_t i = start; i < start + kWindow && !loud; ++i)
            loud = std::abs(int(samples[i])) >= threshold;
        windows.push_back(loud);
    }
    return windows;
}

int MonitorRecorder::LoudMs(const std::vector<bool>& windows)
{
    return int(std::count(windows.begin(), windows.end(), true)) * 1000 / (kRate / kWindow);
}

int MonitorRecorder::LongestGapMs(const std::vector<bool>& windows)
{
    const auto first = std::find(windows.begin(), windows.end(), true);
    const auto last = std::find(windows.rbegin(), windows.rend(), true).base();
    int longest = 0;
    int run = 0;
    for (auto it = first; it < last; ++it) {
        run = *it ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest * 1000 / (kRate / kWindow);
}

int MonitorRecorder::MedianPeak(const std::vector<qint16>& samples, int threshold)
{
    std::vector<int> peaks;
    for (size_t start = 0; start + kWindow <= samples.size(); start += kWindow) {
        int peak = 0;
        for (size_t i = start; i < start + kWindow; ++i)
            peak = std::max(peak, std::abs(int(samples[i])));
        if (peak >= threshold)
            peaks.push_back(peak);
    }
    if (peaks.empty())
        return 0;
    std::nth_element(peaks.begin(), peaks.begin() + peaks.size() / 2, peaks.end());
    return peaks[peaks.size() / 2];
}
