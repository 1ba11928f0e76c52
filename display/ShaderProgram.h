#pragma once

#include "YuvColorTransform.h"

#include <QOpenGLShaderProgram>

// The one GLSL program that draws every picture: the plain and zoomed display
// of the video view and every dewarp model. It turns three luminance planes
// (YUV420P) or one RGB texture into colour, or draws outlines in a flat colour.
// Its attribute and uniform names below are the contract with every caller.
//
// Threads: GUI thread only, with the owning view's GL context current.
class ShaderProgram : public QOpenGLShaderProgram
{
    Q_OBJECT

public:
    // Attributes.
    static constexpr const char* kVertexIn = "vertexIn";
    static constexpr const char* kTextureIn = "textureIn";
    // Uniforms; the booleans are set as the integers 0 and 1.
    static constexpr const char* kIsDrawBoundV = "isDrawBoundV";
    static constexpr const char* kIsDrawBoundF = "isDrawBoundF";
    static constexpr const char* kIsDirectDrawV = "isDirectDrawV";
    static constexpr const char* kBoundColor = "boundColor";
    static constexpr const char* kProject = "mProject";
    static constexpr const char* kModel = "mModel";
    static constexpr const char* kTex = "mTex";
    static constexpr const char* kIsPixelTypeRgb = "isPixelTypeRGB";
    static constexpr const char* kIsPixelTypeYuv420p = "isPixelTypeYUV420P";
    static constexpr const char* kTexY = "texY";
    static constexpr const char* kTexU = "texU";
    static constexpr const char* kTexV = "texV";
    // The picture's colour conversion: rgb = yuvToRgb * (yuv - yuvOffset),
    // yuv being the three planes' samples in 0..1 (YuvColorTransform).
    static constexpr const char* kYuvToRgb = "yuvToRgb";
    static constexpr const char* kYuvOffset = "yuvOffset";
    // Set, the fragment stage writes where each fragment samples instead of
    // a colour: (x, y, 0, 1) in texture coordinates for a picture fragment,
    // (r, g, b, 0) for a flat colour (outlines; black outside the picture).
    // Meant for a float framebuffer; 0, the default, draws colours.
    static constexpr const char* kIsSampleMapF = "isSampleMapF";

    // Put in front of the fragment source when it does not compile unchanged
    // (OpenGL ES wants a default float precision).
    static constexpr const char* kPrecisionPrefix = "precision mediump float;\n";

    explicit ShaderProgram(QObject* parent = nullptr);

    static const char* VertexSource();
    static const char* FragmentSource();

    // Compiles both stages from the built-in sources, links and binds.
    // Returns false (and logs why) when a stage does not compile or the
    // program does not link; nothing is drawn with it then.
    bool Build();

    // The same with caller-supplied sources; the fragment stage gets the
    // precision prefix retry, the vertex stage is compiled once.
    bool Build(const char* vertexSource, const char* fragmentSource);

    // Sets the colour conversion of YUV pictures; the program must be bound.
    // Uniforms live in the program, so every draw with it (plain display,
    // zoom, each dewarp model) converts alike until the next call.
    void SetYuvColor(const YuvColorTransform& transform);
};
