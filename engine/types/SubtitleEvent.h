#pragma once
// One subtitle as the engine decodes it, to be shown from startMs to endMs
// of media time. Text subtitles come as one ASS event line (FFmpeg's form:
// "ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text"), drawn
// with the track's ASS header; picture subtitles as bitmaps placed on a
// canvas of the subtitle's own size. Plain value type, any thread.

#include <QByteArray>
#include <QImage>
#include <QMetaType>
#include <QRect>
#include <QSize>
#include <QVector>

struct SubtitleBitmap {
    QImage image; // premultiplied ARGB32
    QRect rect;   // where it lies on the canvas, in canvas pixels
};

struct SubtitleEvent {
    qint64 startMs = 0;
    // -1 while unknown: the event lasts until the next one starts.
    qint64 endMs = -1;
    QByteArray assEvent;
    QVector<SubtitleBitmap> bitmaps;
    QSize canvas; // the picture subtitles' canvas; empty for text
};

// What a subtitle track needs before its events: the ASS script header of a
// text track (styles, play resolution), or nothing for a picture track.
struct SubtitleTrackStart {
    int trackId = 0; // 0: subtitles are off
    bool isBitmap = false;
    QByteArray assHeader;
};

Q_DECLARE_METATYPE(SubtitleEvent)
Q_DECLARE_METATYPE(SubtitleTrackStart)
