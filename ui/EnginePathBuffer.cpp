#include "EnginePathBuffer.h"

#include <QByteArray>

#include <cstring>

EnginePathBuffer::EnginePathBuffer()
{
    m_buffers.push_back(std::make_unique<char[]>(kInitialBytes));
    m_current = m_buffers.back().get();
    m_capacity = kInitialBytes;
    std::memset(m_current, 0, m_capacity);
}

EnginePathBuffer::~EnginePathBuffer()
{
    std::memset(m_current, 0, m_capacity);
}

const char* EnginePathBuffer::Store(const QString& path)
{
    const QByteArray utf8 = path.toUtf8();
    const size_t needed = static_cast<size_t>(utf8.size()) + 1;
    if (needed > m_capacity) {
        size_t capacity = m_capacity;
        while (capacity < needed) {
            capacity *= 2;
        }
        m_buffers.push_back(std::make_unique<char[]>(capacity));
        m_current = m_buffers.back().get();
        m_capacity = capacity;
    }
    std::memset(m_current, 0, m_capacity);
    std::memcpy(m_current, utf8.constData(), static_cast<size_t>(utf8.size()));
    return m_current;
}
