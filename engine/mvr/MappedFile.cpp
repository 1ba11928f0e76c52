#include "MappedFile.h"

#include <limits>

MappedFile::~MappedFile()
{
    close();
}

bool MappedFile::open(const QString& path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const qint64 sizeBytes = m_file.size();
    if (sizeBytes == 0) {
        return true;
    }
    uchar* mapped = m_file.map(0, sizeBytes);
    if (mapped == nullptr) {
        m_file.close();
        return false;
    }
    m_data = mapped;
    m_sizeBytes = sizeBytes;
    return true;
}

void MappedFile::close()
{
    if (m_data != nullptr) {
        m_file.unmap(m_data);
    }
    m_data = nullptr;
    m_sizeBytes = 0;
    if (m_file.isOpen()) {
        m_file.close();
    }
}

const uchar* MappedFile::data() const
{
    return m_data;
}

qint64 MappedFile::size() const
{
    return m_sizeBytes;
}

QByteArray MappedFile::bytes() const
{
    // A QByteArray counts its bytes in an int; a larger mapping is handed
    // out only through data() and size().
    if (m_data == nullptr || m_sizeBytes > std::numeric_limits<int>::max()) {
        return QByteArray();
    }
    return QByteArray::fromRawData(reinterpret_cast<const char*>(m_data),
                                   static_cast<int>(m_sizeBytes));
}

qint64 MappedFile::readAt(qint64 offset, char* dst, qint64 size)
{
    if (!m_file.isOpen() || !m_file.seek(offset)) {
        return -1;
    }
    qint64 total = 0;
    while (total < size) {
        const qint64 n = m_file.read(dst + total, size - total);
        if (n <= 0) {
            break;
        }
        total += n;
    }
    return total;
}
