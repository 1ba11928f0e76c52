#include "GLYuvWidget.h"

#include "OverlayLayer.h"
#include "PaintArea.h"
#include "PanoRenderer.h"
#include "PictureOverlay.h"
#include "PlainPicturePass.h"
#include "PlaneTextureFormat.h"
#include "ShaderProgram.h"
#include "Yuv420Layout.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLTexture>
#include <QPainter>
#include <QResizeEvent>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace
{

// The quad: four positions, then four texture coordinates; drawn as a
// triangle fan it maps the picture's first row to the top of the viewport.
const GLfloat kQuadVertices[16] = {
    -1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f, 1.0f, -1.0f,
    0.0f,  1.0f,  0.0f,  0.0f, 1.0f, 0.0f, 1.0f, 1.0f,
};
const std::array<GLfloat, 8> kStoredTexCoords = {0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f};
constexpr int kQuadTexCoordOffsetBytes = 8 * sizeof(GLfloat);
constexpr int kQuadVertexCount = 4;
constexpr int kDewarpRepaintIntervalMs = 20;

enum PlaneIndex { kPlaneY = 0, kPlaneU = 1, kPlaneV = 2 };

// Truncates toward zero like a float-to-int conversion, but keeps values that
// do not fit an int (an extreme zoom) inside its range instead of overflowing.
int Trunc(float value)
{
    constexpr float kLimit = static_cast<float>(std::numeric_limits<int>::max() / 2);
    if (!(value == value)) {
        return 0;
    }
    return static_cast<int>(std::max(-kLimit, std::min(kLimit, value)));
}

} // namespace

GLYuvWidget::GLYuvWidget(QWidget* parent) : QWidget(parent), quadBuffer(QOpenGLBuffer::VertexBuffer)
{
    qRegisterMetaType<PanoMode>("PanoMode");
    setAttribute(Qt::WA_DeleteOnClose);
    PictureOverlay::KeepRelativesPlain();
    m_window = new GLYuvWindow(this, this);
    m_container = QWidget::createWindowContainer(m_window, this);
    m_container->setFocusPolicy(Qt::NoFocus);
    // The container shows its window: the window's depth is chosen first.
    m_container->installEventFilter(this);
    m_container->setGeometry(rect());
    connect(m_window, &GLYuvWindow::sigSwapped, this, &GLYuvWidget::frameSwapped);
}

GLYuvWidget::~GLYuvWidget()
{
    ReleaseGL();
    // The picture window, a child, destroys the context after this object's
    // part is gone; its aboutToBeDestroyed must not call back into it then.
    if (context()) {
        disconnect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &GLYuvWidget::ReleaseGL);
    }
}

bool GLYuvWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_container && event->type() == QEvent::Show) {
        m_window->MatchTopLevel(*window());
    }
    return QWidget::eventFilter(watched, event);
}

GLYuvWidget::DisplayState GLYuvWidget::State() const
{
    if (!panoOn) {
        return DisplayState::Plain;
    }
    return panoInteractive ? DisplayState::Dewarped : DisplayState::Zoomed;
}

void GLYuvWidget::InitializeSurface()
{
    initializeOpenGLFunctions();
    // The context goes away when the widget moves to another window; the GL
    // objects go with it and are made again by the next initializeGL.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &GLYuvWidget::ReleaseGL,
            Qt::UniqueConnection);

    program = new ShaderProgram(this);
    program->Build();
    m_plainPass = std::make_unique<PlainPicturePass>();
    m_plainPass->Create();
    m_colorCurrent = false;
    m_quadTexCoords = kStoredTexCoords;
    CreateTextures();
    CreateRenderer();
    m_overlayLayer = std::make_unique<OverlayLayer>();
    vboReady = quadBuffer.create();
    if (vboReady) {
        quadBuffer.bind();
        quadBuffer.allocate(kQuadVertices, sizeof(kQuadVertices));
        quadBuffer.release();
        renderer->SetUseBuffers(true);
    }
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

