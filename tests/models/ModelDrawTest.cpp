// Drawing through GL: each projection family draws the synthetic fisheye
// picture into an offscreen framebuffer, and the pixels read back show what
// the view must show. Needs a display with OpenGL (Mesa llvmpipe under Xvfb).

#include "CExpandLnglat360B.h"
#include "CExpandOrigin.h"
#include "CExpandOrigin2.h"
#include "CTransitOrigin2Pers.h"
#include "ExpandPerspective.h"
#include "ExpandPerspective2.h"
#include "FisheyePicture.h"
#include "ModelProbe.h"
#include "PanoMeshStore.h"

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLBuffer>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

constexpr int kViewWidth = 320;
constexpr int kViewHeight = 240;
constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;
constexpr float kCircleRadius = 290;
// A mean channel below this is a grid line: lines stay below 0.27 whatever
// their quadrant's tint, the ground above 0.49, the cut area is 0.39.
constexpr double kDarkLevel = 0.35;

const char* const kVertexSource = R"(
uniform bool isDrawBoundV;
uniform bool isDirectDrawV;
uniform mat4 mProject;
uniform mat4 mModel;
uniform mat4 mTex;
attribute vec4 vertexIn;
attribute vec2 textureIn;
varying vec2 textureOut;
void main(void)
{
    if (isDrawBoundV) {
        gl_Position = vertexIn;
    } else if (isDirectDrawV) {
        gl_Position = vertexIn;
        textureOut = textureIn;
    } else {
        gl_Position = mProject * mModel * vertexIn;
        textureOut = (mTex * vec4(textureIn, 1., 1.)).xy;
    }
})";

const char* const kFragmentSource = R"(
uniform bool isDrawBoundF;
uniform bool isPixelTypeRGB;
uniform bool isPixelTypeYUV420P;
uniform sampler2D texY;
uniform sampler2D texU;
uniform sampler2D texV;
uniform vec4 boundColor;
varying vec2 textureOut;
void main(void)
{
    if (isDrawBoundF) {
        gl_FragColor = boundColor;
    } else if (textureOut.x >= 0. && textureOut.x <= 1. && textureOut.y >= 0. && textureOut.y <= 1.) {
        vec3 yuv;
        yuv.x = texture2D(texY, textureOut).r;
        yuv.y = texture2D(texU, textureOut).r - 0.5;
        yuv.z = texture2D(texV, textureOut).r - 0.5;
        gl_FragColor = vec4(mat3(1, 1, 1, 0, -0.39465, 2.03211, 1.13983, -0.58060, 0) * yuv, 1);
    } else {
        gl_FragColor = vec4(0, 0, 0, 1.);
    }
})";

// The picture's YUV at a pixel, inverting the shader's conversion.
struct Yuv {
    double y, u, v;
};

Yuv YuvAt(const QImage& image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    const double luma = (c.greenF() + 0.194207 * c.blueF() + 0.509375 * c.redF()) / 1.703582;
    return {luma, (c.blueF() - luma) / 2.03211, (c.redF() - luma) / 1.13983};
}

// Mean chroma of the bright ground pixels in a square patch.
QPointF GroundChroma(const QImage& image, int cx, int cy, int half)
{
    QPointF sum;
    int count = 0;
    for (int y = cy - half; y <= cy + half; ++y) {
        for (int x = cx - half; x <= cx + half; ++x) {
            const Yuv yuv = YuvAt(image, x, y);
            if (yuv.y > 0.5) {
                sum += QPointF(yuv.u, yuv.v);
                ++count;
            }
        }
    }
    return count > 0 ? sum / count : QPointF();
}

double MeanLevel(const QColor& colour)
{
    return (colour.redF() + colour.greenF() + colour.blueF()) / 3;
}

// An ideal pinhole camera inside the fisheye lens: its forward direction has
// polar angle 90 + tilt from the optical axis and points up the picture at
// pan 0, turning left with the pan; right and up are the screen's axes. In
// lens coordinates x runs right and y down the picture, z along the axis.
struct PinholeCamera {
    PinholeCamera(double pan, double tilt, double fov, int width, int height)
        : width(width), height(height)
    {
        const double p = qDegreesToRadians(pan);
        const double polar = qDegreesToRadians(90.0 + tilt);
        forward = QVector3D(float(-std::sin(polar) * std::sin(p)),
                            float(-std::sin(polar) * std::cos(p)), float(std::cos(polar)));
        right = QVector3D(float(std::cos(p)), float(-std::sin(p)), 0);
        up = QVector3D(float(-std::cos(polar) * std::sin(p)), float(-std::cos(polar) * std::cos(p)),
                       float(-std::sin(polar)));
        halfHeight = std::tan(qDegreesToRadians(fov) / 2);
    }

