#include "ShaderProgram.h"

#include <QByteArray>
#include <QGenericMatrix>
#include <QVector3D>
#include <QOpenGLShader>
#include <QtGlobal>

// Each source is one string without line breaks; the statements are
// separated by tabs and spaces, which carry no meaning to the compiler.
#define SEP "\t\t  "

namespace {

const char kVertexSourceText[] =
    "uniform bool isDrawBoundV;" SEP
    "uniform bool isDirectDrawV;" SEP
    "uniform mat4 mProject;" SEP
    "uniform mat4 mModel;" SEP
    "uniform mat4 mTex;" SEP
    "attribute vec4 vertexIn;" SEP
    "attribute vec2 textureIn;" SEP
    "varying vec2 textureOut;" SEP
    "void main(void)" SEP
    "{" SEP
    "if (isDrawBoundV)" SEP
    "{" SEP
    "gl_Position = vertexIn;" SEP
    "}" SEP
    "else if (isDirectDrawV)" SEP
    "{" SEP
    "gl_Position = vertexIn;" SEP
    "textureOut = textureIn;" SEP
    "}" SEP
    "else" SEP
    "{" SEP
    "vec4 tex;" SEP
    "gl_Position = mProject * mModel * vertexIn;" SEP
    "tex = mTex * vec4(textureIn, 1., 1.);" SEP
    "textureOut = tex.xy;" SEP
    "}" SEP
    "}";

const char kFragmentSourceText[] =
    "uniform bool isDrawBoundF;" SEP
    "uniform bool isPixelTypeRGB;" SEP
    "uniform bool isPixelTypeYUV420P;" SEP
    "uniform sampler2D texY;" SEP
    "uniform sampler2D texU;" SEP
    "uniform sampler2D texV;" SEP
    "uniform vec4 boundColor;" SEP
    "uniform mat3 yuvToRgb;" SEP
    "uniform vec3 yuvOffset;" SEP
    "uniform bool isSampleMapF;" SEP
    "varying vec2 textureOut;" SEP
    "void main(void)" SEP
    "{" SEP
    "if (isSampleMapF)" SEP
    "{" SEP
    "if (isDrawBoundF)" SEP
    "{" SEP
    "gl_FragColor = vec4(boundColor.rgb, 0.);" SEP
    "}" SEP
    "else if (textureOut.x >= 0. && textureOut.x <= 1. &&" SEP
    "textureOut.y >= 0. && textureOut.y <= 1.)" SEP
    "{" SEP
    "gl_FragColor = vec4(textureOut, 0., 1.);" SEP
    "}" SEP
    "else" SEP
    "{" SEP
    "gl_FragColor = vec4(0., 0., 0., 0.);" SEP
    "}" SEP
    "}" SEP
    "else if (isDrawBoundF)" SEP
    "{" SEP
    "gl_FragColor = boundColor;" SEP
    "}" SEP
    "else" SEP
    "{" SEP
    "if (textureOut.x >= 0. && textureOut.x <= 1. &&" SEP
    "textureOut.y >= 0. && textureOut.y <= 1.)" SEP
    "{" SEP
    "vec3 yuv;" SEP
    "vec3 rgb;" SEP
    "if (isPixelTypeRGB)" SEP
    "{" SEP
    "vec4 color = texture2D(texY, textureOut);" SEP
    "gl_FragColor = color;" SEP
    "}" SEP
    "else if (isPixelTypeYUV420P)" SEP
    "{" SEP
    "yuv.x = texture2D(texY, textureOut).r;" SEP
    "yuv.y = texture2D(texU, textureOut).r;" SEP
    "yuv.z = texture2D(texV, textureOut).r;" SEP
    "rgb = clamp(yuvToRgb * (yuv - yuvOffset), 0., 1.);" SEP
    "gl_FragColor = vec4(rgb, 1);" SEP
    "}" SEP
    "}" SEP
    "else" SEP
    "{" SEP
    "gl_FragColor = vec4(0, 0, 0, 1.);" SEP
    "}" SEP
    "}" SEP
    "}";

} // namespace

#undef SEP

ShaderProgram::ShaderProgram(QObject* parent)
    : QOpenGLShaderProgram(parent)
{
}

const char* ShaderProgram::VertexSource()
{
    return kVertexSourceText;
}

const char* ShaderProgram::FragmentSource()
{
    return kFragmentSourceText;
}

bool ShaderProgram::Build()
{
    return Build(kVertexSourceText, kFragmentSourceText);
}

bool ShaderProgram::Build(const char* vertexSource, const char* fragmentSource)
{
    // Building again starts from scratch rather than adding a second pair.
    removeAllShaders();
    bool stagesOk = true;
    if (!addShaderFromSourceCode(QOpenGLShader::Vertex, vertexSource)) {
        qWarning("%d ShaderProgram::Build vertex stage does not compile: %s", __LINE__,
                 qPrintable(log()));
        stagesOk = false;
    }
    if (!addShaderFromSourceCode(QOpenGLShader::Fragment, fragmentSource)) {
        const QByteArray firstLog = log().toUtf8();
        const QByteArray prefixed = QByteArray(kPrecisionPrefix) + fragmentSource;
        if (!addShaderFromSourceCode(QOpenGLShader::Fragment, prefixed)) {
            qWarning("%d ShaderProgram::Build fragment stage does not compile, "
                     "neither as given (%s) nor with a precision prefix (%s)",
                     __LINE__, firstLog.constData(), qPrintable(log()));
            stagesOk = false;
        }
    }
    if (!stagesOk) {
        return false;
    }
    if (!link()) {
        qWarning("%d ShaderProgram::Build program does not link: %s", __LINE__,
                 qPrintable(log()));
        return false;
    }
    if (!bind()) {
        qWarning("%d ShaderProgram::Build program cannot be bound", __LINE__);
        return false;
    }
    // Until a picture says otherwise: standard-definition video.
    SetYuvColor(YuvColorTransform::For(YuvMatrix::Bt601, YuvRange::Limited));
    return true;
}

void ShaderProgram::SetYuvColor(const YuvColorTransform& transform)
{
    // QGenericMatrix takes its values row by row and hands GL the columns.
    setUniformValue(kYuvToRgb, QMatrix3x3(transform.matrix));
    setUniformValue(kYuvOffset,
                    QVector3D(transform.offset[0], transform.offset[1], transform.offset[2]));
}