// After the program and the textures it draws with.
void GLYuvWidget::CreateRenderer()
{
    renderer = std::make_unique<PanoRenderer>(program, textureIdY, textureIdU, textureIdV);
    renderer->InitModels();
    renderer->InitGLFunctions();
    renderer->SelectMode(1);
    renderer->SelectMode(0);
    renderer->SetViewportSize(width(), height());
    renderer->SetLens(m_lens);
    // A render core made again (the context was replaced) takes up the
    // display where the last one left it.
    if (panoInteractive) {
        FeedRenderer();
    }
    if (m_viewMode >= 0) {
        renderer->SelectMode(m_viewMode);
    }
}

void GLYuvWidget::FeedRenderer()
{
    renderer->SetCircle(mode, static_cast<float>(panoX), static_cast<float>(panoY),
                        static_cast<float>(panoR));
    if (!frame.isEmpty() && frameWidth > 0 && frameHeight > 0) {
        renderer->SetPictureSize(frameWidth, frameHeight);
    }
}

void GLYuvWidget::CreateTextures()
{
    // The shader reads the red channel, which every one-channel format fills.
    const PlaneTextureFormat plane =
        PlaneTextureFormat::For(context(), PlaneTextureFormat::Samples::One);
    m_planeInternalFormat = plane.internalFormat;
    m_planeFormat = plane.format;
    std::unique_ptr<QOpenGLTexture>* textures[3] = {&textureY, &textureU, &textureV};
    GLuint* ids[3] = {&textureIdY, &textureIdU, &textureIdV};
    for (int plane = 0; plane < 3; ++plane) {
        auto texture = std::make_unique<QOpenGLTexture>(QOpenGLTexture::Target2D);
        texture->create();
        const GLuint id = texture->textureId();
        glBindTexture(GL_TEXTURE_2D, id);
        glHint(GL_GENERATE_MIPMAP_HINT, GL_NICEST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        *textures[plane] = std::move(texture);
        *ids[plane] = id;
        m_planeWidths[plane] = 0;
        m_planeHeights[plane] = 0;
    }
    InvalidatePlanes();
    glBindTexture(GL_TEXTURE_2D, 0);
}

void GLYuvWidget::ReleaseGL()
{
    if (!program && !quadBuffer.isCreated() && !textureY && !renderer && !m_plainPass) {
        return;
    }
    makeCurrent();
    renderer.reset();
    if (quadBuffer.isCreated()) {
        quadBuffer.destroy();
    }
    vboReady = false;
    textureY.reset();
    textureU.reset();
    textureV.reset();
    textureIdY = textureIdU = textureIdV = 0;
    m_overlayLayer.reset();
    m_plainPass.reset();
    m_subtitles.ReleaseGL();
    delete program;
    program = nullptr;
    doneCurrent();
}

void GLYuvWidget::PaintPicture()
{
    if (frame.isEmpty() || !program || !program->isLinked()) {
        return;
    }
    if (panoOn && panoInteractive) {
        PaintDewarped(devicePixelRatioF());
        return;
    }
    QRect viewport;
    if (panoOn && ZoomViewport(size(), OverlayUpdate::Place, &viewport)) {
        DrawPicture(viewport, devicePixelRatioF(), Orientation::Stored);
        return;
    }
    DrawPicture(PlainViewport(size()), devicePixelRatioF(), Orientation::Upright);
}

PictureGeometry GLYuvWidget::Geometry() const
{
    return PictureGeometry(frameWidth, frameHeight, m_format);
}

QRect GLYuvWidget::PlainViewport(QSize view) const
{
    return Geometry().Viewport(view, keepAspect ? AspectMode::Keep : AspectMode::Stretch);
}

QRect GLYuvWidget::PictureRect() const
{
    return PlainViewport(size());
}

// The zoom works on the stored picture's own pixels: a fisheye circle is
// found and given in them, whatever the stream's turn or sample shape.
bool GLYuvWidget::ZoomViewport(QSize view, OverlayUpdate overlayUpdate, QRect* viewport)
{
    const float viewW = static_cast<float>(view.width());
    const float viewH = static_cast<float>(view.height());
    const float w = static_cast<float>(frameWidth);
    const float h = static_cast<float>(frameHeight);
    const float cx = static_cast<float>(MirroredX());
    const float cy = static_cast<float>(MirroredY());
    const float diameter = 2.0f * static_cast<float>(panoR);
    const float extent = (mode == kPanoModeCeiling) ? diameter : 2.0f * std::max(cy, h - cy);
    // A circle without size cannot be enlarged; the plain display stands in.
    if (diameter <= 0.0f || extent <= 0.0f || w <= 0.0f || h <= 0.0f) {
        return false;
    }
    float vw = 0.0f;
    float vh = 0.0f;
    if (viewW / viewH > diameter / extent) {
        vh = viewH * h / extent;
        vw = w * vh / h;
    } else {
        vw = viewW * w / diameter;
        vh = h * vw / w;
    }
    const float x = (viewW - vw) * 0.5f - (cx - w * 0.5f) * vw / w;
    // y counts from the bottom: a centre below the middle moves the picture up.
    const float y = (cy - h * 0.5f) * vh / h + (viewH - vh) * 0.5f;
    if (assistLine && overlay && overlayUpdate == OverlayUpdate::Place) {
        const int bottom = (mode == kPanoModeCeiling) ? Trunc(y) + Trunc(vh) - 1
                                                      : Trunc(y) + Trunc(viewH - 2.0f * y) - 1;
        const QRect imageRect(QPoint(Trunc(x), Trunc(y)), QPoint(Trunc(x) + Trunc(vw) - 1, bottom));
        // Painted every picture: only a change repaints the overlay.
        if (overlay->ImageRect() != imageRect) {
            overlay->SetImageRect(imageRect);
        }
    }
    *viewport = QRect(Trunc(x), Trunc(y), Trunc(vw), Trunc(vh));
    return true;
}

void GLYuvWidget::BindQuadAttributes(ShaderProgram* target, Orientation orientation)
{
    const std::array<GLfloat, 8> texCoords =
        orientation == Orientation::Upright ? Geometry().QuadTexCoords() : kStoredTexCoords;
    const bool changed = texCoords != m_quadTexCoords;
    m_quadTexCoords = texCoords;
    target->enableAttributeArray(ShaderProgram::kVertexIn);
    target->enableAttributeArray(ShaderProgram::kTextureIn);
    if (vboReady) {
        quadBuffer.bind();
        // Rewritten only when the turn changes, not per picture.
        if (changed) {
            quadBuffer.write(kQuadTexCoordOffsetBytes, m_quadTexCoords.data(),
                             static_cast<int>(sizeof(GLfloat) * m_quadTexCoords.size()));
        }
        target->setAttributeBuffer(ShaderProgram::kVertexIn, GL_FLOAT, 0, 2);
        target->setAttributeBuffer(ShaderProgram::kTextureIn, GL_FLOAT, kQuadTexCoordOffsetBytes,
                                   2);
        quadBuffer.release();
    } else {
        target->setAttributeArray(ShaderProgram::kVertexIn, GL_FLOAT, kQuadVertices, 2);
        target->setAttributeArray(ShaderProgram::kTextureIn, GL_FLOAT, m_quadTexCoords.data(), 2);
    }
}

void GLYuvWidget::ApplyColor()
{
    if (!m_colorCurrent) {
        const YuvColorTransform transform = YuvColorTransform::For(m_format);
        m_plainPass->SetColor(transform);
        program->bind();
        program->SetYuvColor(transform);
        m_colorCurrent = true;
    }
}

bool GLYuvWidget::PictureIsComplete() const
{
    // Chroma planes of zero size cannot form a texture; such a picture (and
    // one with a negative size) is not drawn, like an array that is too short.
    if (frameWidth < 2 || frameHeight < 2) {
        return false;
    }
    const qint64 needed = static_cast<qint64>(frameWidth) * frameHeight * 3 / 2;
    return frame.size() >= needed;
}

void GLYuvWidget::InvalidatePlanes()
{
    m_lumaCurrent = false;
    m_chromaPlanesCurrent = false;
    m_plainCurrent = false;
}

// Repaints without a new picture (the dewarp timer, exposes, overlay
// changes) only bind the textures as they are.
void GLYuvWidget::PreparePlanes()
{
    // Rows of odd-sized planes are not 4-byte aligned; read them tightly packed.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const Yuv420Layout layout = Yuv420Layout::Of(frameWidth, frameHeight, frame.size());
    PrepareLuma();
    const char* base = m_chromaPlanesCurrent ? nullptr : frame.constData();
    PreparePlane(textureIdU, GL_TEXTURE1, base ? base + layout.uOffset : nullptr,
                 layout.chromaWidth, layout.chromaHeight, kPlaneU);
    PreparePlane(textureIdV, GL_TEXTURE2, base ? base + layout.vOffset : nullptr,
                 layout.chromaWidth, layout.chromaHeight, kPlaneV);
    m_chromaPlanesCurrent = true;
}

// The plain pass keeps textures of its own: luma and both chroma planes.
void GLYuvWidget::PreparePlainPlanes()
{
    if (!m_plainCurrent) {
        const Yuv420Layout layout = Yuv420Layout::Of(frameWidth, frameHeight, frame.size());
        m_plainPass->Upload(frame.constData(), layout, frameWidth, frameHeight);
        m_plainCurrent = true;
    }
    m_plainPass->Bind();
}

void GLYuvWidget::PrepareLuma()
{
    PreparePlane(textureIdY, GL_TEXTURE0, m_lumaCurrent ? nullptr : frame.constData(), frameWidth,
                 frameHeight, kPlaneY);
    m_lumaCurrent = true;
}

// Binds one plane's texture to its unit and, when data is given, uploads it.
void GLYuvWidget::PreparePlane(GLuint textureId, GLenum unit, const char* data, int width,
                               int height, int planeIndex)
{
    glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_2D, textureId);
    if (!data) {
        return;
    }
    if (m_planeWidths[planeIndex] == width && m_planeHeights[planeIndex] == height) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, m_planeFormat, GL_UNSIGNED_BYTE,
                        data);
        return;
    }
    glTexImage2D(GL_TEXTURE_2D, 0, m_planeInternalFormat, width, height, 0, m_planeFormat,
                 GL_UNSIGNED_BYTE, data);
    m_planeWidths[planeIndex] = width;
    m_planeHeights[planeIndex] = height;
}

