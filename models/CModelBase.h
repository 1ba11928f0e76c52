#pragma once

#include <QMatrix4x4>
#include <QOpenGLFunctions>
#include <QVector3D>

#include <array>

class MeshUploader;
class QOpenGLShaderProgram;

// Common base of every dewarp model: a mesh (borrowed from the mesh store), a
// camera, a projection and the pan/tilt/zoom state that mouse input changes.
// The render core owns the models, drives them on the GUI thread only and
// calls initializeOpenGLFunctions on this base once a context exists. Angles are in
// degrees, world distances in units where the mesh radius is 100.
class CModelBase : public QOpenGLFunctions
{
public:
    // Values of `state`; the render core switches view modes on them.
    enum State : int {
        Idle = 0,
        Entering = 1,
        Stopped = 2,
        Running = 3,
        AutoZoom = 4,
        TransitEnd = 6,
        TransitStart = 7,
        LeaveRequest = 8,
    };
    enum Mount : int { MountCeiling = 0, MountWall = 1 };
    enum DragDirection : int { DirNone = 0, DirUp = 1, DirDown = 2, DirLeft = 3, DirRight = 4 };

    CModelBase();
    virtual ~CModelBase();
    CModelBase(const CModelBase&) = delete;
    CModelBase& operator=(const CModelBase&) = delete;

    virtual bool Init();
    virtual void Reset();
    virtual void Start();
    virtual void Stop();
    virtual bool SetSource(int mountType, int width, int height, float radius, float centreX,
                           float centreY);
    virtual void SetAngles(float pan, float tilt);
    virtual void GetAngles(float& pan, float& tilt) const;
    virtual void SetRegion(bool enable, const float* points, int count);
    virtual int Animate() = 0;
    virtual void UpdateMatrices(int viewWidth, int viewHeight) = 0;
    virtual void BuildView(int viewWidth, int viewHeight) = 0;

    void SetMeshData(const float* vertices, const float* texCoords, int vertexCount,
                     int indexCount);
    void OnDrag(float dx, float dy);
    // delta in the model's own wheel units (WheelUnitsPerNotch per notch).
    // Several calls between two draws add up, as a touchpad sends many small
    // deltas; a reversal starts over.
    void OnWheel(float delta);
    // How far one wheel notch moves this model, in the units its OnWheel
    // takes: 4 degrees of field of view for the perspective views by default.
    virtual float WheelUnitsPerNotch() const { return 1.0f; }
    // False while something is bound to move the view: a button held, input
    // not yet drawn, a go-to, a cruise or an animation of the model's own.
    // Speeds are judged by their effect instead (CurrentPose over a tick).
    virtual bool IsAtRest() const;
    // What the view shows, for telling whether a tick changed it: pan, tilt,
    // field of view and one value of the model's own.
    using Pose = std::array<float, 4>;
    virtual Pose CurrentPose() const;
    // Puts the view back where CurrentPose read it, at rest (no speed, no
    // pending input), so that a second render core can show the same view.
    virtual void RestorePose(const Pose& pose);
    void SetPressed(bool down);
    void SetClickPoint(bool inside, float x, float y);
    void SetTarget(bool active, float pan, float tilt);
    void SetVelocity(float vPan, float vTilt, float vZoom);
    void GetVelocity(float& vPan, float& vTilt, float& vZoom) const;
    int GetState() const { return state; }
    bool IsPressed() const { return pressed; }
    bool IsSelected() const { return selected; }
    void ClearSelected() { selected = false; }
    void Select() { selected = true; }
    bool IsPicked() const { return picked; }
    void Pick();
    void StartCruise() { cruise = true; }
    bool IsCruising() const { return cruise; }
    void StopCruise() { cruise = false; }
    // Starts the slow automatic rotation from rest, turning to the right.
    void StartCruiseFromRest();
    float Fov() const { return fov; }
    void SetShowOutline(bool on) { showOutline = on; }
    void GetOutline(const float*& points, int& count) const;
    void SetFrameBorder(bool on) { frameBorder = on; }
    // The render core marks every shown view as moved when the pointer jumps.
    void MarkMoved() { moved = true; }
    bool IsMoved() const { return moved; }