    // Whether the scene shows a grid line at a point of the view (pixel
    // units, y down), or false in `known` where the floor is not seen.
    bool LineAt(double x, double y, bool& known) const
    {
        const double ndcX = x / width * 2 - 1;
        const double ndcY = 1 - y / height * 2;
        const QVector3D ray = forward + right * float(ndcX * halfHeight * width / height)
                              + up * float(ndcY * halfHeight);
        const double polar = std::acos(ray.z() / ray.length());
        QPointF floor;
        known = ray.z() > 0 && FisheyePicture::FloorPoint(polar, std::atan2(ray.y(), ray.x()), floor)
                && polar < qDegreesToRadians(FisheyePicture::kHorizonCutDegrees - 2);
        return known && FisheyePicture::OnLine(floor);
    }

    // Share of the view's pixels whose darkness contradicts the camera where
    // the camera is sure: the pixel and all neighbours within a pixel agree.
    double Disagreement(const QImage& image) const
    {
        int judged = 0;
        int wrong = 0;
        for (int y = 1; y + 1 < height; ++y) {
            for (int x = 1; x + 1 < width; ++x) {
                int verdict = -1;
                bool sure = true;
                for (int dy = -1; dy <= 1 && sure; ++dy) {
                    for (int dx = -1; dx <= 1 && sure; ++dx) {
                        bool seen = false;
                        const int here = LineAt(x + 0.5 + dx, y + 0.5 + dy, seen) ? 1 : 0;
                        sure = seen && (verdict < 0 || verdict == here);
                        verdict = here;
                    }
                }
                if (!sure) {
                    continue;
                }
                ++judged;
                wrong += (MeanLevel(image.pixelColor(x, y)) < kDarkLevel) != (verdict == 1);
            }
        }
        return judged > width * height / 4 ? double(wrong) / judged : 1.0;
    }

    QVector3D forward;
    QVector3D right;
    QVector3D up;
    double halfHeight;
    int width;
    int height;
};

} // namespace

class ModelDrawTest : public QObject, protected QOpenGLFunctions
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void perspectiveShowsStraightLines_data();
    void perspectiveShowsStraightLines();
    void everyLensKeepsLinesStraight_data();
    void everyLensKeepsLinesStraight();
    void flatCircleShowsCurvedLinesUpright();
    void panoramaColumnsShowTheirAzimuths();
    void transitionStartsAsTheFlatCircle();
    void borderMarksTheSelectedView();
    void clientArraysDrawLikeBuffers();
    void stoppedOrEmptyModelsDrawNothing();
    void regionTintsTheOverview();

private:
    template <typename Model>
    void Attach(Model& model, int set, int mount = CModelBase::MountCeiling);
    QImage Render(CModelBase& model, GLuint vertexBuffer = 0);
    // The synthetic picture through a lens, into the plane textures.
    void Upload(const FisheyeLens& lens);

    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    std::unique_ptr<QOpenGLFramebufferObject> m_target;
    std::unique_ptr<QOpenGLShaderProgram> m_program;
    PanoMeshStore m_store;
    GLuint m_textures[3] = {0, 0, 0};
    QOpenGLBuffer m_vertexBuffer{QOpenGLBuffer::VertexBuffer};
    QOpenGLBuffer m_texCoordBuffer{QOpenGLBuffer::VertexBuffer};
    std::unique_ptr<QOpenGLBuffer> m_indexBuffers[2];
    int m_lastIndexSet = 0;
};

