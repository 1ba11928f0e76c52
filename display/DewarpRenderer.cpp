#include "DewarpRenderer.h"

#include "AnimationClock.h"
#include "PanoRenderer.h"
#include "PerspectiveModelBase.h"
#include "ShaderProgram.h"
#include "ViewLayout.h"

#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

namespace
{

// Ten seconds of animation at most: every layout's entry ends well before.
constexpr int kMaxSettleTicks = 500;

// Not in the GL ES 2.0 headers Qt builds against.
constexpr GLenum kGlRgba32f = 0x8814;

} // namespace

DewarpRenderer::DewarpRenderer(const DewarpSettings& settings, QSize outputSize)
    : m_settings(settings), m_size(outputSize)
{
}

DewarpRenderer::~DewarpRenderer()
{
    // The render core's buffers, the textures and the framebuffer belong to
    // the context current now.
    m_renderer.reset();
    m_framebuffer.reset();
    if (m_mapFramebuffer != 0 && QOpenGLContext::currentContext()) {
        glDeleteFramebuffers(1, &m_mapFramebuffer);
        glDeleteTextures(1, &m_mapTexture);
    }
    if (QOpenGLContext::currentContext()) {
        m_planes.Release();
    }
    m_program.reset();
}

bool DewarpRenderer::Init()
{
    if (!QOpenGLContext::currentContext()) {
        m_error = QStringLiteral("no OpenGL context");
        return false;
    }
    if (m_size.width() < 2 || m_size.height() < 2) {
        m_error = QStringLiteral("output size %1x%2 is too small")
                      .arg(m_size.width())
                      .arg(m_size.height());
        return false;
    }
    initializeOpenGLFunctions();
    m_program = std::make_unique<ShaderProgram>();
    if (!m_program->Build()) {
        m_error = QStringLiteral("the shader program does not build: %1").arg(m_program->log());
        return false;
    }
    if (!m_planes.Create()) {
        m_error = QStringLiteral("cannot create the picture textures");
        return false;
    }
    m_framebuffer = std::make_unique<QOpenGLFramebufferObject>(m_size);
    if (!m_framebuffer->isValid()) {
        m_error = QStringLiteral("cannot create a %1x%2 framebuffer")
                      .arg(m_size.width())
                      .arg(m_size.height());
        return false;
    }
    CreateRenderCore();
    if (!m_renderer->IsMeshLoaded()) {
        m_error = QStringLiteral("the dewarp meshes are not available");
        return false;
    }
    return true;
}

// As the view makes its render core, then the view's dewarped display is
// entered with the settings' circle and layout.
void DewarpRenderer::CreateRenderCore()
{
    m_renderer = std::make_unique<PanoRenderer>(m_program.get(), m_planes.TextureY(),
                                                m_planes.TextureU(), m_planes.TextureV());
    m_renderer->InitModels();
    m_renderer->InitGLFunctions();
    m_renderer->SelectMode(1);
    m_renderer->SelectMode(0);
    m_renderer->SetViewportSize(m_size.width(), m_size.height());
    m_renderer->SetPixelRatio(1.0f);
    m_renderer->SetLens(m_settings.lens);
    m_renderer->SetUseBuffers(true);
    // The clock moves only while the layout settles on the first picture.
    m_renderer->SetAnimationClock([this] { return m_clockMs; });
    m_renderer->SetCircle(m_settings.mount, static_cast<float>(m_settings.circleX),
                          static_cast<float>(m_settings.circleY),
                          static_cast<float>(m_settings.circleRadius));
    m_renderer->SelectMode(m_settings.layout);
}

bool DewarpRenderer::Render(const char* picture, qint64 byteCount, int width, int height,
                            const PictureFormat& format, uchar* rgba)
{
    if (width < 2 || height < 2 || byteCount < static_cast<qint64>(width) * height * 3 / 2) {
        m_error = QStringLiteral("picture of %1 bytes is too short for %2x%3")
                      .arg(byteCount)
                      .arg(width)
                      .arg(height);
        return false;
    }
    if (!m_framebuffer->bind()) {
        m_error = QStringLiteral("cannot bind the framebuffer");
        return false;
    }
    m_renderer->SetPictureSize(width, height);
    if (!m_posed) {
        // The models take the picture and the layout runs its entry (a morph
        // into a perspective view) to the end, undrawn: only the last state
        // is shown. Then the views are pointed, and stay so.
        DrawPicture(picture, byteCount, width, height, format);
        Settle();
    }
    DrawPicture(picture, byteCount, width, height, format);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, m_size.width(), m_size.height(), GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    m_framebuffer->release();
    return true;
}

