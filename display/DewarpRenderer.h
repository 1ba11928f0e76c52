#pragma once

#include "DewarpSettings.h"
#include "PictureFormat.h"
#include "YuvPlaneTextures.h"

#include <QOpenGLFunctions>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class PanoRenderer;
class QOpenGLFramebufferObject;
class ShaderProgram;

// Draws YUV420P pictures through a dewarped layout into an offscreen
// framebuffer of a fixed size and reads each back, with no widget: the same
// shader program, render core and models as the screen's dewarped display,
// so that what is rendered here is what the view shows at that size.
//
// At the first picture the layout runs its entry animation to the end (as it
// does on the screen), then the views are pointed as the settings say and
// hold still: the render core's animation clock stops, so a view is rendered
// as it is set (a cruise or a coast frozen where it was).
//
// Threads: one thread, on which a GL context (2.0 or ES 2.0 and up) is current
// for every call from Init to the destructor, which releases the GL objects.
class DewarpRenderer : protected QOpenGLFunctions
{
public:
    DewarpRenderer(const DewarpSettings& settings, QSize outputSize);
    ~DewarpRenderer();
    DewarpRenderer(const DewarpRenderer&) = delete;
    DewarpRenderer& operator=(const DewarpRenderer&) = delete;

    // Builds the program, the textures, the render core and the framebuffer.
    // False, with ErrorString set, when any of them fails.
    bool Init();

    // Draws one packed YUV420P picture (Yuv420Layout) in the colours format
    // describes and reads the result into rgba: outputSize's height rows of
    // width * 4 bytes, bottom row first (GL's order). False for a picture
    // shorter than its sizes require.
    bool Render(const char* picture, qint64 byteCount, int width, int height,
                const PictureFormat& format, uchar* rgba);

    // Draws the layout once in the shader's sample-map mode into a float
    // framebuffer and reads it into map: for each output pixel, bottom row
    // first, four floats as ShaderProgram::kIsSampleMapF describes. Where a
    // picture of width x height is sampled depends only on the layout and
    // the poses, which hold still after the first picture, so one map serves
    // every picture of that size. False, with ErrorString set, when the
    // context cannot draw into or read back a float framebuffer.
    bool RenderSampleMap(int width, int height, std::vector<float>& map);

    QSize OutputSize() const { return m_size; }
    QString ErrorString() const { return m_error; }

private:
    void CreateRenderCore();
    void DrawPicture(const char* picture, qint64 byteCount, int width, int height,
                     const PictureFormat& format);
    // Runs the layout's entry to its end and points the views; once.
    void Settle();
    // Points the views as the settings say, once the models know the picture.
    void ApplyPoses();
    bool BindMapFramebuffer();
    void DrawMap();

    DewarpSettings m_settings;
    QSize m_size;
    QString m_error;
    std::unique_ptr<ShaderProgram> m_program;
    YuvPlaneTextures m_planes;
    std::unique_ptr<PanoRenderer> m_renderer;
    std::unique_ptr<QOpenGLFramebufferObject> m_framebuffer;
    // The sample map's float framebuffer and its texture, made on the first
    // map.
    GLuint m_mapFramebuffer = 0;
    GLuint m_mapTexture = 0;
    bool m_mapComplete = false;
    bool m_posed = false;
    // The render core's animation time, ms.
    qint64 m_clockMs = 0;
    bool m_colorSet = false;
    PictureFormat m_format;
};