    // Draws the mesh through the render core's GPU buffers; the index buffer
    // already holds the mesh's indices. Silent about every early return.
    void Draw(int pixelType, int x, int y, int width, int height, QOpenGLShaderProgram* program,
              GLuint texY, GLuint texU, GLuint texV, GLuint vertexBuffer, GLuint texCoordBuffer,
              GLuint indexBuffer);
    // Draws the mesh from where the uploader places it in its buffers, which
    // it fills only when the mesh there changed. Silent about every early
    // return, as Draw.
    void DrawPlaced(int x, int y, int width, int height, QOpenGLShaderProgram* program, GLuint texY,
                    GLuint texU, GLuint texV, MeshUploader& uploader);
    // Client-memory variant: the model's vertices and texture coordinates are
    // laid over the caller's arrays, which supply any elements beyond them.
    void DrawArrays(bool isYuv, int x, int y, int width, int height,
                    QOpenGLShaderProgram* program, GLuint texY, GLuint texU, GLuint texV,
                    const float* extraVertices, int vertexBytes, const float* extraTexCoords,
                    int texCoordBytes, const quint16* indices, int indexBytes);

protected:
    // Steps 1 to 3 of a draw: validity, view rebuild, matrices. False when
    // nothing may be drawn.
    bool PrepareDraw(int width, int height);
    void BindCommon(int x, int y, int width, int height, QOpenGLShaderProgram* program,
                    GLuint texY, GLuint texU, GLuint texV);
    // Points the two attributes at the bound buffers' offsets and draws the
    // index buffer's triangles, then the overlays.
    void DrawElements(QOpenGLShaderProgram* program, GLuint vertexBuffer, GLintptr vertexOffset,
                      GLuint texCoordBuffer, GLintptr texCoordOffset, GLuint indexBuffer);
    void DrawOverlays(QOpenGLShaderProgram* program);
    void DrawBorder(QOpenGLShaderProgram* program);
    void DrawRegion(QOpenGLShaderProgram* program);
    bool BuffersFit(GLuint vertexBuffer, GLuint texCoordBuffer, GLuint indexBuffer);

    // Half-width and half-height of the part of the circle inside the picture.
    void VisibleExtents(float& halfWidth, float& halfHeight) const;
    // Eye distance that frames the visible circle in a viewport (flat circle views).
    float FramingDistance(int viewWidth, int viewHeight) const;
    // S(1/srcWidth, 1/srcHeight) x T(centre) x S(radius), then R(pan) when asked.
    enum class TexRotation { None, Pan };
    void BuildTexMatrix(TexRotation rotation);
    void ClearFrameInput();
    // Drag-to-pan with a clamp of 5 degrees per frame; true when the pan moved.
    bool DragPan(float threshold, int viewWidth);
    // Slow rotation of the panoramas: cruise settles at 0.2, else decays.
    void PanoramaInertia();

    static float DecaySpeed(float speed);
    static float WrapDegrees(float angle);
    static float ClampTo(float value, float low, float high);

    // Common fields; defaults are what Reset sets.
    bool ready;
    int mountType;
    float mountAngle;
    int srcWidth;
    int srcHeight;
    float radius;
    float centreX;
    float centreY;
    int viewWidth;
    int viewHeight;
    bool pressed;
    float dragX;
    float dragY;
    float wheel;
    int dragDir;
    bool picked;
    bool zoomedIn;
    bool moved;
    bool clickValid;
    float clickX;
    float clickY;
    float accumX;
    float accumY;
    float accumWheel;
    int state;
    bool cruise;
    float pan;
    float tilt;
    float fov;
    float panSpeed;
    float tiltSpeed;
    float zoomSpeed;
    bool targetActive;
    float targetPan;
    float targetTilt;
    bool dirty;
    QVector3D homeEye;
    QVector3D eye;
    QVector3D centre;
    QVector3D up;
    QVector3D altEye;
    const float* vertices;
    const float* texCoords;
    int vertexCount;
    int indexCount;
    QMatrix4x4 mountMatrix;
    QMatrix4x4 viewMatrix;
    QMatrix4x4 projMatrix;
    QMatrix4x4 modelMatrix;
    QMatrix4x4 texMatrix;
    bool frameBorder;
    bool showOutline;
    // Outline and region storage belongs to the subclass that allocates it in
    // its constructor; Reset empties it but keeps the buffers.
    float* outlinePoints;
    int outlineCount;
    int outlineCapacity;
    bool regionOn;
    float* regionPoints[2];
    int regionCounts[2];
    int regionPolygons;
    int regionCapacity;
    bool selected;

private:
    void ResetInput();
};
