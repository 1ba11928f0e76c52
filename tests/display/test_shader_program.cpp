// The shader program drawn off-screen: colour conversion, the texture range
// test, outline drawing, the interface names and failure logging.

#include "ShaderProgram.h"
#include "YuvPicture.h"

#include <QMatrix4x4>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QRegularExpression>
#include <QVector4D>
#include <QtTest>

#include <memory>

namespace {

constexpr int kTargetSide = 32;
const GLfloat kPositions[8] = {-1, -1, -1, 1, 1, 1, 1, -1};
const GLfloat kTexCoords[8] = {0, 1, 0, 0, 1, 0, 1, 1};

} // namespace

class TestShaderProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void interfaceNamesAreActive();
    void coordinatesOutsideTheUnitSquareAreBlack();
    void rgbPicturesPassThrough();
    void outlinesUseTheBoundColour();
    void brokenStagesAreLoggedAndNotLinked();

private:
    // Three 2 x 2 luminance planes; the left column of Y is yLeft, the right
    // column yRight.
    void UploadPlanes(quint8 yLeft, quint8 yRight, quint8 u, quint8 v);
    void UploadTexture(GLuint id, GLenum unit, const quint8* data);
    void DrawQuad(bool directDraw, const QMatrix4x4& texMatrix = QMatrix4x4(),
                  const QMatrix4x4& projection = QMatrix4x4());
    QRgb CentrePixel();

    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    QOpenGLFunctions* m_gl = nullptr;
    std::unique_ptr<QOpenGLFramebufferObject> m_target;
    std::unique_ptr<ShaderProgram> m_program;
    GLuint m_textures[3] = {0, 0, 0};
};

void TestShaderProgram::initTestCase()
{
    m_surface.create();
    QVERIFY(m_context.create());
    QVERIFY(m_context.makeCurrent(&m_surface));
    m_gl = m_context.functions();
    m_target = std::make_unique<QOpenGLFramebufferObject>(kTargetSide, kTargetSide);
    QVERIFY(m_target->bind());
    m_program = std::make_unique<ShaderProgram>();
    QVERIFY(m_program->Build());
    QVERIFY(m_program->isLinked());
    m_gl->glGenTextures(3, m_textures);
    for (GLuint id : m_textures) {
        m_gl->glBindTexture(GL_TEXTURE_2D, id);
        m_gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        m_gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        m_gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        m_gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    m_gl->glViewport(0, 0, kTargetSide, kTargetSide);
}

void TestShaderProgram::cleanupTestCase()
{
    m_gl->glDeleteTextures(3, m_textures);
    m_program.reset();
    m_target.reset();
    m_context.doneCurrent();
}

void TestShaderProgram::UploadTexture(GLuint id, GLenum unit, const quint8* data)
{
    m_gl->glActiveTexture(unit);
    m_gl->glBindTexture(GL_TEXTURE_2D, id);
    m_gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    m_gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 2, 2, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, data);
}

void TestShaderProgram::UploadPlanes(quint8 yLeft, quint8 yRight, quint8 u, quint8 v)
{
    const quint8 luma[4] = {yLeft, yRight, yLeft, yRight};
    const quint8 chromaU[4] = {u, u, u, u};
    const quint8 chromaV[4] = {v, v, v, v};
    UploadTexture(m_textures[0], GL_TEXTURE0, luma);
    UploadTexture(m_textures[1], GL_TEXTURE1, chromaU);
    UploadTexture(m_textures[2], GL_TEXTURE2, chromaV);
    m_gl->glActiveTexture(GL_TEXTURE0);
}

