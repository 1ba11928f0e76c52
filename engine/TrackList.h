#pragma once
// The sound and subtitle tracks of an opened file, numbered as mpv numbers
// them (1-based per kind, in stream order), and the way back from a track's
// number to its stream. Subtitle files beside the media file follow the
// file's own subtitle tracks. Any thread; reads the format context only.

#include "FfmpegPtr.h"
#include "MediaTrack.h"

#include <QStringList>

namespace TrackList
{
MediaTrackList Describe(const AVFormatContext& format, const QStringList& subtitleFiles);
// The stream index of track `id` of `kind`, or -1 when the file has no such
// track (also for subtitle files, which are not streams of the file).
int StreamOf(const AVFormatContext& format, TrackKind kind, int id);
// The subtitle track shown when the user chose none: a file beside the
// media file in the preferred language, else one of the file's tracks in
// that language, else the first file beside it (put there to be shown),
// else the track the file marks as default; 0 for none. `language` is an
// ISO 639 code (either form, "en" or "eng") or empty.
int AutomaticSubtitle(const MediaTrackList& tracks, const QString& language);
// The sound track in `language` when there is one, else 0 (FFmpeg's best).
int AutomaticAudio(const MediaTrackList& tracks, const QString& language);
// The track of `kind` with number `id`, or null.
const MediaTrack* Find(const MediaTrackList& tracks, TrackKind kind, int id);
} // namespace TrackList