void GLYuvWidget::DrawPicture(const QRect& viewport, qreal ratio, Orientation orientation)
{
    if (!m_plainPass->IsReady() || !PictureIsComplete()) {
        return;
    }
    glViewport(Trunc(static_cast<float>(viewport.x() * ratio)),
               Trunc(static_cast<float>(viewport.y() * ratio)),
               Trunc(static_cast<float>(viewport.width() * ratio)),
               Trunc(static_cast<float>(viewport.height() * ratio)));
    ApplyColor();
    PreparePlainPlanes();
    BindQuadAttributes(m_plainPass->Program(), orientation);
    glDrawArrays(GL_TRIANGLE_FAN, 0, kQuadVertexCount);
    m_plainPass->Program()->disableAttributeArray(ShaderProgram::kVertexIn);
    m_plainPass->Program()->disableAttributeArray(ShaderProgram::kTextureIn);
    glActiveTexture(GL_TEXTURE0);
}

void GLYuvWidget::PaintDewarped(qreal pixelRatio)
{
    program->bind();
    program->setUniformValue(ShaderProgram::kIsDirectDrawV, 0);
    program->setUniformValue(ShaderProgram::kIsPixelTypeRgb, 0);
    program->setUniformValue(ShaderProgram::kIsPixelTypeYuv420p, 1);
    ApplyColor();
    if (!PictureIsComplete()) {
        return;
    }
    PreparePlanes();
    if (renderer) {
        // The ratio changes when the window moves to another screen.
        renderer->SetPixelRatio(static_cast<float>(pixelRatio));
        renderer->Render();
    }
    glActiveTexture(GL_TEXTURE0);
}

