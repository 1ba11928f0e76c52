// The render core drawing into an offscreen framebuffer with the view's
// shader program: client arrays draw what the GPU buffers draw, in every kind
// of layout; the buffers are made once and go with the render core; a mesh
// is uploaded when it changed, not on every draw of every view.

#include "DewarpView.h"
#include "FisheyeLens.h"
#include "FisheyePicture.h"
#include "RendererProbe.h"
#include "ShaderProgram.h"
#include "ViewLayout.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QtTest>

#include <memory>

namespace {

constexpr int kViewWidth = 320;
constexpr int kViewHeight = 240;

} // namespace

class RenderCoreDrawTest : public QObject, protected QOpenGLFunctions
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void clientArraysDrawLikeBuffers_data();
    void clientArraysDrawLikeBuffers();
    void buffersAreMadeOnceAndReleased();
    void meshesAreUploadedWhenTheyChange();

private:
    std::unique_ptr<RendererProbe> MakeRenderer(bool useBuffers);
    QImage Paint(PanoRenderer& renderer);

    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    std::unique_ptr<QOpenGLFramebufferObject> m_target;
    std::unique_ptr<ShaderProgram> m_program;
    GLuint m_textures[3] = {0, 0, 0};
};

void RenderCoreDrawTest::initTestCase()
{
    m_surface.create();
    QVERIFY(m_context.create());
    QVERIFY(m_context.makeCurrent(&m_surface));
    initializeOpenGLFunctions();
    m_target = std::make_unique<QOpenGLFramebufferObject>(kViewWidth, kViewHeight);
    QVERIFY(m_target->isValid());
    m_program = std::make_unique<ShaderProgram>();
    QVERIFY(m_program->Build());
    const QByteArray picture =
        FisheyePicture::Make(DewarpView::kPictureWidth, DewarpView::kPictureHeight,
                             DewarpView::kCentreX, DewarpView::kCentreY, DewarpView::kRadius);
    glGenTextures(3, m_textures);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const char* plane = picture.constData();
    for (int k = 0; k < 3; ++k) {
        const int width = k == 0 ? DewarpView::kPictureWidth : DewarpView::kPictureWidth / 2;
        const int height = k == 0 ? DewarpView::kPictureHeight : DewarpView::kPictureHeight / 2;
        glBindTexture(GL_TEXTURE_2D, m_textures[k]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, width, height, 0, GL_LUMINANCE,
                     GL_UNSIGNED_BYTE, plane);
        plane += width * height;
    }
}

void RenderCoreDrawTest::cleanupTestCase()
{
    glDeleteTextures(3, m_textures);
    m_program.reset();
    m_target.reset();
    m_context.doneCurrent();
}

std::unique_ptr<RendererProbe> RenderCoreDrawTest::MakeRenderer(bool useBuffers)
{
    auto renderer = std::make_unique<RendererProbe>(m_program.get(), m_textures[0], m_textures[1],
                                                    m_textures[2]);
    renderer->SetAnimationClock(DewarpView::TickPerPaintClock());
    renderer->InitModels();
    renderer->InitGLFunctions();
    renderer->SelectMode(1);
    renderer->SelectMode(0);
    renderer->SetUseBuffers(useBuffers);
    renderer->SetViewportSize(kViewWidth, kViewHeight);
    renderer->SetCircle(0, DewarpView::kCentreX, DewarpView::kCentreY, DewarpView::kRadius);
    renderer->SetPictureSize(DewarpView::kPictureWidth, DewarpView::kPictureHeight);
    return renderer;
}

// One paint as the view makes it: cleared, the program set for YUV pictures.
QImage RenderCoreDrawTest::Paint(PanoRenderer& renderer)
{
    m_target->bind();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    m_program->bind();
    m_program->setUniformValue(ShaderProgram::kIsDirectDrawV, 0);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeRgb, 0);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeYuv420p, 1);
    renderer.Render();
    glFinish();
    const QImage image = m_target->toImage();
    m_target->release();
    return image;
}

void RenderCoreDrawTest::clientArraysDrawLikeBuffers_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("flat circle") << int(ViewLayout::ViewOrigin);
    QTest::newRow("cylinder") << int(ViewLayout::ViewPanoramaCylinder);
    QTest::newRow("horizontal") << int(ViewLayout::ViewHorizontal);
    QTest::newRow("six views") << int(ViewLayout::ViewOriginFivePerspectives);
    QTest::newRow("strip and perspectives") << int(ViewLayout::ViewOriginTwoPerspectivesStrip);
    QTest::newRow("rectangle") << int(ViewLayout::ViewRectangle);
}

void RenderCoreDrawTest::clientArraysDrawLikeBuffers()
{
    QFETCH(int, mode);
    QImage images[2];
    for (bool useBuffers : {true, false}) {
        auto renderer = MakeRenderer(useBuffers);
        renderer->SelectMode(mode);
        Paint(*renderer);
        images[useBuffers ? 0 : 1] = Paint(*renderer);
    }
    QVERIFY(DewarpView::ContentShare(images[0], images[0].rect()) > 0.3);
    QCOMPARE(images[1], images[0]);
}

