#pragma once

#include "FisheyeLens.h"
#include "GLYuvWindow.h"
#include "PanoMode.h"
#include "PanoRenderer.h"
#include "PictureFormat.h"
#include "PictureGeometry.h"
#include "SubtitleOverlay.h"

#include <QByteArray>
#include <QImage>
#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class OverlayLayer;
class PlainPicturePass;
class PaintArea;
class PanoRenderer;
class QOpenGLTexture;
class ShaderProgram;

// The OpenGL view on which every decoded picture is shown. It takes YUV420P
// pictures as byte arrays with their sizes, uploads the planes as textures
// and draws them: the plain and zoomed picture with a pass of its own
// (PlainPicturePass), the dewarped views with the shared shader program.
//
// Displays (see DisplayState):
//   Plain     - the picture upright at its display aspect, centred with black
//               bars, or stretched over the view (SetScale(false)); drawn in
//               the colours its format describes (SetPictureFormat);
//   Zoomed    - EnablePano: the fisheye circle enlarged to fill the view, with
//               an optional black mask outside it and guide lines;
//   Dewarped  - EnablePanoHY: the interactive dewarped display driven by the
//               render core (PanoRenderer), repainted by a 20 ms timer that
//               stops itself once the display is left; the left button, the
//               double click and the wheel steer the dewarp models.
// DrawCircle outlines the circle over the plain display. The PaintArea overlay
// is created on first need and lies over the whole view.
//
// The picture is drawn into a native child window (GLYuvWindow) that lies
// over the whole widget, through that window's own GL context; the widget
// keeps the state, takes the window's input and answers for it. The overlay
// is drawn over the picture in the same pass (OverlayLayer), so a grab of the
// framebuffer and the screen show the same.
//
// Threads: GUI thread only. Slots are called from GUI-thread objects; paint,
// timer and input come from the event loop. The picture is shared with the
// caller by implicit sharing and only ever read here (constData), so it is
// never copied on this side.
class GLYuvWidget : public QWidget, protected QOpenGLFunctions, private GLSurfaceClient
{
    Q_OBJECT

public:
    enum class DisplayState { Plain, Zoomed, Dewarped };

    explicit GLYuvWidget(QWidget* parent = nullptr);
    ~GLYuvWidget() override;

    DisplayState State() const;
    // The shader program; null before the GL initialisation.
    ShaderProgram* Program() const { return program; }
    // The render core of the dewarped display; null before the GL
    // initialisation.
    PanoRenderer* Renderer() const { return renderer.get(); }
    PictureFormat Format() const { return m_format; }
    // The picture shown (shared, not copied) and its stored size (either
    // pointer may be null); empty when the view is black.
    QByteArray Picture(int* width, int* height) const
    {
        if (width) {
            *width = frameWidth;
        }
        if (height) {
            *height = frameHeight;
        }
        return frame;
    }
    bool KeepsAspect() const { return keepAspect; }
    // Where the plain display draws the picture, in widget pixels.
    QRect PictureRect() const;

    // What the view shows, rendered offscreen: the plain picture upright at
    // its own resolution and display aspect; a zoom or dewarped layout at the
    // view's size in device pixels. Null without a picture or GL context.
    // Renders on the calling (GUI) thread: the screenshot of a plain picture
    // is better converted off it (ScreenshotWriter), as the main window does.
    QImage GrabView();

