// vorel-export: writes a dewarped view of a fisheye video as an ordinary
// video, rendered offscreen through the same render core as the player.
//
//   vorel-export --fisheye MODE [--circle X,Y,R] [--wall] [--lens KIND]
//                [--lens-fov DEG] [--pan DEG] [--tilt DEG] [--fov DEG]
//                [--size WxH] [--from MS] [--to MS] INPUT OUTPUT.mp4
//
// MODE is the layout (0 to 13) as in vorel-show; --pan turns the first view,
// --tilt and --fov (40 to 90 degrees) tilt and zoom it when it is a
// perspective view. --size defaults to 1280x720, the range to the whole file.
// Exit code 0 when the file was written, 1 when the input or the output
// failed (with a message on stderr; nothing is left under OUTPUT), 2 on bad
// usage. Without a display it renders through EGL with no window system.

#include "ExportOptions.h"
#include "ViewExport.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QSurfaceFormat>

#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

namespace
{

// Without a window system Qt's EGL platform on Mesa's surfaceless EGL
// renders offscreen (pbuffers); a display, or a platform chosen by the caller, wins.
void ChooseHeadlessPlatform()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        return;
    }
    // eglfs wants a framebuffer device only for the screen's size, which an
    // offscreen render never uses.
    qputenv("QT_QPA_PLATFORM", "eglfs");
    qputenv("QT_QPA_EGLFS_INTEGRATION", "none");
    qputenv("QT_QPA_EGLFS_FB", "/dev/null");
    qputenv("QT_QPA_EGLFS_WIDTH", "64");
    qputenv("QT_QPA_EGLFS_HEIGHT", "64");
    qputenv("QT_QPA_EGLFS_PHYSICAL_WIDTH", "100");
    qputenv("QT_QPA_EGLFS_PHYSICAL_HEIGHT", "100");
    if (!qEnvironmentVariableIsSet("EGL_PLATFORM")) {
        qputenv("EGL_PLATFORM", "surfaceless");
    }
}

// Qt's notes about the platform and the shader's first compile are no
// news to a batch; failures reach stderr through the exit message.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "vorel-export: %s\n", qPrintable(message));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    ExportRequest request;
    QString error;
    if (!ExportOptions::Parse(arguments, request, error)) {
        std::fprintf(stderr, "vorel-export: %s\n%s", qPrintable(error),
                     qPrintable(ExportOptions::Usage()));
        return 2;
    }
    ChooseHeadlessPlatform();
    qInstallMessageHandler(QuietMessages);
    // Desktop OpenGL where the platform offers it, as the player's view draws.
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setRenderableType(QSurfaceFormat::OpenGL);
    QSurfaceFormat::setDefaultFormat(format);
    av_log_set_level(AV_LOG_ERROR);
    QGuiApplication app(argc, argv);
    QOffscreenSurface surface;
    surface.create();
    ViewExport job(request, &surface);
    const std::atomic<bool> cancel{false};
    if (job.Run(cancel, {}) != ViewExport::Result::Done) {
        std::fprintf(stderr, "vorel-export: %s\n", qPrintable(job.ErrorString()));
        return 1;
    }
    return 0;
}