int GLYuvWidget::MirroredX() const
{
    return reverse ? frameWidth - panoX : panoX;
}

int GLYuvWidget::MirroredY() const
{
    return reverse ? frameHeight - panoY : panoY;
}

PaintArea* GLYuvWidget::EnsureOverlay()
{
    if (!overlay) {
        // Drawn into the picture window (OverlayLayer), never on its own.
        overlay = new PaintArea(this);
        overlay->setAttribute(Qt::WA_DontShowOnScreen);
        overlay->setGeometry(0, 0, width(), height());
        overlay->show();
    }
    return overlay;
}

void GLYuvWidget::ResetOverlayDrawing()
{
    if (!overlay) {
        return;
    }
    overlay->SetMask(false);
    overlay->SetShowCircle(false);
    overlay->SetAssistLine(false);
    overlay->SetDebug(false, QString());
}

void GLYuvWidget::SetDisplay(QByteArray frameBuffer, int width, int height)
{
    frame = frameBuffer;
    frameWidth = width;
    frameHeight = height;
    InvalidatePlanes();
    if (panoOn && panoInteractive && renderer) {
        renderer->SetPictureSize(width, height);
    }
    RequestPaint();
}

void GLYuvWidget::SetPictureFormat(PictureFormat format)
{
    if (format == m_format) {
        return;
    }
    const bool colorChanged = format.matrix != m_format.matrix || format.range != m_format.range;
    m_format = format;
    if (colorChanged) {
        m_colorCurrent = false;
    }
    if (overlay && overlay->isVisible() && !panoOn && overlay->IsCircleShown()) {
        DrawCircle(panoX, panoY, panoR, mode, reverse, assistLine);
    }
    RequestPaint();
}

