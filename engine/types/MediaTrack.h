#pragma once
// The sound and subtitle tracks a file offers, as the engine lists them once
// it has opened the file. Plain value types, any thread.

#include <QMetaType>
#include <QString>
#include <QVector>

enum class TrackKind { Audio, Subtitle };

struct MediaTrack {
    TrackKind kind = TrackKind::Audio;
    // 1-based among the tracks of its kind, in the file's stream order, then
    // the subtitle files found beside it (as mpv numbers --aid and --sid).
    int id = 0;
    QString language; // ISO 639 code as the file tags it ("eng", "chi"), or empty
    QString title;    // the track's own title, or empty
    QString codec;    // FFmpeg's short codec name ("aac", "subrip", "ass", "hdmv_pgs_subtitle")
    bool isDefault = false;
    // Subtitles drawn from pictures (PGS, DVB, VobSub) rather than text.
    bool isBitmap = false;
    // A subtitle file beside the media file, or one loaded by the user; its
    // path. Empty for the file's own tracks.
    QString externalPath;
    // Plays (sound) or shows (subtitles) as the list is announced.
    bool selected = false;
};

using MediaTrackList = QVector<MediaTrack>;

Q_DECLARE_METATYPE(MediaTrack)
Q_DECLARE_METATYPE(MediaTrackList)
