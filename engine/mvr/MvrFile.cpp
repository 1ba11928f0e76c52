#include "MvrFile.h"

MvrOpenResult MvrFile::open(const QString& path)
{
    close();
    if (!m_mapping.open(path)) {
        return MvrOpenResult::kCannotOpen;
    }
    m_parser = MvrParser(m_mapping.data(), m_mapping.size());
    return m_parser.isValid() ? MvrOpenResult::kOpened : MvrOpenResult::kTooShort;
}

void MvrFile::close()
{
    m_parser = MvrParser();
    m_mapping.close();
}

const MvrParser& MvrFile::parser() const
{
    return m_parser;
}

const MappedFile& MvrFile::mapping() const
{
    return m_mapping;
}

qint64 MvrFile::readAt(qint64 offset, char* dst, qint64 size)
{
    return m_mapping.readAt(offset, dst, size);
}