    // The picture window's GL context; null before its first paint.
    QOpenGLContext* context() const;
    void makeCurrent();
    void doneCurrent();
    // The display as drawn on screen, overlay included, in device pixels;
    // rendered offscreen on the calling (GUI) thread. Null before the first
    // paint.
    QImage grabFramebuffer();
    // The subtitles drawn over the picture (their track, clock and
    // visibility); a change shows with the next paint.
    SubtitleOverlay& Subtitles() { return m_subtitles; }
    // Schedules one paint of the picture window.
    void RequestPaint();
    // A paint is on its way to the screen (swapped off the GUI thread), or
    // waits for the one before it; frameSwapped follows each.
    bool IsPainting() const;
    // The pointer's shape over the picture (the window beneath it does not
    // inherit the widget's).
    void SetPointerShape(const QCursor& cursor);

signals:
    void sigEnter();
    void sigLeave();
    // A paint reached the screen.
    void frameSwapped();

public slots:
    void SetDisplay(QByteArray frameBuffer, int width, int height);
    // The colour description, turn and sample aspect of the pictures that
    // follow (and of the one shown, which is redrawn).
    void SetPictureFormat(PictureFormat format);
    void ClearDisplay();
    bool DrawCircle(int panoX, int panoY, int panoR, PanoMode mode = kPanoModeCeiling,
                    bool reverse = false, bool assistLine = false);
    bool SetDebugText(bool enable, QString text = QString());
    bool ClearDraw();
    void SetScale(bool enable = true);
    void EnablePano(PanoMode mode, int panoX, int panoY, int panoR, bool reverse = false,
                    bool assistLine = false);
    void EnablePanoHY(PanoMode mode, int panoX, int panoY, int panoR);
    void DisablePano();
    // Chooses the layout of the dewarped display (ViewLayout::ViewMode, 0 to
    // 13); a wall mount offers 0, 1, 4, 5 and 13 only. Kept for a render core
    // created later.
    void SelectViewMode(int viewMode);
    // The lens of the fisheye picture for the dewarped display (default:
    // equidistant, 180 degrees); a different one is redrawn at once. Kept for
    // a render core created later.
    void SetLens(FisheyeLens lens);
    // The slow automatic rotation of the dewarped panorama and perspective
    // views; steering a view by hand stops it there.
    void SetCruise(bool on);
    // Keyboard steering of the dewarped display (PanoRenderer::StepByKey);
    // nothing outside it.
    void StepByKey(PanoRenderer::KeyStep step);
    void SelectNextView();

public:
    bool IsCruising() const { return renderer && panoInteractive && renderer->IsCruising(); }
    // The dewarped layout shown has a view that can cruise.
    bool CanCruise() const { return renderer && panoInteractive && renderer->CanCruise(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    static int WheelDelta(const QWheelEvent& event);
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void InitializeSurface() override;
    void PaintSurface() override;
    void ReleaseGL();
    void PaintPicture();
    void CreateTextures();
    void CreateRenderer();
    // Gives the render core the dewarped display's circle and a picture
    // already shown.
    void FeedRenderer();
    PaintArea* EnsureOverlay();
    void ResetOverlayDrawing();
    void PlaceZoomCircle();
    PictureGeometry Geometry() const;
    QRect PlainViewport(QSize view) const;
    // In `view` pixels; the overlay's guide lines follow when `placeOverlay`.
    enum class OverlayUpdate { Place, Leave };
    bool ZoomViewport(QSize view, OverlayUpdate overlayUpdate, QRect* viewport);
    enum class Orientation { Upright, Stored };
    void BindQuadAttributes(ShaderProgram* target, Orientation orientation);
    bool PictureIsComplete() const;
    void InvalidatePlanes();
    void PreparePlanes();
    void PreparePlainPlanes();
    void PrepareLuma();
    void PreparePlane(GLuint textureId, GLenum unit, const char* data, int width, int height,
                      int planeIndex);
    void ApplyColor();
    void DrawPicture(const QRect& viewport, qreal pixelRatio, Orientation orientation);
    void PaintDewarped(qreal pixelRatio);
    // Draws the current display into the bound framebuffer of `size` pixels.
    void RenderOffscreen(QSize size);
    int MirroredX() const;
    int MirroredY() const;

    bool vboReady = false;
    bool keepAspect = true;
    bool panoOn = false;
    bool panoInteractive = false;
    PanoMode mode = kPanoModeCeiling;
    bool reverse = false;
    PaintArea* overlay = nullptr;
    // The native window the picture is drawn into and its container, which
    // lies over the whole widget (children, owned through Qt).
    GLYuvWindow* m_window = nullptr;
    QWidget* m_container = nullptr;
    // Draws the overlay over the picture; made with the GL objects.
    std::unique_ptr<OverlayLayer> m_overlayLayer;
    SubtitleOverlay m_subtitles;
    int panoX = 0;
    int panoY = 0;
    int panoR = 0;
    bool assistLine = false;
    ShaderProgram* program = nullptr;
    QOpenGLBuffer quadBuffer;
    std::unique_ptr<QOpenGLTexture> textureY;
    std::unique_ptr<QOpenGLTexture> textureU;
    std::unique_ptr<QOpenGLTexture> textureV;
    GLuint textureIdY = 0;
    GLuint textureIdU = 0;
    GLuint textureIdV = 0;
    QByteArray frame;
    int frameWidth = 0;
    int frameHeight = 0;
    // Render core of the dewarped display, created at the GL initialisation
    // (with the dewarp models) and destroyed with the GL objects.
    std::unique_ptr<PanoRenderer> renderer;
    int timerId = 0;
    int lastX = 0;
    int lastY = 0;

    // Size of each plane's current texture image (Y, U, V), so that a picture
    // of unchanged size updates the image in place instead of re-specifying it.
    int m_planeWidths[3] = {0, 0, 0};
    int m_planeHeights[3] = {0, 0, 0};
    // Formats of the plane textures, chosen at the GL initialisation.
    GLint m_planeInternalFormat = GL_LUMINANCE;
    GLenum m_planeFormat = GL_LUMINANCE;
    // The textures hold the current picture: the luma and chroma planes the
    // dewarped views read, the plain pass's own. Cleared by every new
    // picture; each is filled when first drawn with.
    bool m_lumaCurrent = false;
    bool m_chromaPlanesCurrent = false;
    bool m_plainCurrent = false;
    // Draws the plain and zoomed picture; made with the GL objects.
    std::unique_ptr<PlainPicturePass> m_plainPass;
    // Layout chosen through SelectViewMode, -1 for none.
    int m_viewMode = -1;
    FisheyeLens m_lens;
    PictureFormat m_format;
    // The program converts with m_format's colours.
    bool m_colorCurrent = false;
    // Texture coordinates the quad buffer (or client array) holds.
    std::array<GLfloat, 8> m_quadTexCoords{};
};