void GLYuvWidget::ClearDisplay()
{
    ResetOverlayDrawing();
    frame.clear();
    InvalidatePlanes();
    RequestPaint();
}

bool GLYuvWidget::DrawCircle(int centreX, int centreY, int radius, PanoMode circleMode,
                             bool mirrored, bool withAssistLine)
{
    if (panoOn) {
        return false;
    }
    EnsureOverlay();
    reverse = mirrored;
    if (frame.isEmpty() || frameWidth <= 0 || frameHeight <= 0) {
        return false;
    }
    mode = circleMode;
    assistLine = withAssistLine;
    overlay->SetAssistLine(withAssistLine);
    panoX = centreX;
    panoY = centreY;
    panoR = radius;

    // Where the circle lies in the picture as the plain display draws it
    // (turned, at its display aspect, kept or stretched), in widget pixels.
    const PictureGeometry geometry = Geometry();
    const QRectF shown =
        geometry.ViewportF(size(), keepAspect ? AspectMode::Keep : AspectMode::Stretch);
    const QPointF centre(MirroredX(), MirroredY());
    const QPointF reach(radius, radius);
    const QRectF circle = QRectF(geometry.PictureToView(centre - reach, shown),
                                 geometry.PictureToView(centre + reach, shown))
                              .normalized();
    const int l = Trunc(static_cast<float>(circle.left()));
    const int t = Trunc(static_cast<float>(circle.top()));
    const int cw = Trunc(static_cast<float>(circle.width()));
    const int ch = Trunc(static_cast<float>(circle.height()));
    overlay->SetCircleRect(QRect(QPoint(l, t), QPoint(l + cw - 1, t + ch - 1)));
    overlay->SetShowCircle(true);
    return true;
}

