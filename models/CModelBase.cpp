#include "CModelBase.h"

#include "MeshUploader.h"

#include <QOpenGLShaderProgram>
#include <QVector4D>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Radius and circle centre are accepted in (0, kSourceLimit] picture pixels.
constexpr float kSourceLimit = 100000.0f;
// Input below this magnitude counts as no input.
constexpr float kInputEpsilon = 1e-6f;
// Speeds below this magnitude count as stopped by the inertia step.
constexpr float kSpeedEpsilon = 1e-4f;
// Speed lost per tick by a coasting axis.
constexpr float kSpeedDecay = 0.05f;
// Largest pan speed, degrees per frame; tilt and zoom speeds are clamped to 3.
constexpr float kMaxPanSpeed = 5.0f;
constexpr float kMaxTiltSpeed = 3.0f;
constexpr float kMaxZoomSpeed = 3.0f;
// The picked view counts as zoomed in at this vertical field of view or less.
constexpr float kZoomedInFov = 75.0f;
// Cruise speed of the panoramas, degrees per tick, and the two approach steps.
constexpr float kPanoramaCruise = 0.2f;
constexpr float kCruiseFastBand = 0.25f;
constexpr float kCruiseFastStep = 0.05f;
constexpr float kCruiseSlowStep = 0.04f;

constexpr const char* kVertexIn = "vertexIn";
constexpr const char* kTextureIn = "textureIn";

// Clip-space frame drawn just inside the viewport edges.
const float kBorderStrip[15] = {
    -0.9998f, -0.9998f, -1.0f, -0.9998f, 0.9998f, -1.0f, 0.9998f, 0.9998f, -1.0f,
    0.9998f, -0.9998f, -1.0f, -0.9998f, -0.9998f, -1.0f,
};
const QVector4D kBorderColour(0.133333f, 0.164706f, 0.254902f, 1.0f);
const QVector4D kSelectedBorderColour(0.090196f, 0.584314f, 1.0f, 1.0f);
const QVector4D kRegionColour(0.0f, 1.0f, 1.0f, 0.3f);

bool InSourceRange(float value)
{
    return value > 0.0f && value <= kSourceLimit;
}

} // namespace

CModelBase::CModelBase()
    : ready(false), mountType(0), mountAngle(0), srcWidth(0), srcHeight(0), radius(0),
      centreX(0), centreY(0), viewWidth(0), viewHeight(0), pressed(false), dragX(0), dragY(0),
      wheel(0), dragDir(DirNone), picked(false), zoomedIn(false), moved(false),
      clickValid(false), clickX(-1), clickY(-1), accumX(0), accumY(0), accumWheel(0),
      state(Idle), cruise(false), pan(0), tilt(0), fov(90), panSpeed(0), tiltSpeed(0),
      zoomSpeed(0), targetActive(false), targetPan(0), targetTilt(0), dirty(false),
      up(0, 1, 0), vertices(nullptr), texCoords(nullptr), vertexCount(0), indexCount(0),
      frameBorder(false), showOutline(false), outlinePoints(nullptr), outlineCount(0),
      outlineCapacity(0), regionOn(false), regionPoints{nullptr, nullptr}, regionCounts{0, 0},
      regionPolygons(0), regionCapacity(0), selected(false)
{
    CModelBase::Reset();
}

CModelBase::~CModelBase()
{
    CModelBase::Reset();
}

bool CModelBase::Init()
{
    Reset();
    return true;
}