void ModelDrawTest::initTestCase()
{
    m_surface.create();
    QVERIFY(m_context.create());
    QVERIFY(m_context.makeCurrent(&m_surface));
    initializeOpenGLFunctions();
    QVERIFY(m_store.Load());
    m_target = std::make_unique<QOpenGLFramebufferObject>(kViewWidth, kViewHeight);
    QVERIFY(m_target->isValid());
    m_program = std::make_unique<QOpenGLShaderProgram>();
    QVERIFY(m_program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexSource));
    QVERIFY(m_program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentSource));
    QVERIFY(m_program->link());

    glGenTextures(3, m_textures);
    Upload(FisheyeLens());
    // Buffers as large as the largest mesh; index buffers for index sets 0, 4.
    int largest = 0;
    for (int set = 0; set < PanoMeshStore::kMaxSets; ++set) {
        float* positions = nullptr;
        int count = 0;
        QVERIFY(m_store.GetPositions(set, positions, count));
        largest = std::max(largest, count);
    }
    for (QOpenGLBuffer* buffer : {&m_vertexBuffer, &m_texCoordBuffer}) {
        QVERIFY(buffer->create());
        buffer->setUsagePattern(QOpenGLBuffer::DynamicDraw);
        buffer->bind();
        buffer->allocate(largest * (buffer == &m_vertexBuffer ? 12 : 8));
    }
    const int indexSets[2] = {0, 4};
    for (int k = 0; k < 2; ++k) {
        quint16* indices = nullptr;
        int count = 0;
        QVERIFY(m_store.GetIndices(indexSets[k], indices, count));
        m_indexBuffers[k] = std::make_unique<QOpenGLBuffer>(QOpenGLBuffer::IndexBuffer);
        QVERIFY(m_indexBuffers[k]->create());
        m_indexBuffers[k]->bind();
        m_indexBuffers[k]->allocate(indices, count * 2);
    }
}

void ModelDrawTest::cleanupTestCase()
{
    m_context.makeCurrent(&m_surface);
    glDeleteTextures(3, m_textures);
    m_vertexBuffer.destroy();
    m_texCoordBuffer.destroy();
    for (auto& buffer : m_indexBuffers) {
        buffer->destroy();
    }
    m_program.reset();
    m_target.reset();
    m_context.doneCurrent();
}

template <typename Model>
void ModelDrawTest::Attach(Model& model, int set, int mount)
{
    model.initializeOpenGLFunctions();
    QVERIFY(model.Init());
    QVERIFY(model.SetSource(mount, kPictureWidth, kPictureHeight, kCircleRadius,
                            kPictureWidth / 2.0f, kPictureHeight / 2.0f));
    float* positions = nullptr;
    float* texCoords = nullptr;
    quint16* indices = nullptr;
    int count = 0;
    int indexCount = 0;
    QVERIFY(m_store.GetPositions(set, positions, count));
    QVERIFY(m_store.GetTexCoords(set, texCoords, count));
    QVERIFY(m_store.GetIndices(set >= 4 ? set : 0, indices, indexCount));
    model.SetMeshData(positions, texCoords, count, indexCount);
    m_lastIndexSet = set >= 4 ? 1 : 0;
    model.Start();
}

void ModelDrawTest::Upload(const FisheyeLens& lens)
{
    const QByteArray picture =
        FisheyePicture::Make(kPictureWidth, kPictureHeight, kPictureWidth / 2.0,
                             kPictureHeight / 2.0, kCircleRadius, lens);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const int planeSizes[3][2] = {{kPictureWidth, kPictureHeight},
                                  {kPictureWidth / 2, kPictureHeight / 2},
                                  {kPictureWidth / 2, kPictureHeight / 2}};
    const char* plane = picture.constData();
    for (int k = 0; k < 3; ++k) {
        glBindTexture(GL_TEXTURE_2D, m_textures[k]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, planeSizes[k][0], planeSizes[k][1], 0,
                     GL_LUMINANCE, GL_UNSIGNED_BYTE, plane);
        plane += planeSizes[k][0] * planeSizes[k][1];
    }
}

