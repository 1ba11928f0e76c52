#pragma once
// Decodes the packets of one subtitle stream into SubtitleEvents: text
// subtitles (SubRip, ASS/SSA, WebVTT, MP4 timed text) as ASS event lines with
// the track's ASS header, picture subtitles (PGS, DVB, VobSub) as bitmaps on
// their canvas. Subtitles are small and rare, so the reading thread decodes
// them as it reads them.
//
// Threads: one thread at a time (the reading thread of a playback, or the
// one reading a subtitle file).

#include "FfmpegPtr.h"
#include "SubtitleEvent.h"

#include <QByteArray>
#include <QSize>

class SubtitleDecoder
{
public:
    // Opens the decoder for `stream`. `charset` names the character set of a
    // text track's bytes when it is not UTF-8 (FFmpeg converts through
    // iconv). `videoSize` is the canvas of picture subtitles whose stream
    // does not give one. False when FFmpeg has no decoder for the stream.
    bool Open(const AVStream& stream, const QByteArray& charset, QSize videoSize);
    void Close();
    bool IsOpen() const { return m_ctx != nullptr; }
    bool IsBitmap() const { return m_bitmap; }
    // The ASS script header of a text track (FFmpeg's subtitle_header);
    // empty for picture tracks.
    QByteArray AssHeader() const;
    // Decodes one packet whose time is `packetMs` (ms from the file's
    // start). True with `event` filled when the packet made a subtitle; a
    // picture track's empty subtitle (the end of the one before) comes as
    // an event without bitmaps. A damaged packet is skipped.
    bool Decode(AVPacket* packet, qint64 packetMs, SubtitleEvent* event);
    // After a seek: forgets what the decoder held.
    void Flush();

private:
    static SubtitleBitmap BitmapOf(const AVSubtitleRect& rect);

    ffmpeg::CodecContextPtr m_ctx;
    bool m_bitmap = false;
    QSize m_canvas;
};
