#include "SubtitleRenderer.h"

#include <QLoggingCategory>

#include <ass/ass.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{

// libass's messages; only its errors show unless debug output is enabled.
Q_LOGGING_CATEGORY(lcDisplaySubs, "vorel.display.subs", QtWarningMsg)

// libass levels: 0 fatal, 1 error, 2 warning, 4 information, 5..7 verbose.
constexpr int kAssErrorLevel = 1;
constexpr const char* kDefaultFontFamily = "sans-serif";
constexpr double kFontScale = 1.0;

void ForwardAssMessage(int level, const char* format, va_list args, void*)
{
    const bool error = level <= kAssErrorLevel;
    if (!error && !lcDisplaySubs().isDebugEnabled())
        return;
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0)
        return;
    // QByteArray keeps room for the terminating NUL vsnprintf writes.
    QByteArray text(length, Qt::Uninitialized);
    std::vsnprintf(text.data(), static_cast<size_t>(length) + 1, format, args);
    if (error)
        qCWarning(lcDisplaySubs, "libass: %s", text.constData());
    else
        qCDebug(lcDisplaySubs, "libass: %s", text.constData());
}

// x / 255 rounded to nearest, exact for x in 0..255 * 255.
inline uint32_t Div255(uint32_t x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// One of libass's images over the premultiplied ARGB pixels `bits` (bytesPerLine
// apart), clipped to `bounds`; returns the pixels it covered.
QRect BlendImage(const ASS_Image& part, uchar* bits, qsizetype bytesPerLine, const QRect& bounds)
{
    const QRect area = QRect(part.dst_x, part.dst_y, part.w, part.h) & bounds;
    if (area.isEmpty())
        return QRect();
    // 0xRRGGBBAA with AA the transparency.
    const uint32_t opacity = 255 - (part.color & 0xFF);
    if (opacity == 0)
        return QRect();
    const uint32_t red = part.color >> 24;
    const uint32_t green = (part.color >> 16) & 0xFF;
    const uint32_t blue = (part.color >> 8) & 0xFF;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* mask = part.bitmap + static_cast<qsizetype>(y - part.dst_y) * part.stride +
                            (area.left() - part.dst_x);
        auto* out = reinterpret_cast<QRgb*>(bits + y * bytesPerLine) + area.left();
        for (int x = 0; x < area.width(); ++x) {
            const uint32_t alpha = Div255(mask[x] * opacity);
            if (alpha == 0)
                continue;
            const uint32_t keep = 255 - alpha;
            const QRgb under = out[x];
            out[x] = ((alpha + Div255(qAlpha(under) * keep)) << 24) |
                     ((Div255(red * alpha) + Div255(qRed(under) * keep)) << 16) |
                     ((Div255(green * alpha) + Div255(qGreen(under) * keep)) << 8) |
                     (Div255(blue * alpha) + Div255(qBlue(under) * keep));
        }
    }
    return area;
}

} // namespace

void SubtitleRenderer::LibraryDeleter::operator()(ass_library* library) const
{
    ass_library_done(library);
}

void SubtitleRenderer::RendererDeleter::operator()(ass_renderer* renderer) const
{
    ass_renderer_done(renderer);
}

void SubtitleRenderer::TrackDeleter::operator()(ass_track* track) const
{
    ass_free_track(track);
}

SubtitleRenderer::SubtitleRenderer() : m_library(ass_library_init())
{
    if (!m_library) {
        qCWarning(lcDisplaySubs, "libass did not start: no subtitles are drawn");
        return;
    }
    ass_set_message_cb(m_library.get(), ForwardAssMessage, nullptr);
    m_renderer.reset(ass_renderer_init(m_library.get()));
    if (!m_renderer) {
        qCWarning(lcDisplaySubs, "libass's renderer did not start: no subtitles are drawn");
        return;
    }
    ass_set_fonts(m_renderer.get(), nullptr, kDefaultFontFamily, ASS_FONTPROVIDER_AUTODETECT,
                  nullptr, 1);
    ass_set_font_scale(m_renderer.get(), kFontScale);
    SetHeader(QByteArray());
}

