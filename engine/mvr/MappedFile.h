#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file mapped read-only into memory with QFile::map: opening costs no
// reading, however large the file, and pages come in as they are touched.
// The mapping lives until close() or destruction.
class MappedFile
{
public:
    MappedFile() = default;
    ~MappedFile();

    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps the whole file. False when it cannot be opened or mapped; an empty
    // file opens with no data.
    bool open(const QString& path);
    void close();

    const uchar* data() const;
    qint64 size() const;
    // The mapped bytes as a QByteArray that shares them (no copy); valid
    // while the mapping lives.
    QByteArray bytes() const;
    // Reads `size` bytes at `offset` with an ordinary file read, not through
    // the mapping: a file that shrank since it was mapped gives a short
    // count here instead of a fault. Returns the bytes read, -1 on error.
    qint64 readAt(qint64 offset, char* dst, qint64 size);

private:
    QFile m_file;
    uchar* m_data = nullptr;
    qint64 m_sizeBytes = 0;
};
