#pragma once

#include <QString>

#include "MappedFile.h"
#include "MvrParser.h"

enum class MvrOpenResult {
    kOpened,     // header and index read; records may still end early
    kCannotOpen, // the file cannot be opened or mapped
    kTooShort,   // shorter than the 512-byte file header: nothing to play
};

// An MVR recording on disk: the memory-mapped file and the parser over it.
// Used by one reader run; the parser and the bytes stay valid until close(),
// the next open() or destruction.
class MvrFile
{
public:
    MvrFile() = default;

    MvrOpenResult open(const QString& path);
    void close();

    const MvrParser& parser() const;
    const MappedFile& mapping() const;
    // Ordinary reads of the file's bytes (see MappedFile::readAt).
    qint64 readAt(qint64 offset, char* dst, qint64 size);

private:
    MappedFile m_mapping;
    MvrParser m_parser;
};
