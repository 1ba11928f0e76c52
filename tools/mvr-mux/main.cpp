// mvr-mux INPUT OUTPUT [--gop N] [--size WxH] [--h264 FILE]
// Makes an MVR recording from any media file FFmpeg opens, for tests and demos.
#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>
#include <cstdio>

#include "MvrMuxer.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

void PrintUsage()
{
    std::fprintf(stderr,
        "usage: mvr-mux INPUT OUTPUT [--gop N] [--size WxH] [--h264 FILE]\n"
        "  --gop N      pictures per key frame (default 25)\n"
        "  --size WxH   output picture size (default: the input's, rounded down to even)\n"
        "  --h264 FILE  also write the video records as a raw H.264 stream\n");
}

bool ParseSize(const QString& text, MuxSettings* settings)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(text);
    if (!match.hasMatch()) {
        return false;
    }
    settings->widthPixels = match.captured(1).toInt();
    settings->heightPixels = match.captured(2).toInt();
    return settings->widthPixels >= 2 && settings->heightPixels >= 2 && settings->widthPixels <= 8192
        && settings->heightPixels <= 8192;
}

bool ParseArguments(const QStringList& arguments, MuxSettings* settings)
{
    QStringList paths;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("--gop") && hasValue) {
            bool ok = false;
            settings->gopFrames = arguments[++i].toInt(&ok);
            if (!ok || settings->gopFrames < 1) {
                return false;
            }
        } else if (argument == QLatin1String("--size") && hasValue) {
            if (!ParseSize(arguments[++i], settings)) {
                return false;
            }
        } else if (argument == QLatin1String("--h264") && hasValue) {
            settings->h264OutputPath = arguments[++i];
        } else if (argument.startsWith(QLatin1String("--"))) {
            return false;
        } else {
            paths << argument;
        }
    }
    if (paths.size() != 2) {
        return false;
    }
    settings->inputPath = paths[0];
    settings->outputPath = paths[1];
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    MuxSettings settings;
    if (!ParseArguments(QCoreApplication::arguments(), &settings)) {
        PrintUsage();
        return kExitUsage;
    }
    MvrMuxer muxer;
    if (!muxer.run(settings)) {
        std::fprintf(stderr, "mvr-mux: %s\n", qPrintable(muxer.errorString()));
        return kExitFailure;
    }
    return 0;
}
