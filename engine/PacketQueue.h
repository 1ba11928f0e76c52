#pragma once
// Demultiplexed packets of one stream on their way from the reading thread to
// that stream's decoding thread. Each packet carries the serial of the
// playback request it was read for (a start or a seek); a decoder that meets
// a new serial empties its codec first, and drops nothing else: packets of
// older serials are removed by Flush. An end marker (a packet-less entry)
// tells the decoder that the input ended for that serial.
//
// The queue counts its bytes and its duration, so the reader can bound what
// it holds ahead by size and by time rather than by a number of entries.
//
// Thread-safe: m_mutex guards everything below it and is a leaf lock.

#include "FfmpegPtr.h"

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

class PacketQueue
{
public:
    struct Entry {
        ffmpeg::PacketPtr packet; // null: end of input for `serial`
        unsigned serial = 0;
    };

    // `timeBase` converts packet durations into milliseconds.
    void SetTimeBase(AVRational timeBase);
    // Takes the packet's reference (leaving `packet` blank).
    void Put(AVPacket* packet, unsigned serial);
    void PutEnd(unsigned serial);
    // Waits up to `timeoutMs` for an entry. False when none came.
    bool Take(Entry& entry, int timeoutMs);
    // Drops every entry.
    void Flush();

    qint64 bytes() const;
    qint64 durationMs() const;
    int count() const;

private:
    void Push(Entry&& entry, qint64 bytes, qint64 durationMs);

    mutable std::mutex m_mutex;
    std::condition_variable_any m_ready;
    std::deque<Entry> m_entries; // guarded by m_mutex
    qint64 m_bytes = 0;          // guarded by m_mutex
    qint64 m_durationMs = 0;     // guarded by m_mutex
    AVRational m_timeBase{1, 1000};
};
