#pragma once
// What the subtitles of the playing file show at a moment, composed into
// one premultiplied image the size of the picture's area on screen: a text
// track drawn by libass (SubtitleRenderer) at that size, so it stays sharp
// however the picture is scaled, or a picture track's bitmaps scaled from
// their canvas to it, at their place.
//
// Events arrive well ahead of their time (the engine reads ahead), and again
// after a seek, when the engine reads that part of the file once more: an
// event already held (same times and text, or a picture subtitle with the
// same start) is kept once, so text read before a seek still shows after a
// seek back. Bitmaps whose time has passed are let go as the time moves on,
// so a long film's picture subtitles do not pile up.
//
// Threads: GUI thread only.

#include "SubtitleEvent.h"
#include "SubtitleRenderer.h"

#include <QImage>
#include <QSet>

#include <deque>
#include <memory>

class SubtitleLayer
{
public:
    // Text without an end lasts this long at most.
    static constexpr qint64 kOpenEndedTextMs = 5000;

    // A new track (trackId 0: none); every event before is dropped.
    void Start(const SubtitleTrackStart& start);
    void Add(const SubtitleEvent& event);
    bool HasTrack() const { return m_trackId != 0; }

    // Draws what is due at timeMs into *image (made or kept at `pixels`,
    // QImage::Format_ARGB32_Premultiplied, transparent where nothing shows)
    // for a picture whose display size is `videoSize`. True when *image
    // changed since the last call.
    bool Render(qint64 timeMs, QSize pixels, QSize videoSize, QImage* image);
    // True when the image last drawn by Render is fully transparent.
    bool IsBlank() const;

private:
    struct BitmapEvent {
        qint64 startMs = 0;
        qint64 endMs = -1; // -1: until the next one starts
        QVector<SubtitleBitmap> bitmaps;
        QSize canvas;
    };

    void AddText(const SubtitleEvent& event);
    bool RenderBitmaps(qint64 timeMs, QSize pixels, QImage* image);
    int DueBitmapEvent(qint64 timeMs) const;
    void DropPassedBitmaps(qint64 timeMs);

    std::unique_ptr<SubtitleRenderer> m_text; // made for the first text track
    // Text events held, by times and text; each goes to libass under a
    // ReadOrder of its own (decoders number them again after a seek).
    QSet<QByteArray> m_textHeld;
    int m_nextReadOrder = 0;
    std::deque<BitmapEvent> m_bitmapEvents; // by start time
    int m_trackId = 0;
    bool m_isBitmap = false;
    // What the image shows of a picture track: the event and the size.
    qint64 m_shownStartMs = -1;
    QSize m_shownPixels;
    bool m_imageCleared = false;
};
