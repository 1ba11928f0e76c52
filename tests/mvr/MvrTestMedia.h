#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

// Paths of the media the "mvr_media" fixture makes, found through the
// MVR_TEST_MEDIA environment variable.
inline QString MvrTestMedia(const char* name)
{
    return QString::fromLocal8Bit(qgetenv("MVR_TEST_MEDIA")) + QLatin1Char('/') + QLatin1String(name);
}

inline QByteArray ReadMvrTestMedia(const char* name)
{
    QFile file(MvrTestMedia(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Mean of `count` bytes at `bytes`.
inline double MeanOf(const std::uint8_t* bytes, std::size_t count)
{
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += bytes[i];
    }
    return count ? sum / double(count) : 0.0;
}