QImage ModelDrawTest::Render(CModelBase& model, GLuint vertexBuffer)
{
    m_target->bind();
    glViewport(0, 0, kViewWidth, kViewHeight);
    glClearColor(0.5f, 0.0f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // The caller's part of the contract: plain YUV drawing through the matrices.
    m_program->bind();
    m_program->setUniformValue("isDirectDrawV", GLint(0));
    m_program->setUniformValue("isPixelTypeRGB", GLint(0));
    m_program->setUniformValue("isPixelTypeYUV420P", GLint(1));
    model.Draw(1, 0, 0, kViewWidth, kViewHeight, m_program.get(), m_textures[0], m_textures[1],
               m_textures[2], vertexBuffer != 0 ? vertexBuffer : m_vertexBuffer.bufferId(),
               m_texCoordBuffer.bufferId(), m_indexBuffers[m_lastIndexSet]->bufferId());
    glFinish();
    const QImage image = m_target->toImage();
    m_target->release();
    return image;
}

void ModelDrawTest::perspectiveShowsStraightLines_data()
{
    QTest::addColumn<float>("pan");
    QTest::addColumn<float>("tilt");
    QTest::addColumn<float>("fov");
    QTest::newRow("straight down") << 0.0f << -89.9f << 90.0f;
    QTest::newRow("oblique") << 20.0f << -60.0f << 90.0f;
    QTest::newRow("zoomed in, turned") << -130.0f << -50.0f << 60.0f;
}

void ModelDrawTest::perspectiveShowsStraightLines()
{
    QFETCH(float, pan);
    QFETCH(float, tilt);
    QFETCH(float, fov);
    Probe<ExpandPerspective2> model;
    Attach(model, 1);
    model.SetAngles(pan, tilt);
    model.fov = fov;
    const QImage image = Render(model);
    // Where the lines fall is what a pinhole camera with the view's angles
    // sees of the floor: straight lines, within a pixel.
    const PinholeCamera camera(pan, tilt, fov, kViewWidth, kViewHeight);
    const double disagreement = camera.Disagreement(image);
    QVERIFY2(disagreement < 0.002, qPrintable(QString::number(disagreement)));
}

void ModelDrawTest::everyLensKeepsLinesStraight_data()
{
    QTest::addColumn<int>("projection");
    QTest::addColumn<double>("lensFov");
    QTest::addColumn<float>("pan");
    QTest::addColumn<float>("tilt");
    using Projection = FisheyeLens::Projection;
    QTest::newRow("equidistant 220, oblique")
        << int(Projection::Equidistant) << 220.0 << 20.0f << -60.0f;
    QTest::newRow("equisolid 185, down") << int(Projection::Equisolid) << 185.0 << 0.0f << -89.9f;
    QTest::newRow("equisolid 240, oblique")
        << int(Projection::Equisolid) << 240.0 << -130.0f << -55.0f;
    QTest::newRow("stereographic 200, oblique")
        << int(Projection::Stereographic) << 200.0 << 75.0f << -58.0f;
    QTest::newRow("orthographic 180, down")
        << int(Projection::Orthographic) << 180.0 << 0.0f << -89.9f;
    QTest::newRow("orthographic 150, oblique")
        << int(Projection::Orthographic) << 150.0 << 160.0f << -70.0f;
}

void ModelDrawTest::everyLensKeepsLinesStraight()
{
    QFETCH(int, projection);
    QFETCH(double, lensFov);
    QFETCH(float, pan);
    QFETCH(float, tilt);
    const FisheyeLens lens = FisheyeLens::Make(FisheyeLens::Projection(projection), lensFov);
    Upload(lens);
    QVERIFY(m_store.ApplyLens(lens));
    Probe<ExpandPerspective2> model;
    Attach(model, 1);
    model.SetAngles(pan, tilt);
    const QImage right = Render(model);
    // The default lens's meshes on the same picture: the lines land elsewhere.
    QVERIFY(m_store.ApplyLens(FisheyeLens()));
    const QImage wrong = Render(model);
    Upload(FisheyeLens());
    const PinholeCamera camera(pan, tilt, 90, kViewWidth, kViewHeight);
    const double disagreement = camera.Disagreement(right);
    QVERIFY2(disagreement < 0.002, qPrintable(QString::number(disagreement)));
    QVERIFY2(camera.Disagreement(wrong) > 0.02,
             qPrintable(QString::number(camera.Disagreement(wrong))));
}

void ModelDrawTest::flatCircleShowsCurvedLinesUpright()
{
    Probe<CExpandOrigin> model;
    Attach(model, 0);
    const QImage image = Render(model);
    // The flat circle is the fisheye itself: its lines bend, and a pinhole
    // camera looking straight down disagrees with it.
    const PinholeCamera camera(0, -89.9, 90, kViewWidth, kViewHeight);
    QVERIFY(camera.Disagreement(image) > 0.02);
    // Upright and not mirrored: floor x > 0 (U high) on the right, floor y > 0
    // (V high) at the bottom.
    const QPointF upperRight = GroundChroma(image, 160 + 50, 120 - 50, 6);
    const QPointF lowerLeft = GroundChroma(image, 160 - 50, 120 + 50, 6);
    QVERIFY(upperRight.x() > 0.1 && upperRight.y() < -0.1);
    QVERIFY(lowerLeft.x() < -0.1 && lowerLeft.y() > 0.1);
}

void ModelDrawTest::panoramaColumnsShowTheirAzimuths()
{
    Probe<CExpandLnglat360B> model;
    Attach(model, 2);
    model.SetAngles(0, 0);
    const QImage image = Render(model);
    // The strip spans 360 degrees across 320 pixels; the middle column looks
    // up the picture, columns to the right turn right. Row 150: near the
    // centre of the circle, well below the cut horizon.
    const int row = 150;
    const QPointF rightUp = GroundChroma(image, 160 + 40, row, 4); // +45 degrees
    const QPointF leftDown = GroundChroma(image, 160 - 120, row, 4); // -135 degrees
    const QPointF rightDown = GroundChroma(image, 160 + 120, row, 4); // +135 degrees
    QVERIFY(rightUp.x() > 0.1 && rightUp.y() < -0.1);
    QVERIFY(leftDown.x() < -0.1 && leftDown.y() > 0.1);
    QVERIFY(rightDown.x() > 0.1 && rightDown.y() > 0.1);
}

void ModelDrawTest::transitionStartsAsTheFlatCircle()
{
    Probe<CExpandOrigin> origin;
    Attach(origin, 0);
    origin.SetAngles(25, 0);
    const QImage flat = Render(origin);

    Probe<CTransitOrigin2Pers> transit;
    transit.initializeOpenGLFunctions();
    QVERIFY(transit.Init());
    QVERIFY(transit.SetSource(0, kPictureWidth, kPictureHeight, kCircleRadius,
                              kPictureWidth / 2.0f, kPictureHeight / 2.0f));
    float* frames = nullptr;
    float* texCoords = nullptr;
    int perFrame = 0;
    int frameCount = 0;
    int count = 0;
    QVERIFY(m_store.GetMorph(0, frames, perFrame, frameCount));
    QVERIFY(m_store.GetTexCoords(0, texCoords, count));
    quint16* indices = nullptr;
    int indexCount = 0;
    QVERIFY(m_store.GetIndices(0, indices, indexCount));
    transit.SetMorphData(frames, texCoords, perFrame, indexCount, frameCount);
    transit.SetDirection(true, true);
    transit.Start();
    transit.SetAngles(25, 0);
    const QImage morphed = Render(transit);
    int differing = 0;
    for (int y = 0; y < kViewHeight; ++y) {
        for (int x = 0; x < kViewWidth; ++x) {
            const QColor a = flat.pixelColor(x, y);
            const QColor b = morphed.pixelColor(x, y);
            differing += qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) > 6;
        }
    }
    QVERIFY2(differing < kViewWidth * kViewHeight / 500, qPrintable(QString::number(differing)));
}

