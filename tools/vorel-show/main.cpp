// vorel-show: plays a file through the engine into a DisplayWidget in a
// window, so the display can be watched without the main window.
//
//   vorel-show [--untimed] [--exit-at-end] [--screenshot PNG [--after N]]
//              [--fisheye MODE [--circle X,Y,R] [--wall]] FILE
//
// --fisheye shows the picture dewarped in layout MODE (0 to 13) with the
// mouse steering it; the fisheye circle is X,Y,R in picture pixels (default:
// centred, half the shorter side), --wall for a wall-mounted camera.
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

bool ParseFisheye(const QCommandLineParser& parser, const QCommandLineOption& fisheye,
                  const QCommandLineOption& circle, const QCommandLineOption& wall,
                  ShowController::Options& options)
{
    if (!parser.isSet(fisheye)) {
        return !parser.isSet(circle) && !parser.isSet(wall);
    }
    bool ok = false;
    options.fisheyeMode = parser.value(fisheye).toInt(&ok);
    if (!ok || options.fisheyeMode < 0 || options.fisheyeMode > 13) {
        return false;
    }
    options.wallMount = parser.isSet(wall);
    return !parser.isSet(circle) || ParseCircle(parser.value(circle), options);
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
    parser.addOptions({untimedOption, exitAtEnd, screenshot, after, fisheye, circle, wall});
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
    if (!ParseFisheye(parser, fisheye, circle, wall, options)) {
        return false;
    }
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
        std::fprintf(stderr, "usage: vorel-show [--untimed] [--exit-at-end] [--screenshot PNG [--after N]]\n"
                             "                  [--fisheye MODE [--circle X,Y,R] [--wall]] FILE\n");
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