void TestShaderProgram::DrawQuad(bool directDraw, const QMatrix4x4& texMatrix, const QMatrix4x4& projection)
{
    m_program->bind();
    m_program->setUniformValue(ShaderProgram::kIsDirectDrawV, directDraw ? 1 : 0);
    m_program->setUniformValue(ShaderProgram::kProject, projection);
    m_program->setUniformValue(ShaderProgram::kModel, QMatrix4x4());
    m_program->setUniformValue(ShaderProgram::kTex, texMatrix);
    m_program->setUniformValue(ShaderProgram::kTexY, 0);
    m_program->setUniformValue(ShaderProgram::kTexU, 1);
    m_program->setUniformValue(ShaderProgram::kTexV, 2);
    m_program->enableAttributeArray(ShaderProgram::kVertexIn);
    m_program->enableAttributeArray(ShaderProgram::kTextureIn);
    m_program->setAttributeArray(ShaderProgram::kVertexIn, GL_FLOAT, kPositions, 2);
    m_program->setAttributeArray(ShaderProgram::kTextureIn, GL_FLOAT, kTexCoords, 2);
    m_gl->glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    m_gl->glClear(GL_COLOR_BUFFER_BIT);
    m_gl->glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

QRgb TestShaderProgram::CentrePixel()
{
    return m_target->toImage().pixel(kTargetSide / 2, kTargetSide / 2);
}

void TestShaderProgram::interfaceNamesAreActive()
{
    // Every name of the contract must be live in the linked program, or the
    // callers' setters silently do nothing.
    for (const char* attribute : {ShaderProgram::kVertexIn, ShaderProgram::kTextureIn}) {
        QVERIFY2(m_program->attributeLocation(attribute) >= 0, attribute);
    }
    for (const char* uniform :
         {ShaderProgram::kIsDrawBoundV, ShaderProgram::kIsDrawBoundF, ShaderProgram::kIsDirectDrawV,
          ShaderProgram::kBoundColor, ShaderProgram::kProject, ShaderProgram::kModel, ShaderProgram::kTex,
          ShaderProgram::kIsPixelTypeRgb, ShaderProgram::kIsPixelTypeYuv420p, ShaderProgram::kTexY,
          ShaderProgram::kTexU, ShaderProgram::kTexV}) {
        QVERIFY2(m_program->uniformLocation(uniform) >= 0, uniform);
    }
    QVERIFY(!QByteArray(ShaderProgram::VertexSource()).contains('\n'));
    QVERIFY(!QByteArray(ShaderProgram::FragmentSource()).contains('\n'));
}

void TestShaderProgram::coordinatesOutsideTheUnitSquareAreBlack()
{
    // The left column of the picture is black, the right one white, so the
    // edge colour at x = 1 is white and black there means "out of range".
    UploadPlanes(0, 255, 128, 128);
    m_program->bind();
    m_program->setUniformValue(ShaderProgram::kIsDrawBoundV, 0);
    m_program->setUniformValue(ShaderProgram::kIsDrawBoundF, 0);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeRgb, 0);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeYuv420p, 1);
    auto constantCoordinate = [](float s, float t) {
        // tex = mTex * (s0, t0, 1, 1): the z column carries the constant.
        return QMatrix4x4(0, 0, s, 0, 0, 0, t, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    };
    DrawQuad(false, constantCoordinate(0.9999f, 0.5f));
    QVERIFY(YuvPicture::Near(CentrePixel(), qRgb(255, 255, 255), 3));
    DrawQuad(false, constantCoordinate(1.0001f, 0.5f));
    QCOMPARE(CentrePixel(), qRgb(0, 0, 0));
    DrawQuad(false, constantCoordinate(0.5f, 1.0001f));
    QCOMPARE(CentrePixel(), qRgb(0, 0, 0));
    DrawQuad(false, constantCoordinate(-0.0001f, 0.5f));
    QCOMPARE(CentrePixel(), qRgb(0, 0, 0));

    // A texture matrix that doubles x: the right half of the target lies
    // beyond the picture and must be black, the left half shows it.
    QMatrix4x4 doubleX;
    doubleX.scale(2.0f, 1.0f);
    DrawQuad(false, doubleX);
    const QImage image = m_target->toImage();
    QCOMPARE(image.pixel(kTargetSide - 2, kTargetSide / 2), qRgb(0, 0, 0));
    QVERIFY(YuvPicture::Near(image.pixel(kTargetSide / 2 - 2, kTargetSide / 2), qRgb(255, 255, 255), 3));
}

void TestShaderProgram::rgbPicturesPassThrough()
{
    UploadPlanes(200, 200, 10, 10);
    m_program->bind();
    m_program->setUniformValue(ShaderProgram::kIsDrawBoundV, 0);
    m_program->setUniformValue(ShaderProgram::kIsDrawBoundF, 0);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeRgb, 1);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeYuv420p, 0);
    DrawQuad(true);
    // A luminance texture read as RGB gives grey of its value.
    QVERIFY(YuvPicture::Near(CentrePixel(), qRgb(200, 200, 200), 2));
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeRgb, 0);
    m_program->setUniformValue(ShaderProgram::kIsPixelTypeYuv420p, 1);
}

void TestShaderProgram::outlinesUseTheBoundColour()
{
    m_program->bind();
    m_program->setUniformValue(ShaderProgram::kIsDrawBoundV, 1);
    m_program->setUniformValue(ShaderProgram::kIsDrawBoundF, 1);
    m_program->setUniformValue(ShaderProgram::kBoundColor, QVector4D(0.0f, 1.0f, 0.0f, 1.0f));
    // The projection would push the quad out of view; outlines ignore it.
    QMatrix4x4 away;
    away.translate(10.0f, 10.0f);
    DrawQuad(false, QMatrix4x4(), away);
    m_program->setUniformValue(ShaderProgram::kIsDrawBoundV, 0);
    m_program->setUniformValue(ShaderProgram::kIsDrawBoundF, 0);
    QCOMPARE(CentrePixel(), qRgb(0, 255, 0));
}

void TestShaderProgram::brokenStagesAreLoggedAndNotLinked()
{
    ShaderProgram brokenFragment;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("fragment stage does not compile"));
    QVERIFY(!brokenFragment.Build(ShaderProgram::VertexSource(), "void main(void) { not glsl at all }"));
    QVERIFY(!brokenFragment.isLinked());

    ShaderProgram brokenVertex;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("vertex stage does not compile"));
    QVERIFY(!brokenVertex.Build("attribute vec4 vertexIn; void main(void) { gl_Position = ; }",
                                ShaderProgram::FragmentSource()));

    ShaderProgram noMain;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not link"));
    QVERIFY(!noMain.Build("attribute vec4 vertexIn;", ShaderProgram::FragmentSource()));
    QVERIFY(!noMain.isLinked());
}

QTEST_MAIN(TestShaderProgram)
#include "test_shader_program.moc"
