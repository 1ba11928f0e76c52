#pragma once
// Subtitle files that belong to a video by their names: in the video's
// folder, named after the video's file name without its last suffix (the
// base name, compared case-sensitively), with a subtitle suffix in any case:
//   clip.srt, clip.ASS, clip.ssa, clip.vtt          for clip.mkv
//   clip.mkv.srt (after the whole file name)
//   clip.en.srt, clip.zh-CN.ass (one dotted part naming the language)
//
// Reads the folder's listing; any thread.

#include <QString>
#include <QStringList>

namespace ExternalSubtitles
{

// Absolute paths of the subtitle files beside `videoPath`: those named
// exactly after the video first, then those with a language part, each group
// ordered by file name. Never the video itself; empty when the folder cannot
// be read.
QStringList Find(const QString& videoPath);

// The language part of a subtitle file's name for this video ("en" for
// clip.en.srt beside clip.mkv); empty for clip.srt and for names that do not
// belong to the video.
QString LanguageOf(const QString& subtitlePath, const QString& videoPath);

} // namespace ExternalSubtitles