void CModelBase::Reset()
{
    ready = false;
    mountType = MountCeiling;
    mountAngle = 0;
    radius = centreX = centreY = 0;
    viewWidth = viewHeight = 0;
    pressed = false;
    dragDir = DirNone;
    picked = zoomedIn = moved = clickValid = false;
    clickX = clickY = -1;
    ResetInput();
    state = Idle;
    cruise = false;
    pan = tilt = 0;
    fov = 90;
    panSpeed = tiltSpeed = zoomSpeed = 0;
    targetActive = false;
    targetPan = targetTilt = 0;
    dirty = false;
    homeEye = eye = centre = altEye = QVector3D();
    up = QVector3D(0, 1, 0);
    vertices = nullptr;
    texCoords = nullptr;
    vertexCount = indexCount = 0;
    mountMatrix.setToIdentity();
    viewMatrix.setToIdentity();
    projMatrix.setToIdentity();
    modelMatrix.setToIdentity();
    texMatrix.setToIdentity();
    frameBorder = showOutline = false;
    outlineCount = 0;
    regionOn = false;
    regionCounts[0] = regionCounts[1] = 0;
    regionPolygons = 0;
    selected = false;
}

void CModelBase::ResetInput()
{
    dragX = dragY = wheel = 0;
    accumX = accumY = accumWheel = 0;
}

void CModelBase::Start()
{
    state = Entering;
    dragDir = DirNone;
    cruise = false;
    dirty = true;
    ResetInput();
}

void CModelBase::Stop()
{
    state = Stopped;
    dragDir = DirNone;
    cruise = pressed = picked = targetActive = regionOn = moved = false;
    clickX = clickY = -1;
    ResetInput();
    panSpeed = tiltSpeed = zoomSpeed = 0;
}

bool CModelBase::SetSource(int newMountType, int width, int height, float newRadius,
                           float newCentreX, float newCentreY)
{
    // A picture without area would put infinities into the texture matrix.
    if (!InSourceRange(newRadius) || !InSourceRange(newCentreX) || !InSourceRange(newCentreY)
        || width <= 0 || height <= 0) {
        return false;
    }
    mountType = newMountType;
    mountMatrix.setToIdentity();
    if (mountType != MountCeiling) {
        // Rotation about x by 90 degrees: (x, y, z) -> (x, z, -y).
        mountAngle = 90;
        up = QVector3D(0, 0, 1);
        mountMatrix.setRow(1, QVector4D(0, 0, 1, 0));
        mountMatrix.setRow(2, QVector4D(0, -1, 0, 0));
    } else {
        // Rotation about x by 180 degrees: diag(1, -1, -1).
        mountAngle = 180;
        up = QVector3D(0, 1, 0);
        mountMatrix.setRow(1, QVector4D(0, -1, 0, 0));
        mountMatrix.setRow(2, QVector4D(0, 0, -1, 0));
    }
    srcWidth = width;
    srcHeight = height;
    radius = newRadius;
    centreX = newCentreX;
    centreY = newCentreY;
    dirty = true;
    homeEye = eye = centre = altEye = QVector3D();
    ready = true;
    return true;
}

void CModelBase::SetAngles(float newPan, float newTilt)
{
    pan = newPan;
    tilt = newTilt;
    panSpeed = tiltSpeed = zoomSpeed = 0;
}

void CModelBase::GetAngles(float& outPan, float& outTilt) const
{
    outPan = pan;
    outTilt = tilt;
}

void CModelBase::SetRegion(bool, const float*, int) {}

void CModelBase::SetMeshData(const float* newVertices, const float* newTexCoords,
                             int newVertexCount, int newIndexCount)
{
    vertices = newVertices;
    texCoords = newTexCoords;
    vertexCount = newVertexCount;
    indexCount = newIndexCount;
}

void CModelBase::OnDrag(float dx, float dy)
{
    if (dx * dragX < 0) {
        accumX = 0;
    }
    if (dragY * dy > 0) {
        accumY = 0;
    }
    dragX = dx;
    dragY = -dy;
    accumX += dx;
    accumY -= dy;
    if (std::fabs(dx) > kInputEpsilon || std::fabs(dy) > kInputEpsilon) {
        moved = true;
        targetActive = false;
    }
    if (std::fabs(dx) >= std::fabs(dy)) {
        dragDir = dx < 0 ? DirLeft : DirRight;
    } else {
        dragDir = dy > 0 ? DirDown : DirUp;
    }
}