void ModelDrawTest::borderMarksTheSelectedView()
{
    Probe<ExpandPerspective> model;
    Attach(model, 1);
    model.SetFrameBorder(true);
    QImage image = Render(model);
    QCOMPARE(image.pixelColor(0, kViewHeight / 2).rgb(), QColor(34, 42, 65).rgb());
    QCOMPARE(image.pixelColor(kViewWidth / 2, 0).rgb(), QColor(34, 42, 65).rgb());
    model.SetPressed(true);
    image = Render(model);
    QCOMPARE(image.pixelColor(kViewWidth - 1, kViewHeight / 2).rgb(), QColor(23, 149, 255).rgb());
    QCOMPARE(image.pixelColor(kViewWidth / 2, kViewHeight - 1).rgb(), QColor(23, 149, 255).rgb());
    QVERIFY(image.pixelColor(kViewWidth / 2, kViewHeight / 2).rgb() != QColor(23, 149, 255).rgb());
}

void ModelDrawTest::clientArraysDrawLikeBuffers()
{
    Probe<ExpandPerspective2> model;
    Attach(model, 1);
    model.SetAngles(40, -55);
    const QImage buffered = Render(model);

    float* positions = nullptr;
    float* texCoords = nullptr;
    quint16* indices = nullptr;
    int count = 0;
    int indexCount = 0;
    QVERIFY(m_store.GetPositions(2, positions, count)); // the layout's current mesh
    QVERIFY(m_store.GetTexCoords(2, texCoords, count));
    QVERIFY(m_store.GetIndices(0, indices, indexCount));
    m_target->bind();
    glClearColor(0.5f, 0.0f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    m_program->bind();
    m_program->setUniformValue("isDirectDrawV", GLint(0));
    model.DrawArrays(true, 0, 0, kViewWidth, kViewHeight, m_program.get(), m_textures[0],
                     m_textures[1], m_textures[2], positions, count * 12, texCoords, count * 8,
                     indices, indexCount * 2);
    glFinish();
    const QImage client = m_target->toImage();
    m_target->release();
    QCOMPARE(client, buffered);

    // Arrays shorter than the model's mesh are refused, not read past.
    m_target->bind();
    glClear(GL_COLOR_BUFFER_BIT);
    model.DrawArrays(true, 0, 0, kViewWidth, kViewHeight, m_program.get(), m_textures[0],
                     m_textures[1], m_textures[2], positions, 120, texCoords, 80, indices,
                     indexCount * 2);
    glFinish();
    const QImage refused = m_target->toImage();
    m_target->release();
    QCOMPARE(refused.pixelColor(kViewWidth / 2, kViewHeight / 2).rgb(), QColor(128, 0, 128).rgb());
}

void ModelDrawTest::stoppedOrEmptyModelsDrawNothing()
{
    const QRgb clear = QColor(128, 0, 128).rgb();
    Probe<ExpandPerspective2> model;
    Attach(model, 1);
    model.Stop();
    QCOMPARE(Render(model).pixelColor(kViewWidth / 2, kViewHeight / 2).rgb(), clear);

    Probe<ExpandPerspective2> undersized;
    Attach(undersized, 1);
    QOpenGLBuffer small(QOpenGLBuffer::VertexBuffer);
    QVERIFY(small.create());
    small.bind();
    small.allocate(120); // ten vertices: far fewer than the mesh
    QCOMPARE(Render(undersized, small.bufferId()).pixelColor(kViewWidth / 2, kViewHeight / 2).rgb(),
             clear);
    QCOMPARE(glGetError(), GLenum(GL_NO_ERROR));
    small.destroy();

    Probe<ExpandPerspective2> meshless;
    meshless.initializeOpenGLFunctions();
    QVERIFY(meshless.Init());
    QVERIFY(meshless.SetSource(0, kPictureWidth, kPictureHeight, kCircleRadius, 400, 300));
    meshless.Start();
    QCOMPARE(Render(meshless).pixelColor(kViewWidth / 2, kViewHeight / 2).rgb(), clear);
}

void ModelDrawTest::regionTintsTheOverview()
{
    Probe<CExpandOrigin2> model;
    Attach(model, 0);
    const QImage plain = Render(model);
    // A fan around the centre reaching 20 degrees from the optical axis.
    std::vector<float> points{0, 0};
    for (int k = 0; k <= 36; ++k) {
        points.push_back(float(k * 10) * 3.14159265f / 180);
        points.push_back(20 * 3.14159265f / 180);
    }
    model.SetRegion(true, points.data(), int(points.size() / 2));
    const QImage tinted = Render(model);
    const QColor before = plain.pixelColor(kViewWidth / 2 + 10, kViewHeight / 2 + 10);
    const QColor after = tinted.pixelColor(kViewWidth / 2 + 10, kViewHeight / 2 + 10);
    // 30 % cyan over the picture.
    QVERIFY(qAbs(after.redF() - 0.7 * before.redF()) < 0.02);
    QVERIFY(qAbs(after.greenF() - (0.3 + 0.7 * before.greenF())) < 0.02);
    QCOMPARE(after.alphaF(), 1.0); // the view stays opaque
    const QColor outside = tinted.pixelColor(kViewWidth / 2 + 100, kViewHeight / 2);
    QCOMPARE(outside, plain.pixelColor(kViewWidth / 2 + 100, kViewHeight / 2));
}

QTEST_MAIN(ModelDrawTest)
#include "ModelDrawTest.moc"
