// vorel-show: plays a file through the engine into a DisplayWidget in a
// window, so the display can be watched without the main window.
//
//   vorel-show [--untimed] [--exit-at-end] [--screenshot PNG [--after N]]
//              [--fisheye MODE [--circle X,Y,R] [--wall]
//                          [--lens PROJECTION] [--lens-fov DEG]]
//              [--sid N|no] [--sub-file PATH] FILE
//
// --fisheye shows the picture dewarped in layout MODE (0 to 13) with the
// mouse steering it; the fisheye circle is X,Y,R in picture pixels (default:
// centred, half the shorter side), --wall for a wall-mounted camera. The
// lens that recorded the picture: --lens equidistant (default), equisolid,
// stereographic or orthographic, and its field of view --lens-fov, 120 to
// 240 degrees (at most 180 for an orthographic lens; default 180).
//
// Subtitles show as in the player: the file's default track or a file beside
// it, track N (1-based, as mpv counts) with --sid, none with --sid no, or the
// subtitle file PATH with --sub-file.
//
// --screenshot saves the view after N pictures (default 30, or the last one
// if the file is shorter) and quits; exit code 0 when a picture was shown and
// saved, 1 otherwise, 2 on bad usage.

#include "DisplayWidget.h"
#include "PlaySpliterSystem.h"
#include "ShowController.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

constexpr int kWindowWidth = 960;
constexpr int kWindowHeight = 540;

bool ParseCircle(const QString& text, ShowController::Options& options)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3) {
        return false;
    }
    bool okX = false;
    bool okY = false;
    bool okR = false;
    options.circleX = parts[0].toInt(&okX);
    options.circleY = parts[1].toInt(&okY);
    options.circleRadius = parts[2].toInt(&okR);
    return okX && okY && okR && options.circleRadius > 0;
}

bool ParseLens(const QString& projectionText, const QString& fovText, FisheyeLens& lens)
{
    const std::optional<FisheyeLens> parsed = FisheyeLens::Parse(projectionText, fovText);
    if (parsed) {
        lens = *parsed;
    }
    return parsed.has_value();
}

struct FisheyeOptions {
    QCommandLineOption fisheye;
    QCommandLineOption circle;
    QCommandLineOption wall;
    QCommandLineOption lens;
    QCommandLineOption lensFov;
};

bool ParseFisheye(const QCommandLineParser& parser, const FisheyeOptions& names,
                  ShowController::Options& options)
{
    if (!parser.isSet(names.fisheye)) {
        return !parser.isSet(names.circle) && !parser.isSet(names.wall) &&
               !parser.isSet(names.lens) && !parser.isSet(names.lensFov);
    }
    if (!ParseLens(parser.isSet(names.lens) ? parser.value(names.lens) : QString(),
                   parser.isSet(names.lensFov) ? parser.value(names.lensFov) : QString(),
                   options.lens)) {
        return false;
    }
    bool ok = false;
    options.fisheyeMode = parser.value(names.fisheye).toInt(&ok);
    if (!ok || options.fisheyeMode < 0 || options.fisheyeMode > 13) {
        return false;
    }
    options.wallMount = parser.isSet(names.wall);
    return !parser.isSet(names.circle) || ParseCircle(parser.value(names.circle), options);
}

bool ParseOptions(const QApplication& app, ShowController::Options& options, bool& untimed)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays a file through the engine into the display"));
    const QCommandLineOption untimedOption(QStringLiteral("untimed"),
                                           QStringLiteral("present at once, audio to a null sink"));
    const QCommandLineOption exitAtEnd(QStringLiteral("exit-at-end"), QStringLiteral("quit at the end of the file"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"), QStringLiteral("save the view to this PNG"),
                                        QStringLiteral("png"));
    const QCommandLineOption after(QStringLiteral("after"), QStringLiteral("pictures before the screenshot"),
                                   QStringLiteral("n"));
    const QCommandLineOption fisheye(QStringLiteral("fisheye"), QStringLiteral("dewarped display in this layout (0-13)"),
                                     QStringLiteral("mode"));
    const QCommandLineOption circle(QStringLiteral("circle"), QStringLiteral("fisheye circle X,Y,R in picture pixels"),
                                    QStringLiteral("x,y,r"));
    const QCommandLineOption wall(QStringLiteral("wall"), QStringLiteral("wall-mounted fisheye camera"));
    const QCommandLineOption lens(
        QStringLiteral("lens"),
        QStringLiteral("lens projection: equidistant, equisolid, stereographic or orthographic"),
        QStringLiteral("projection"));
    const QCommandLineOption lensFov(QStringLiteral("lens-fov"),
                                     QStringLiteral("lens field of view in degrees (120-240)"),
                                     QStringLiteral("deg"));
    const QCommandLineOption sid(QStringLiteral("sid"), QStringLiteral("subtitle track, 1-based, or no"),
                                 QStringLiteral("n|no"));
    const QCommandLineOption subFile(QStringLiteral("sub-file"), QStringLiteral("a subtitle file to show"),
                                     QStringLiteral("path"));
    parser.addOptions({untimedOption, exitAtEnd, screenshot, after, fisheye, circle, wall, lens, lensFov,
                       sid, subFile});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("media file"));
    if (!parser.parse(app.arguments()) || parser.positionalArguments().size() != 1) {
        return false;
    }
    untimed = parser.isSet(untimedOption);
    options.exitAtEnd = parser.isSet(exitAtEnd);
    options.screenshotPath = parser.value(screenshot);
    if (parser.isSet(after)) {
        bool ok = false;
        options.screenshotAfter = parser.value(after).toInt(&ok);
        if (!ok || options.screenshotAfter < 1) {
            return false;
        }
    }
    if (!ParseFisheye(parser, {fisheye, circle, wall, lens, lensFov}, options)) {
        return false;
    }
    if (parser.isSet(sid)) {
        bool ok = parser.value(sid) == QLatin1String("no");
        options.subtitleId = ok ? 0 : parser.value(sid).toInt(&ok);
        if (!ok || options.subtitleId < 0) {
            return false;
        }
    }
    options.subtitleFiles = parser.values(subFile);
    // FILE must come last: it goes to the engine as the raw argument bytes.
    return app.arguments().constLast() == parser.positionalArguments().first();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ShowController::Options options;
    bool untimed = false;
    if (!ParseOptions(app, options, untimed)) {
        std::fprintf(
            stderr, "usage: vorel-show [--untimed] [--exit-at-end] [--screenshot PNG [--after N]]\n"
                    "                  [--fisheye MODE [--circle X,Y,R] [--wall]\n"
                    "                              [--lens PROJECTION] [--lens-fov DEG]]\n"
                    "                  [--sid N|no] [--sub-file PATH] FILE\n");
        return 2;
    }
    options.file = QByteArray(argv[argc - 1]);

    DisplayWidget display;
    display.setWindowTitle(QStringLiteral("vorel-show - %1").arg(QFileInfo(QString::fromLocal8Bit(options.file)).fileName()));
    display.resize(kWindowWidth, kWindowHeight);
    display.show();
    auto engine = std::make_unique<PlaySpliterSystem>();
    engine->SetPacing(untimed ? Pacing::Untimed : Pacing::Realtime);
    ShowController controller(*engine, display, options);
    controller.Start();
    const int code = app.exec();
    // The engine goes first: its destruction ends the playback's threads,
    // which call into the controller and hand pictures to the display.
    engine.reset();
    return code;
}