bool GLYuvWidget::SetDebugText(bool enable, QString text)
{
    if (enable) {
        EnsureOverlay()->SetDebug(true, text);
        return true;
    }
    if (!overlay) {
        return false;
    }
    overlay->SetDebug(false, QString());
    return true;
}

bool GLYuvWidget::ClearDraw()
{
    ResetOverlayDrawing();
    return !panoOn;
}

void GLYuvWidget::SetScale(bool enable)
{
    keepAspect = enable;
    RequestPaint();
}

void GLYuvWidget::EnablePano(PanoMode circleMode, int centreX, int centreY, int radius,
                             bool mirrored, bool withAssistLine)
{
    if (withAssistLine) {
        EnsureOverlay();
    }
    panoX = centreX;
    panoY = centreY;
    panoR = radius;
    mode = circleMode;
    panoOn = true;
    panoInteractive = false;
    setMouseTracking(false);
    reverse = mirrored;
    assistLine = withAssistLine;
    if (overlay) {
        overlay->SetMask(true);
        PlaceZoomCircle();
    }
    RequestPaint();
}

void GLYuvWidget::PlaceZoomCircle()
{
    const float viewW = static_cast<float>(width());
    const float viewH = static_cast<float>(height());
    float side = std::min(viewW, viewH);
    if (mode != kPanoModeCeiling) {
        // The circle's farther reach from the picture's top or bottom edge
        // decides how far the cut circle can be enlarged.
        const float h = static_cast<float>(frameHeight);
        const float y = static_cast<float>(panoY);
        const float reach = (y > h * 0.5f) ? y : h - y;
        const float diameter = 2.0f * static_cast<float>(panoR);
        side = viewW;
        if (viewW / viewH > diameter / (2.0f * reach)) {
            side = diameter * viewH / (2.0f * reach);
        }
    }
    const int left = Trunc((viewW - side) * 0.5f);
    const int top = Trunc((viewH - side) * 0.5f);
    overlay->SetAssistLine(assistLine);
    overlay->SetCircleRect(
        QRect(QPoint(left, top), QPoint(left + Trunc(side) - 1, top + Trunc(side) - 1)));
}

void GLYuvWidget::EnablePanoHY(PanoMode circleMode, int centreX, int centreY, int radius)
{
    panoX = centreX;
    panoY = centreY;
    panoR = radius;
    mode = circleMode;
    // The circle, and a picture already shown (a paused video), so that the
    // display does not wait for the next picture.
    if (renderer) {
        FeedRenderer();
    }
    panoOn = true;
    panoInteractive = true;
    if (timerId != 0) {
        killTimer(timerId);
    }
    timerId = startTimer(kDewarpRepaintIntervalMs, Qt::CoarseTimer);
    // The wheel and the keys act on the view under the pointer, without a
    // click first.
    setMouseTracking(true);
    reverse = false;
    assistLine = false;
    if (overlay) {
        overlay->SetMask(false);
        overlay->SetShowCircle(false);
    }
    RequestPaint();
}

void GLYuvWidget::SelectViewMode(int viewMode)
{
    if (!ViewLayout::IsMode(viewMode)) {
        return;
    }
    m_viewMode = viewMode;
    if (renderer) {
        renderer->SelectMode(viewMode);
    }
    RequestPaint();
}

void GLYuvWidget::SetLens(FisheyeLens lens)
{
    if (lens == m_lens) {
        return;
    }
    m_lens = lens;
    if (renderer) {
        renderer->SetLens(lens);
    }
    RequestPaint();
}

void GLYuvWidget::SetCruise(bool on)
{
    if (!renderer || !panoInteractive) {
        return;
    }
    renderer->SetCruise(on);
    RequestPaint();
}