void DewarpRenderer::Settle()
{
    for (int tick = 0; tick < kMaxSettleTicks && !m_renderer->IsAtRest(); ++tick) {
        m_clockMs += AnimationClock::kTickMs;
        m_renderer->Advance(m_clockMs);
    }
    ApplyPoses();
    m_posed = true;
}

bool DewarpRenderer::RenderSampleMap(int width, int height, std::vector<float>& map)
{
    if (width < 2 || height < 2) {
        m_error = QStringLiteral("picture size %1x%2 is too small").arg(width).arg(height);
        return false;
    }
    if (!BindMapFramebuffer()) {
        m_error = QStringLiteral("no float framebuffer for a sample map");
        return false;
    }
    m_renderer->SetPictureSize(width, height);
    m_program->bind();
    m_program->setUniformValue(ShaderProgram::kIsSampleMapF, 1);
    DrawMap();
    if (!m_posed) {
        Settle();
        DrawMap();
    }
    m_program->bind();
    m_program->setUniformValue(ShaderProgram::kIsSampleMapF, 0);
    map.resize(static_cast<size_t>(m_size.width()) * m_size.height() * 4);
    // Errors left by earlier calls must not be taken for the read's.
    for (int stale = 0; stale < 8 && glGetError() != GL_NO_ERROR; ++stale) {
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, m_size.width(), m_size.height(), GL_RGBA, GL_FLOAT, map.data());
    glBindFramebuffer(GL_FRAMEBUFFER, QOpenGLContext::currentContext()->defaultFramebufferObject());
    const bool read = glGetError() == GL_NO_ERROR;
    if (!read) {
        m_error = QStringLiteral("cannot read a sample map back");
    }
    return read;
}

// Made on first use: Qt's framebuffer objects take no 32-bit float colour
// on OpenGL ES. False when the context cannot draw into one.
bool DewarpRenderer::BindMapFramebuffer()
{
    if (m_mapFramebuffer == 0) {
        glGenTextures(1, &m_mapTexture);
        glBindTexture(GL_TEXTURE_2D, m_mapTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, kGlRgba32f, m_size.width(), m_size.height(), 0, GL_RGBA,
                     GL_FLOAT, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glGenFramebuffers(1, &m_mapFramebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, m_mapFramebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_mapTexture,
                               0);
        m_mapComplete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, m_mapFramebuffer);
    return m_mapComplete;
}

// The layout drawn in sample-map mode: cleared to flat black, no planes read.
void DewarpRenderer::DrawMap()
{
    glViewport(0, 0, m_size.width(), m_size.height());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    m_program->bind();
    m_program->setUniformValue(ShaderProgram::kIsDirectDrawV, 0);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeRgb, 0);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeYuv420p, 1);
    m_renderer->Render();
    glActiveTexture(GL_TEXTURE0);
}

// What the view's paint does in the dewarped display, into the framebuffer.
void DewarpRenderer::DrawPicture(const char* picture, qint64 byteCount, int width, int height,
                                 const PictureFormat& format)
{
    glViewport(0, 0, m_size.width(), m_size.height());
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    m_program->bind();
    m_program->setUniformValue(ShaderProgram::kIsDirectDrawV, 0);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeRgb, 0);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeYuv420p, 1);
    if (!m_colorSet || format.matrix != m_format.matrix || format.range != m_format.range) {
        m_program->SetYuvColor(YuvColorTransform::For(format));
        m_format = format;
        m_colorSet = true;
    }
    m_planes.Upload(picture, byteCount, width, height);
    m_renderer->Render();
    glActiveTexture(GL_TEXTURE0);
}

void DewarpRenderer::ApplyPoses()
{
    const int count = m_renderer->SlotCount();
    for (int i = 0; i < count && i < static_cast<int>(m_settings.poses.size()); ++i) {
        if (CModelBase* model = m_renderer->Slot(i).model) {
            model->RestorePose(m_settings.poses[static_cast<size_t>(i)]);
        }
    }
    CModelBase* first = count > 0 ? m_renderer->Slot(0).model : nullptr;
    if (!first) {
        return;
    }
    float pan = 0.0f;
    float tilt = 0.0f;
    first->GetAngles(pan, tilt);
    pan = m_settings.panDegrees.value_or(pan);
    if (dynamic_cast<PerspectiveModelBase*>(first)) {
        CModelBase::Pose pose = first->CurrentPose();
        pose[0] = pan;
        pose[1] = m_settings.tiltDegrees.value_or(tilt);
        pose[2] = m_settings.fovDegrees.value_or(pose[2]);
        first->RestorePose(pose);
    } else if (m_settings.panDegrees) {
        first->SetAngles(pan, tilt);
    }
}
