#pragma once
// Text subtitles drawn on the CPU through libass: one ASS track (its script
// header and the events the decoder hands over) rendered into a transparent
// premultiplied ARGB image the size of the picture's area on screen, for the
// display to draw over the picture.
//
// Not thread-safe: one thread at a time uses an object. The constructor
// builds fontconfig's font list, which takes seconds on a machine without a
// font cache; the first Render() that needs a font loads it.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QtGlobal>

#include <memory>

struct ass_library;
struct ass_renderer;
struct ass_track;
struct ass_image;

class SubtitleRenderer
{
public:
    // Fonts through fontconfig with "sans-serif" for styles whose font is
    // missing; libass's messages below errors go to the debug level of
    // "vorel.display.subs". Starts with an empty track of libass's default
    // style. On a libass that fails to start, every call is a no-op and
    // Render() gives transparent images.
    SubtitleRenderer();
    ~SubtitleRenderer();

    SubtitleRenderer(const SubtitleRenderer&) = delete;
    SubtitleRenderer& operator=(const SubtitleRenderer&) = delete;

    // Starts a new track from an ASS script header (the text codecs'
    // AVCodecContext::subtitle_header); an empty header gives libass's
    // default style. Drops every event.
    void SetHeader(const QByteArray& assHeader);

    // Adds one event in the form FFmpeg's decoders give in
    // AVSubtitleRect::ass, "ReadOrder,Layer,Style,Name,MarginL,MarginR,
    // MarginV,Effect,Text" without the "Dialogue:" prefix, shown from startMs
    // for durationMs. An event whose ReadOrder the track already holds is
    // dropped, so events sent twice show once. Malformed events are dropped.
    void AddEvent(const QByteArray& assEvent, qint64 startMs, qint64 durationMs);

    // Drops every event and the ReadOrders seen; keeps the header and styles.
    void ClearEvents();

    // Draws the events due at timeMs into *image, made (or kept) of `size`
    // device pixels in QImage::Format_ARGB32_Premultiplied: the area the
    // picture takes on screen. Text sizes follow its height. `videoSize` is
    // the picture's display size, which sets the aspect of the script's
    // coordinates; empty means the same shape as `size`.
    // Returns true when *image was redrawn, false when nothing changed since
    // the last call and *image was left untouched. An image that is not the
    // one this object last drew (another image, or one changed since) is
    // redrawn whole. No event due gives a fully transparent image; an empty
    // `size` gives a null image.
    bool Render(qint64 timeMs, QSize size, QSize videoSize, QImage* image);
    // True when the image last drawn by Render shows nothing.
    bool IsBlank() const { return m_drawnArea.isEmpty(); }

    bool HasEvents() const;

private:
    struct LibraryDeleter {
        void operator()(ass_library* library) const;
    };
    struct RendererDeleter {
        void operator()(ass_renderer* renderer) const;
    };
    struct TrackDeleter {
        void operator()(ass_track* track) const;
    };

    // Sets libass's frame and storage sizes; true when either changed.
    bool Configure(QSize size, QSize videoSize);
    // Makes *image a `size` image of this object's; true when it had to be
    // made or cleared whole.
    bool PrepareImage(QSize size, QImage* image);
    void ClearDrawnArea(QImage* image);
    void Compose(const ass_image* images, QImage* image);

    // Declared in this order so that the track and the renderer go before
    // the library they came from.
    std::unique_ptr<ass_library, LibraryDeleter> m_library;
    std::unique_ptr<ass_renderer, RendererDeleter> m_renderer;
    std::unique_ptr<ass_track, TrackDeleter> m_track;

    QSize m_frameSize;
    QSize m_storageSize;
    // The union of what the last Compose() drew, cleared before the next.
    QRect m_drawnArea;
    // QImage::cacheKey() of the image after the last drawing: any other key
    // means an image this object does not know the content of.
    qint64 m_imageKey = 0;
    // A new track: draw at the next Render() whatever libass says.
    bool m_trackChanged = true;
};
