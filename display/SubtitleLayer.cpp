#include "SubtitleLayer.h"

#include <QPainter>

#include <algorithm>

void SubtitleLayer::Start(const SubtitleTrackStart& start)
{
    m_trackId = start.trackId;
    m_isBitmap = start.isBitmap;
    if (start.trackId && !start.isBitmap) {
        // libass and its fonts are loaded for the first text track only:
        // files without subtitles do not pay for them.
        if (!m_text)
            m_text = std::make_unique<SubtitleRenderer>();
        m_text->SetHeader(start.assHeader);
    } else if (m_text) {
        m_text->SetHeader(QByteArray());
    }
    m_textHeld.clear();
    m_nextReadOrder = 0;
    m_bitmapEvents.clear();
    m_shownStartMs = -1;
    m_imageCleared = false;
}

void SubtitleLayer::Add(const SubtitleEvent& event)
{
    if (!m_trackId)
        return;
    if (!m_isBitmap) {
        AddText(event);
        return;
    }
    BitmapEvent bitmap{event.startMs, event.endMs, event.bitmaps, event.canvas};
    const auto at = std::lower_bound(
        m_bitmapEvents.begin(), m_bitmapEvents.end(), event.startMs,
        [](const BitmapEvent& other, qint64 startMs) { return other.startMs < startMs; });
    if (at != m_bitmapEvents.end() && at->startMs == event.startMs)
        *at = std::move(bitmap); // sent again after a seek
    else
        m_bitmapEvents.insert(at, std::move(bitmap));
}

// "ReadOrder,Layer,Style,...": the text after the ReadOrder names the event.
void SubtitleLayer::AddText(const SubtitleEvent& event)
{
    const int comma = event.assEvent.indexOf(',');
    if (comma < 0)
        return;
    const QByteArray rest = event.assEvent.mid(comma);
    const QByteArray key =
        QByteArray::number(event.startMs) + '|' + QByteArray::number(event.endMs) + rest;
    if (m_textHeld.contains(key))
        return;
    m_textHeld.insert(key);
    const qint64 durationMs =
        event.endMs > event.startMs ? event.endMs - event.startMs : kOpenEndedTextMs;
    m_text->AddEvent(QByteArray::number(m_nextReadOrder++) + rest, event.startMs, durationMs);
}

bool SubtitleLayer::Render(qint64 timeMs, QSize pixels, QSize videoSize, QImage* image)
{
    if (pixels.isEmpty()) {
        const bool changed = !image->isNull();
        *image = QImage();
        return changed;
    }
    if (m_trackId && !m_isBitmap)
        return m_text->Render(timeMs, pixels, videoSize, image);
    return RenderBitmaps(timeMs, pixels, image);
}

bool SubtitleLayer::IsBlank() const
{
    if (m_trackId && !m_isBitmap)
        return m_text->IsBlank();
    return m_imageCleared;
}

// The picture track's event due at timeMs drawn scaled from its canvas;
// nothing when none is due (or there is no track).
bool SubtitleLayer::RenderBitmaps(qint64 timeMs, QSize pixels, QImage* image)
{
    DropPassedBitmaps(timeMs);
    const int due = m_trackId ? DueBitmapEvent(timeMs) : -1;
    const qint64 dueStartMs = due >= 0 ? m_bitmapEvents[due].startMs : -1;
    const bool sameImage = image->size() == pixels && m_shownPixels == pixels;
    if (sameImage && dueStartMs == m_shownStartMs && (due >= 0 || m_imageCleared))
        return false;
    if (image->size() != pixels || image->format() != QImage::Format_ARGB32_Premultiplied)
        *image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    image->fill(Qt::transparent);
    m_shownStartMs = dueStartMs;
    m_shownPixels = pixels;
    m_imageCleared = due < 0;
    if (due < 0)
        return true;
    const BitmapEvent& event = m_bitmapEvents[due];
    const QSize canvas = event.canvas.isEmpty() ? pixels : event.canvas;
    QPainter painter(image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(double(pixels.width()) / canvas.width(), double(pixels.height()) / canvas.height());
    for (const SubtitleBitmap& bitmap : event.bitmaps)
        painter.drawImage(bitmap.rect, bitmap.image);
    return true;
}

int SubtitleLayer::DueBitmapEvent(qint64 timeMs) const
{
    for (int i = static_cast<int>(m_bitmapEvents.size()) - 1; i >= 0; --i) {
        const BitmapEvent& event = m_bitmapEvents[i];
        if (event.startMs > timeMs)
            continue;
        const bool open = event.endMs < 0;
        const bool due = open ? true : timeMs < event.endMs;
        return due && !event.bitmaps.isEmpty() ? i : -1;
    }
    return -1;
}

// Events that ended (or were followed by a later one) over a second ago.
void SubtitleLayer::DropPassedBitmaps(qint64 timeMs)
{
    constexpr qint64 kKeepMs = 1000;
    while (m_bitmapEvents.size() > 1) {
        const BitmapEvent& first = m_bitmapEvents.front();
        const qint64 endMs = first.endMs >= 0 ? first.endMs : m_bitmapEvents[1].startMs;
        if (endMs + kKeepMs > timeMs || m_bitmapEvents[1].startMs > timeMs)
            break;
        m_bitmapEvents.pop_front();
    }
}
