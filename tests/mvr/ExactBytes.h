#pragma once

#include <QByteArray>
#include <cstring>
#include <memory>

#include "MvrParser.h"

// A heap copy of exactly the file's bytes, so that AddressSanitizer reports
// any read past the end; QByteArray would hide it behind its terminator.
class ExactBytes {
public:
    explicit ExactBytes(const QByteArray& bytes)
        : m_size(bytes.size()), m_bytes(std::make_unique<unsigned char[]>(std::size_t(bytes.size())))
    {
        if (m_size > 0) {
            std::memcpy(m_bytes.get(), bytes.constData(), std::size_t(m_size));
        }
    }

    MvrParser parser() const { return MvrParser(m_bytes.get(), m_size); }
    std::int64_t size() const { return m_size; }

private:
    std::int64_t m_size;
    std::unique_ptr<unsigned char[]> m_bytes;
};
