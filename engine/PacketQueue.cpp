#include "PacketQueue.h"

void PacketQueue::SetTimeBase(AVRational timeBase)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (timeBase.num > 0 && timeBase.den > 0)
        m_timeBase = timeBase;
}

void PacketQueue::Put(AVPacket* packet, unsigned serial)
{
    Entry entry;
    entry.packet = ffmpeg::MakePacket();
    av_packet_move_ref(entry.packet.get(), packet);
    entry.serial = serial;
    const qint64 bytes = entry.packet->size + static_cast<qint64>(sizeof(AVPacket));
    qint64 durationMs = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (entry.packet->duration > 0)
            durationMs = av_rescale_q(entry.packet->duration, m_timeBase, AVRational{1, 1000});
    }
    Push(std::move(entry), bytes, durationMs);
}

void PacketQueue::PutEnd(unsigned serial)
{
    Entry entry;
    entry.serial = serial;
    Push(std::move(entry), 0, 0);
}

void PacketQueue::Push(Entry&& entry, qint64 bytes, qint64 durationMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bytes += bytes;
    m_durationMs += durationMs;
    m_entries.push_back(std::move(entry));
    m_ready.notify_all();
}

bool PacketQueue::Take(Entry& entry, int timeoutMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_entries.empty())
        m_ready.wait_for(m_mutex, std::chrono::milliseconds(timeoutMs));
    if (m_entries.empty())
        return false;
    entry = std::move(m_entries.front());
    m_entries.pop_front();
    if (entry.packet) {
        m_bytes -= entry.packet->size + static_cast<qint64>(sizeof(AVPacket));
        if (entry.packet->duration > 0)
            m_durationMs -= av_rescale_q(entry.packet->duration, m_timeBase, AVRational{1, 1000});
    }
    if (m_entries.empty()) {
        m_bytes = 0;
        m_durationMs = 0;
    }
    return true;
}

void PacketQueue::Flush()
{
    std::deque<Entry> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        dropped.swap(m_entries);
        m_bytes = 0;
        m_durationMs = 0;
    }
}

qint64 PacketQueue::bytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

qint64 PacketQueue::durationMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_durationMs;
}

int PacketQueue::count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_entries.size());
}
