#pragma once
// The subtitles over the picture: the playing track's events, kept by a
// SubtitleLayer, drawn at paint time over the picture's area of the
// framebuffer, at the framebuffer's resolution (sharp, not scaled with the
// video). The texture is filled again only when what shows changed.
//
// Threads: GUI thread. Draw and ReleaseGL with the picture window's context
// current; the rest at any time, also before the context exists.

#include "SubtitleLayer.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <memory>

class QOpenGLTexture;
class QOpenGLTextureBlitter;

class SubtitleOverlay
{
public:
    SubtitleOverlay();
    ~SubtitleOverlay();

    SubtitleLayer& Layer() { return m_layer; }
    // Where the playback is, in media ms; subtitles are shown for it.
    void SetClock(std::function<qint64()> clockMs) { m_clockMs = std::move(clockMs); }
    void SetVisible(bool visible) { m_visible = visible; }
    bool IsVisible() const { return m_visible; }

    // Draws over `area` (device pixels, top-left origin) of the bound
    // framebuffer of `targetPixels`, for a picture of display size
    // `videoSize`.
    void Draw(const QRect& area, QSize videoSize, QSize targetPixels);
    // What Draw would show over an area of `pixels`, as an image (for a
    // screenshot); null when nothing shows.
    QImage Snapshot(QSize pixels, QSize videoSize);
    void ReleaseGL();

private:
    SubtitleLayer m_layer;
    std::function<qint64()> m_clockMs;
    bool m_visible = true;
    QImage m_image;
    std::unique_ptr<QOpenGLTextureBlitter> m_blitter;
    std::unique_ptr<QOpenGLTexture> m_texture;
};