void GLYuvWidget::DisablePano()
{
    panoOn = false;
    panoInteractive = false;
    setMouseTracking(false);
    if (overlay) {
        overlay->SetMask(false);
    }
    // Repaint so that a paused picture leaves the fisheye display at once.
    RequestPaint();
}

void GLYuvWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_container->setGeometry(rect());
    if (renderer) {
        renderer->SetViewportSize(width(), height());
        renderer->SetPixelRatio(static_cast<float>(devicePixelRatioF()));
    }
    if (!overlay) {
        return;
    }
    overlay->resize(size());
    if (!overlay->isVisible()) {
        return;
    }
    if (panoOn) {
        PlaceZoomCircle();
    } else if (overlay->IsCircleShown()) {
        DrawCircle(panoX, panoY, panoR, mode, reverse, assistLine);
    }
}

void GLYuvWidget::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timerId) {
        QWidget::timerEvent(event);
        return;
    }
    if (panoInteractive) {
        // Nothing moves: no repaint until input or a new picture.
        if (!renderer || !renderer->IsAtRest()) {
            RequestPaint();
        }
        return;
    }
    killTimer(timerId);
    timerId = 0;
}

QImage GLYuvWidget::GrabView()
{
    // Making the context current makes it (and the GL objects) on first
    // need: the picture window may not have been exposed yet, right after
    // the first picture or while the window is hidden.
    if (!PictureIsComplete() || !m_window->MakeCurrent()) {
        return {};
    }
    const QSize target = (State() == DisplayState::Plain)
                             ? Geometry().DisplaySize()
                             : (QSizeF(size()) * devicePixelRatioF()).toSize();
    if (!program || !program->isLinked() || target.isEmpty()) {
        doneCurrent();
        return {};
    }
    QImage image;
    {
        QOpenGLFramebufferObject framebuffer(target);
        if (framebuffer.isValid() && framebuffer.bind()) {
            RenderOffscreen(target);
            image = framebuffer.toImage();
            framebuffer.release();
        }
    }
    doneCurrent();
    if (image.isNull()) {
        return {};
    }
    image = image.convertToFormat(QImage::Format_RGB888);
    // The zoom's black mask lies on the overlay, over the GL picture.
    if (State() == DisplayState::Zoomed && overlay && overlay->isVisible()) {
        QPainter painter(&image);
        painter.scale(static_cast<qreal>(target.width()) / width(),
                      static_cast<qreal>(target.height()) / height());
        overlay->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    return image;
}

void GLYuvWidget::RenderOffscreen(QSize target)
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    switch (State()) {
    case DisplayState::Plain:
        DrawPicture(QRect(QPoint(0, 0), target), 1.0, Orientation::Upright);
        break;
    case DisplayState::Zoomed: {
        QRect viewport;
        if (ZoomViewport(target, OverlayUpdate::Leave, &viewport)) {
            DrawPicture(viewport, 1.0, Orientation::Stored);
        }
        break;
    }
    case DisplayState::Dewarped:
        if (renderer) {
            // Laid out for the target's pixels, then back to the view's.
            renderer->SetViewportSize(target.width(), target.height());
            PaintDewarped(1.0);
            renderer->SetViewportSize(width(), height());
        }
        break;
    }
    // Subtitles as on screen: over the whole plain picture, else over where
    // the plain picture would lie in the view, scaled to the target.
    const QRect area = PlainViewport(size());
    const double scaleX = double(target.width()) / qMax(1, width());
    const double scaleY = double(target.height()) / qMax(1, height());
    m_subtitles.Draw(State() == DisplayState::Plain
                         ? QRect(QPoint(0, 0), target)
                         : QRect(qRound(area.x() * scaleX), qRound(area.y() * scaleY),
                                 qRound(area.width() * scaleX), qRound(area.height() * scaleY)),
                     Geometry().DisplaySize(), target);
    glActiveTexture(GL_TEXTURE0);
}