SubtitleRenderer::~SubtitleRenderer() = default;

void SubtitleRenderer::SetHeader(const QByteArray& assHeader)
{
    m_trackChanged = true;
    m_track.reset();
    if (!m_renderer)
        return;
    m_track.reset(ass_new_track(m_library.get()));
    if (!m_track) {
        qCWarning(lcDisplaySubs, "libass could not make a track: no subtitles are drawn");
        return;
    }
    // libass reads from a writable buffer; the copy keeps the caller's intact.
    QByteArray header = assHeader;
    ass_process_codec_private(m_track.get(), header.data(), header.size());
}

void SubtitleRenderer::AddEvent(const QByteArray& assEvent, qint64 startMs, qint64 durationMs)
{
    if (!m_track || assEvent.isEmpty())
        return;
    QByteArray event = assEvent;
    ass_process_chunk(m_track.get(), event.data(), event.size(), startMs, durationMs);
}

void SubtitleRenderer::ClearEvents()
{
    if (m_track)
        ass_flush_events(m_track.get());
}

bool SubtitleRenderer::HasEvents() const
{
    return m_track && m_track->n_events > 0;
}

bool SubtitleRenderer::Render(qint64 timeMs, QSize size, QSize videoSize, QImage* image)
{
    if (size.isEmpty()) {
        const bool hadImage = !image->isNull();
        *image = QImage();
        m_imageKey = 0;
        return hadImage;
    }
    bool redraw = PrepareImage(size, image);
    if (m_renderer && Configure(size, videoSize))
        redraw = true;
    if (m_trackChanged)
        redraw = true;
    m_trackChanged = false;
    int change = 0;
    const ASS_Image* images =
        m_track ? ass_render_frame(m_renderer.get(), m_track.get(), timeMs, &change) : nullptr;
    // libass reports a change on every frame of a track without events;
    // nothing over nothing is no change.
    const bool stillBlank = !images && m_drawnArea.isEmpty();
    if (!redraw && (change == 0 || stillBlank))
        return false;
    ClearDrawnArea(image);
    Compose(images, image);
    m_imageKey = image->cacheKey();
    return true;
}

bool SubtitleRenderer::Configure(QSize size, QSize videoSize)
{
    const QSize storage = videoSize.isEmpty() ? size : videoSize;
    if (size == m_frameSize && storage == m_storageSize)
        return false;
    ass_set_frame_size(m_renderer.get(), size.width(), size.height());
    ass_set_storage_size(m_renderer.get(), storage.width(), storage.height());
    m_frameSize = size;
    m_storageSize = storage;
    return true;
}

bool SubtitleRenderer::PrepareImage(QSize size, QImage* image)
{
    const bool reusable = image->size() == size &&
                          image->format() == QImage::Format_ARGB32_Premultiplied &&
                          image->cacheKey() == m_imageKey;
    if (reusable)
        return false;
    if (image->size() != size || image->format() != QImage::Format_ARGB32_Premultiplied)
        *image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    image->fill(Qt::transparent);
    m_drawnArea = QRect();
    return true;
}

void SubtitleRenderer::ClearDrawnArea(QImage* image)
{
    const QRect area = m_drawnArea & image->rect();
    m_drawnArea = QRect();
    if (area.isEmpty())
        return;
    uchar* bits = image->bits();
    const qsizetype bytesPerLine = image->bytesPerLine();
    const size_t rowBytes = static_cast<size_t>(area.width()) * sizeof(QRgb);
    for (int y = area.top(); y <= area.bottom(); ++y)
        std::memset(bits + y * bytesPerLine + area.left() * sizeof(QRgb), 0, rowBytes);
}

void SubtitleRenderer::Compose(const ass_image* images, QImage* image)
{
    uchar* bits = image->bits();
    const qsizetype bytesPerLine = image->bytesPerLine();
    const QRect bounds = image->rect();
    for (const ASS_Image* part = images; part; part = part->next)
        m_drawnArea |= BlendImage(*part, bits, bytesPerLine, bounds);
}