void CModelBase::OnWheel(float delta)
{
    if (delta * wheel < 0) {
        accumWheel = 0;
        wheel = 0;
    }
    wheel += delta;
    cruise = false;
    dragDir = DirNone;
    targetActive = false;
    accumWheel += delta;
}

void CModelBase::SetPressed(bool down)
{
    if (down) {
        cruise = false;
    }
    pressed = down;
    accumX = accumY = accumWheel = 0;
    if (down) {
        panSpeed = tiltSpeed = zoomSpeed = 0;
        state = Running;
        dragDir = DirNone;
        selected = true;
        targetActive = false;
    } else {
        moved = false;
    }
}

void CModelBase::SetClickPoint(bool inside, float x, float y)
{
    clickValid = inside;
    clickX = x;
    clickY = y;
}

void CModelBase::SetTarget(bool active, float newPan, float newTilt)
{
    targetActive = active;
    targetPan = newPan;
    targetTilt = newTilt;
}

void CModelBase::SetVelocity(float vPan, float vTilt, float vZoom)
{
    panSpeed = ClampTo(vPan, -kMaxPanSpeed, kMaxPanSpeed);
    tiltSpeed = ClampTo(vTilt, -kMaxTiltSpeed, kMaxTiltSpeed);
    zoomSpeed = ClampTo(vZoom, -kMaxZoomSpeed, kMaxZoomSpeed);
}

void CModelBase::GetVelocity(float& vPan, float& vTilt, float& vZoom) const
{
    vPan = panSpeed;
    vTilt = tiltSpeed;
    vZoom = zoomSpeed;
}

void CModelBase::Pick()
{
    picked = true;
    zoomedIn = !(fov > kZoomedInFov);
}

void CModelBase::GetOutline(const float*& points, int& count) const
{
    points = outlinePoints;
    count = outlineCount;
}

void CModelBase::VisibleExtents(float& halfWidth, float& halfHeight) const
{
    halfWidth = std::min(radius, std::max(centreX, float(srcWidth) - centreX));
    halfHeight = std::min(radius, std::max(centreY, float(srcHeight) - centreY));
}

float CModelBase::FramingDistance(int width, int height) const
{
    const float aspect = float(width) / float(height);
    const float halfTan = std::tan(qDegreesToRadians(fov) / 2.0f);
    float d = 0;
    float f = 0;
    VisibleExtents(d, f);
    if (!(aspect > d / f)) {
        // The width limits: tan(hHalf) = aspect x tan(fov / 2).
        return 100.0f / (aspect * halfTan) * d / radius;
    }
    return 100.0f / halfTan * f / radius;
}

void CModelBase::BuildTexMatrix(TexRotation rotation)
{
    texMatrix.setToIdentity();
    texMatrix.scale(1.0f / float(srcWidth), 1.0f / float(srcHeight));
    texMatrix.translate(centreX, centreY);
    texMatrix.scale(radius, radius);
    if (rotation == TexRotation::Pan) {
        // R(p) maps (x, y) to (x cos p + y sin p, -x sin p + y cos p).
        texMatrix.rotate(-pan, 0, 0, 1);
    }
}

void CModelBase::ClearFrameInput()
{
    dragX = dragY = wheel = 0;
}

bool CModelBase::DragPan(float threshold, int width)
{
    if (!(std::fabs(dragX) > threshold)) {
        return false;
    }
    panSpeed = ClampTo(dragX * 2.0f * 90.0f / float(width), -kMaxPanSpeed, kMaxPanSpeed);
    pan += panSpeed;
    return true;
}