void RenderCoreDrawTest::buffersAreMadeOnceAndReleased()
{
    auto renderer = MakeRenderer(true);
    QCOMPARE(renderer->buffers.vertexBuffer, GLuint(0));
    Paint(*renderer);
    const GLuint names[3] = {renderer->buffers.vertexBuffer, renderer->buffers.texCoordBuffer,
                             renderer->buffers.indexBuffer};
    QVERIFY(!renderer->buffersDirty);
    for (int mode : {4, 9, 13, 0}) {
        renderer->SelectMode(mode);
        QVERIFY(renderer->buffersDirty);
        Paint(*renderer);
        QVERIFY(!renderer->buffersDirty);
        QCOMPARE(renderer->buffers.vertexBuffer, names[0]);
        QCOMPARE(renderer->buffers.texCoordBuffer, names[1]);
        QCOMPARE(renderer->buffers.indexBuffer, names[2]);
    }
    // Sized by the last layout's mesh (the flat circle: 16-bit indices).
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, names[2]);
    GLint bytes = 0;
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    QCOMPARE(bytes, GLint(renderer->indexCount * 2));
    renderer.reset();
    for (GLuint name : names) {
        QVERIFY(!glIsBuffer(name));
    }
}

void RenderCoreDrawTest::meshesAreUploadedWhenTheyChange()
{
    const FisheyeLens lens = FisheyeLens::Make(FisheyeLens::Projection::Equisolid, 200);
    auto renderer = MakeRenderer(true);
    // The circle beside three perspective views: two meshes in one layout.
    renderer->SelectMode(ViewLayout::ViewOriginThreePerspectives);
    Paint(*renderer);
    int uploads = renderer->buffers.UploadCount();
    const QImage resting = Paint(*renderer);
    QCOMPARE(renderer->buffers.UploadCount(), uploads);
    QVERIFY(DewarpView::ContentShare(resting, resting.rect()) > 0.3);

    // A lens rewrites the texture coordinates where they lie: both meshes go
    // up once, and what is drawn is what client arrays draw of that lens
    // after as many paints.
    renderer->SetLens(lens);
    Paint(*renderer);
    QVERIFY(renderer->buffers.UploadCount() >= uploads + 2);
    uploads = renderer->buffers.UploadCount();
    const QImage withLens = Paint(*renderer);
    QCOMPARE(renderer->buffers.UploadCount(), uploads);
    auto reference = MakeRenderer(false);
    reference->SetLens(lens);
    reference->SelectMode(ViewLayout::ViewOriginThreePerspectives);
    QImage referenceImage;
    for (int paint = 0; paint < 4; ++paint) {
        referenceImage = Paint(*reference);
    }
    QCOMPARE(withLens, referenceImage);
    QVERIFY(withLens != resting);

    // Steering moves the camera, not the mesh.
    renderer->OnButton(true, 250, 50);
    renderer->OnMove(280, 60);
    const QImage steered = Paint(*renderer);
    renderer->OnButton(false, 280, 60);
    QVERIFY(steered != withLens);
    QCOMPARE(renderer->buffers.UploadCount(), uploads);

    // A morph shows another frame on every tick, each uploaded once; at its
    // end the perspective view draws without uploading.
    renderer->SelectMode(ViewLayout::ViewOrigin);
    for (int paint = 0; paint < 200 && renderer->Front() != renderer->Model(0); ++paint) {
        Paint(*renderer);
    }
    renderer->SelectMode(ViewLayout::ViewPerspective);
    QCOMPARE(renderer->Front(), renderer->Model(ViewLayout::kTransitOrigin));
    Paint(*renderer);
    uploads = renderer->buffers.UploadCount();
    Paint(*renderer);
    QCOMPARE(renderer->buffers.UploadCount(), uploads + 1);
    for (int paint = 0; paint < 200 && renderer->Front() != renderer->Model(1); ++paint) {
        Paint(*renderer);
    }
    QCOMPARE(renderer->Front(), renderer->Model(1));
    Paint(*renderer);
    uploads = renderer->buffers.UploadCount();
    Paint(*renderer);
    QCOMPARE(renderer->buffers.UploadCount(), uploads);

    // The picture rectangle is rewritten in place for a new picture size.
    renderer->SelectMode(ViewLayout::ViewRectangle);
    Paint(*renderer);
    uploads = renderer->buffers.UploadCount();
    Paint(*renderer);
    QCOMPARE(renderer->buffers.UploadCount(), uploads);
    renderer->SetPictureSize(DewarpView::kPictureWidth, DewarpView::kPictureHeight / 2);
    Paint(*renderer);
    QVERIFY(renderer->buffers.UploadCount() > uploads);
}

QTEST_MAIN(RenderCoreDrawTest)
#include "RenderCoreDrawTest.moc"
