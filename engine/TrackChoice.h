#pragma once
// Which sound and subtitle tracks a playback plays, as the window asks for
// them before it starts a file. Plain value type, any thread.

#include <QString>
#include <QStringList>

struct TrackChoice {
    // 1-based among the file's sound tracks; 0: the one in audioLanguage,
    // else FFmpeg's best.
    int audioId = 0;
    // 1-based among the file's subtitle tracks, then the subtitle files;
    // 0: none; -1: chosen by subtitleLanguage and the file's own marks.
    int subtitleId = -1;
    QString audioLanguage;    // ISO 639 code, or empty
    QString subtitleLanguage; // ISO 639 code, or empty
    // Subtitle files to offer besides those found beside the file.
    QStringList subtitleFiles;
    // Look for subtitle files beside the file (same base name).
    bool findBesideFile = true;
};