void CModelBase::PanoramaInertia()
{
    if (cruise) {
        if (panSpeed > kPanoramaCruise) {
            const float step = panSpeed > kCruiseFastBand ? kCruiseFastStep : kCruiseSlowStep;
            panSpeed = std::max(panSpeed - step, kPanoramaCruise);
        } else if (panSpeed < -kPanoramaCruise) {
            const float step = panSpeed < -kCruiseFastBand ? kCruiseFastStep : kCruiseSlowStep;
            panSpeed = std::min(panSpeed + step, -kPanoramaCruise);
        } else if (std::fabs(panSpeed) < kSpeedEpsilon) {
            panSpeed = 0;
        }
    } else if (pressed) {
        return;
    } else if (panSpeed > kInputEpsilon) {
        panSpeed = std::max(panSpeed - kSpeedDecay, 0.0f);
    } else if (panSpeed < -kInputEpsilon) {
        panSpeed = std::min(panSpeed + kSpeedDecay, 0.0f);
    } else {
        panSpeed = 0;
    }
    pan += panSpeed;
}

float CModelBase::DecaySpeed(float speed)
{
    if (speed > kSpeedEpsilon) {
        return std::max(speed - kSpeedDecay, 0.0f);
    }
    if (speed < -kSpeedEpsilon) {
        return std::min(speed + kSpeedDecay, 0.0f);
    }
    return 0;
}

float CModelBase::WrapDegrees(float angle)
{
    // remainder() lands in [-180, 180] in one step; a non-finite angle would
    // never wrap, so it restarts at 0.
    if (!std::isfinite(angle)) {
        return 0;
    }
    return std::remainder(angle, 360.0f);
}

float CModelBase::ClampTo(float value, float low, float high)
{
    return std::min(std::max(value, low), high);
}

bool CModelBase::PrepareDraw(int width, int height)
{
    // An empty viewport draws nothing and must not reach the matrices, which
    // divide by its sides.
    if (!ready || state == Idle || state == Stopped || width <= 0 || height <= 0
        || !(radius >= 0 && radius <= kSourceLimit)) {
        return false;
    }
    if (width != viewWidth || height != viewHeight) {
        dirty = true;
        viewWidth = width;
        viewHeight = height;
    }
    if (dirty) {
        BuildView(width, height);
        dirty = false;
    }
    UpdateMatrices(width, height);
    return true;
}

bool CModelBase::BuffersFit(GLuint vertexBuffer, GLuint texCoordBuffer, GLuint indexBuffer)
{
    if (!glIsBuffer(vertexBuffer) || !glIsBuffer(texCoordBuffer) || !glIsBuffer(indexBuffer)) {
        return false;
    }
    // A mesh larger than the buffers would make the upload fail and the draw
    // read past the indices, so it is not drawn at all.
    GLint vertexBytes = 0;
    GLint texCoordBytes = 0;
    GLint indexBytes = 0;
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &vertexBytes);
    glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &texCoordBytes);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &indexBytes);
    return vertexCount > 0 && indexCount > 0 && qint64(vertexBytes) >= qint64(vertexCount) * 12
           && qint64(texCoordBytes) >= qint64(vertexCount) * 8
           && qint64(indexBytes) >= qint64(indexCount) * 2;
}

void CModelBase::BindCommon(int x, int y, int width, int height, QOpenGLShaderProgram* program,
                            GLuint texY, GLuint texU, GLuint texV)
{
    glViewport(x, y, width, height);
    program->bind();
    program->setUniformValue("isDrawBoundV", GLint(0));
    program->setUniformValue("isDrawBoundF", GLint(0));
    program->enableAttributeArray(kVertexIn);
    program->enableAttributeArray(kTextureIn);
    const GLuint textures[3] = {texY, texU, texV};
    const char* const samplers[3] = {"texY", "texU", "texV"};
    for (int unit = 0; unit < 3; ++unit) {
        glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        glBindTexture(GL_TEXTURE_2D, textures[unit]);
        program->setUniformValue(samplers[unit], GLint(unit));
    }
    glActiveTexture(GL_TEXTURE0);
    program->setUniformValue("mProject", projMatrix);
    program->setUniformValue("mModel", modelMatrix);
    program->setUniformValue("mTex", texMatrix);
}

