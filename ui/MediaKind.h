#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

// The file kinds the player lists, by suffix (the text after the last ".",
// in any case: "CLIP.MP4" is an mp4), with their icons.
class MediaKind
{
public:
    static QString Suffix(const QString& path);
    static bool IsSupported(const QString& path);
    // A supported kind, or an existing file of any other name that FFmpeg
    // opens and finds a picture stream in. Reads the file's head: GUI-thread
    // callers pass files a user chose, one at a time.
    static bool IsPlayable(const QString& path);
    // The icon's style sheet; empty for an unsupported suffix.
    static QString IconStyle(const QString& path);
    // A label showing the kind's icon, for a table's first column.
    static QWidget* IconCell(const QString& path);
    // Two labels stacked: the name (white, "nameLabel") over a detail (grey,
    // "detailLabel").
    static QWidget* NameCell(const QString& name, const QString& detail);
    // 1536 bytes -> "1.500K": scaled by 1024 up to three times, three
    // truncated decimals. Sizes up to 1024 bytes read like "512B".
    static QString SizeText(qint64 bytes);
    // Duration in milliseconds, -1 when unknown. MVR: the header's 32-bit
    // value at byte 48; anything else: FFmpeg's probe. Blocks for the probe:
    // call it off the GUI thread (DurationProbe). Threads: any.
    static qint64 DurationMs(const QString& path);
};
