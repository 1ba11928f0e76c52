#include "PictureBufferPool.h"

PictureBufferPool::Buffer PictureBufferPool::Take(size_t bytes)
{
    Buffer buffer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_free.empty()) {
            buffer = std::move(m_free.back());
            m_free.pop_back();
        }
    }
    buffer.resize(bytes);
    return buffer;
}

void PictureBufferPool::Give(Buffer&& buffer)
{
    if (buffer.capacity() == 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_free.size() < kMaxFree)
        m_free.push_back(std::move(buffer));
}

void PictureBufferPool::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_free.clear();
}