void CModelBase::Draw(int, int x, int y, int width, int height, QOpenGLShaderProgram* program,
                      GLuint texY, GLuint texU, GLuint texV, GLuint vertexBuffer,
                      GLuint texCoordBuffer, GLuint indexBuffer)
{
    if (!PrepareDraw(width, height)) {
        return;
    }
    if (vertices == nullptr || texCoords == nullptr || program == nullptr
        || !BuffersFit(vertexBuffer, texCoordBuffer, indexBuffer)) {
        return;
    }
    BindCommon(x, y, width, height, program, texY, texU, texV);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(vertexCount) * 12, vertices);
    glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(vertexCount) * 8, texCoords);
    DrawElements(program, vertexBuffer, 0, texCoordBuffer, 0, indexBuffer);
}

void CModelBase::DrawPlaced(int x, int y, int width, int height, QOpenGLShaderProgram* program,
                            GLuint texY, GLuint texU, GLuint texV, MeshUploader& uploader)
{
    if (!PrepareDraw(width, height)) {
        return;
    }
    MeshUploader::Place place{};
    if (vertices == nullptr || texCoords == nullptr || program == nullptr ||
        !uploader.PlaceMesh(vertices, texCoords, vertexCount, indexCount, place)) {
        return;
    }
    BindCommon(x, y, width, height, program, texY, texU, texV);
    DrawElements(program, place.vertexBuffer, place.vertexOffset, place.texCoordBuffer,
                 place.texCoordOffset, place.indexBuffer);
}

void CModelBase::DrawElements(QOpenGLShaderProgram* program, GLuint vertexBuffer,
                              GLintptr vertexOffset, GLuint texCoordBuffer, GLintptr texCoordOffset,
                              GLuint indexBuffer)
{
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    program->setAttributeBuffer(kVertexIn, GL_FLOAT, int(vertexOffset), 3);
    glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
    program->setAttributeBuffer(kTextureIn, GL_FLOAT, int(texCoordOffset), 2);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, nullptr);
    DrawOverlays(program);
}

void CModelBase::DrawArrays(bool isYuv, int x, int y, int width, int height,
                            QOpenGLShaderProgram* program, GLuint texY, GLuint texU, GLuint texV,
                            const float* extraVertices, int vertexBytes,
                            const float* extraTexCoords, int texCoordBytes,
                            const quint16* indices, int indexBytes)
{
    if (!PrepareDraw(width, height)) {
        return;
    }
    if (vertices == nullptr || texCoords == nullptr || extraVertices == nullptr
        || extraTexCoords == nullptr || indices == nullptr || program == nullptr) {
        return;
    }
    // Client arrays are read by the driver without bounds: the arrays must
    // hold the model's mesh and every index must address a vertex in them.
    const int vertexTotal = std::min(vertexBytes / 12, texCoordBytes / 8);
    const int drawCount = std::min(indexCount, indexBytes / 2);
    if (vertexCount <= 0 || vertexTotal < vertexCount || drawCount <= 0) {
        return;
    }
    if (std::any_of(indices, indices + drawCount,
                    [vertexTotal](quint16 index) { return int(index) >= vertexTotal; })) {
        return;
    }
    std::vector<float> allVertices(extraVertices, extraVertices + vertexBytes / 4);
    std::copy(vertices, vertices + vertexCount * 3, allVertices.begin());
    std::vector<float> allTexCoords(extraTexCoords, extraTexCoords + texCoordBytes / 4);
    std::copy(texCoords, texCoords + vertexCount * 2, allTexCoords.begin());

    BindCommon(x, y, width, height, program, texY, texU, texV);
    program->setUniformValue("isPixelTypeRGB", GLint(isYuv ? 0 : 1));
    program->setUniformValue("isPixelTypeYUV420P", GLint(isYuv ? 1 : 0));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    program->setAttributeArray(kVertexIn, GL_FLOAT, allVertices.data(), 3);
    program->setAttributeArray(kTextureIn, GL_FLOAT, allTexCoords.data(), 2);
    glDrawElements(GL_TRIANGLES, drawCount, GL_UNSIGNED_SHORT, indices);
    DrawOverlays(program);
}

