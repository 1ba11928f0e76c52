#pragma once
// Clips and probes for the export tests, through the ffmpeg and ffprobe
// command-line tools.

#include <QImage>
#include <QString>
#include <QStringList>

#include <vector>

namespace ExportMedia
{

constexpr int kRunLimitMs = 180000;

struct Run {
    int exitCode = -1; // -1: crashed or timed out
    QString errorText;
};
Run RunTool(const QString& program, const QStringList& arguments);

// seconds of a fisheye view (v360 of a moving test pattern, a 480x480
// circle) at 25 pictures a second with a 440 Hz tone; audioCodec "aac" in
// MP4, "pcm_s16le" in Matroska (the container follows the suffix).
bool MakeFisheyeClip(const QString& path, int seconds, const QString& audioCodec);
// A still fisheye grid, 100 pictures (4 s), no sound.
bool MakeStillClip(const QString& path);

// One stream's value of an ffprobe field ("v:0" or "a:0"); empty when absent.
QString Probe(const QString& path, const QString& stream, const QString& field);
// Pictures counted by decoding.
int CountPictures(const QString& path);
// Picture number index of a video, upright RGB.
QImage PictureAt(const QString& path, int index);
// The sound decoded to mono 16-bit samples at 8 kHz.
std::vector<qint16> Samples(const QString& path);

} // namespace ExportMedia