void CModelBase::DrawOverlays(QOpenGLShaderProgram* program)
{
    // Outlines need no texture coordinate; the attribute array is switched
    // off so that a long outline never reads past the mesh's coordinates.
    if (frameBorder) {
        DrawBorder(program);
    }
    DrawRegion(program);
    program->disableAttributeArray(kVertexIn);
    program->disableAttributeArray(kTextureIn);
}

void CModelBase::DrawBorder(QOpenGLShaderProgram* program)
{
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    program->setUniformValue("isDrawBoundV", GLint(1));
    program->setUniformValue("isDrawBoundF", GLint(1));
    program->setUniformValue("boundColor", selected ? kSelectedBorderColour : kBorderColour);
    program->disableAttributeArray(kTextureIn);
    program->setAttributeArray(kVertexIn, GL_FLOAT, kBorderStrip, 3);
    glDrawArrays(GL_LINE_STRIP, 0, 5);
}

void CModelBase::DrawRegion(QOpenGLShaderProgram* program)
{
    if (!regionOn || regionPoints[0] == nullptr || regionPolygons <= 0) {
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    program->setUniformValue("isDrawBoundV", GLint(1));
    program->setUniformValue("isDrawBoundF", GLint(1));
    program->setUniformValue("boundColor", kRegionColour);
    program->disableAttributeArray(kTextureIn);
    const int polygons = std::min(regionPolygons, 2);
    for (int k = 0; k < polygons; ++k) {
        const int count = std::min(regionCounts[k], regionCapacity);
        if (regionPoints[k] == nullptr || count <= 0) {
            continue;
        }
        // Vertex 0 is the fan's centre; the outline runs over the others in
        // the full colour, the fan tints by the colour's alpha. The target
        // keeps its own alpha, so an opaque view stays opaque when composited.
        program->setAttributeArray(kVertexIn, GL_FLOAT, regionPoints[k], 3);
        glEnable(GL_BLEND);
        if (count > 1) {
            glBlendFuncSeparate(GL_ONE, GL_ZERO, GL_ZERO, GL_ONE);
            glDrawArrays(GL_LINE_STRIP, 1, count - 1);
        }
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
        glDrawArrays(GL_TRIANGLE_FAN, 0, count);
        glDisable(GL_BLEND);
    }
}

bool CModelBase::IsAtRest() const
{
    constexpr float kNoInput = 1e-6f;
    return !pressed && !cruise && !targetActive && state != AutoZoom
           && std::fabs(wheel) <= kNoInput && std::fabs(dragX) <= kNoInput
           && std::fabs(dragY) <= kNoInput;
}

CModelBase::Pose CModelBase::CurrentPose() const
{
    float shownPan = 0.0f;
    float shownTilt = 0.0f;
    GetAngles(shownPan, shownTilt);
    return {shownPan, shownTilt, fov, 0.0f};
}

void CModelBase::RestorePose(const Pose& pose)
{
    SetAngles(pose[0], pose[1]);
    fov = pose[2];
    panSpeed = tiltSpeed = zoomSpeed = 0;
    dirty = true;
}

void CModelBase::StartCruiseFromRest()
{
    // The perspective views cruise only after a sideways drag; a cruise asked
    // for from a menu counts as one to the right. Every model's cruise keeps
    // a speed it already has and settles it at its own cruise speed; from
    // rest it needs a push.
    constexpr float kCruiseStartSpeed = 0.2f;
    dragDir = DirRight;
    targetActive = false;
    cruise = true;
    tiltSpeed = zoomSpeed = 0;
    panSpeed = kCruiseStartSpeed;
}
