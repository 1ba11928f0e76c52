// vorel-decode: plays one file through the playback engine without a window
// and prints, one line each:
//   duration,<ms>
//   frame,<n>,<position ms>,<width>,<height>,<size>,<md5>
//   seek,<ms from the seek to the first picture after it>   (with --seek;
//        an exact seek unless --fast-seek asks for the key frame before it)
//   message,<text>
//   audio,<bytes>,<md5 of all PCM handed to the sink>
//   avsync,<max ms>,<mean ms>   (with --av-stats)
//   subtitle,<start ms>,<end ms or -1>,<text>   (each text subtitle of the
//        chosen track: override blocks dropped, a line break written \n)
//   finished,<1|0>
// Exit code: 0 after the end of the file (or --max-frames), 1 when the
// engine reported a failure or the playback ended otherwise, 2 on bad usage.

#include "DecodeRunner.h"
#include "PlaySpliterSystem.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace
{
bool ParseOptions(const QCoreApplication& app, DecodeOptions& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays a file through the engine and prints what comes out"));
    const QCommandLineOption untimed(QStringLiteral("untimed"),
                                     QStringLiteral("present at once, audio to a null sink"));
    const QCommandLineOption noHash(QStringLiteral("no-hash"),
                                    QStringLiteral("print - instead of md5"));
    const QCommandLineOption speed(QStringLiteral("speed"), QStringLiteral("0.5, 1 or 2"),
                                   QStringLiteral("x"));
    const QCommandLineOption seek(QStringLiteral("seek"), QStringLiteral("seek target"),
                                  QStringLiteral("ms"));
    const QCommandLineOption seekAt(QStringLiteral("seek-at"),
                                    QStringLiteral("position that triggers the seek"),
                                    QStringLiteral("ms"));
    const QCommandLineOption fastSeek(
        QStringLiteral("fast-seek"),
        QStringLiteral("seek to the key frame at or before the target"));
    const QCommandLineOption maxFrames(
        QStringLiteral("max-frames"), QStringLiteral("stop after N pictures"), QStringLiteral("n"));
    const QCommandLineOption avStats(
        QStringLiteral("av-stats"),
        QStringLiteral("print avsync,<max ms>,<mean ms>: picture time minus clock"));
    const QCommandLineOption aid(QStringLiteral("aid"),
                                 QStringLiteral("sound track, 1-based as mpv counts them"),
                                 QStringLiteral("n"));
    const QCommandLineOption sid(QStringLiteral("sid"),
                                 QStringLiteral("subtitle track, 1-based, or no"),
                                 QStringLiteral("n|no"));
    const QCommandLineOption subFile(QStringLiteral("sub-file"),
                                     QStringLiteral("a subtitle file to add (and show)"),
                                     QStringLiteral("path"));
    parser.addOptions(
        {untimed, noHash, speed, seek, seekAt, fastSeek, maxFrames, avStats, aid, sid, subFile});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("media file"));
    if (!parser.parse(app.arguments()) || parser.positionalArguments().size() != 1)
        return false;
    bool ok = true;
    options.untimed = parser.isSet(untimed);
    options.hash = !parser.isSet(noHash);
    options.avStats = parser.isSet(avStats);
    options.fastSeek = parser.isSet(fastSeek);
    if (parser.isSet(speed)) {
        options.speed = parser.value(speed).toFloat(&ok);
        if (!ok || (options.speed != 0.5f && options.speed != 1.0f && options.speed != 2.0f))
            return false;
    }
    if (parser.isSet(seek) &&
        ((options.seekMs = parser.value(seek).toInt(&ok)), !ok || options.seekMs < 0))
        return false;
    if (parser.isSet(seekAt) && ((options.seekAtMs = parser.value(seekAt).toInt(&ok)), !ok))
        return false;
    if (parser.isSet(maxFrames) && ((options.maxFrames = parser.value(maxFrames).toInt(&ok)), !ok))
        return false;
    if (parser.isSet(aid) &&
        ((options.audioId = parser.value(aid).toInt(&ok)), !ok || options.audioId < 1))
        return false;
    if (parser.isSet(sid)) {
        const QString value = parser.value(sid);
        options.subtitleId = value == QLatin1String("no") ? 0 : value.toInt(&ok);
        if (!ok || options.subtitleId < 0 || (options.subtitleId == 0 && value != "no"))
            return false;
    }
    options.subtitleFiles = parser.values(subFile);
    // FILE must come last: it goes to the engine as the raw argument bytes.
    return app.arguments().constLast() == parser.positionalArguments().first();
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DecodeOptions options;
    if (!ParseOptions(app, options)) {
        std::fprintf(stderr, "usage: vorel-decode [--untimed] [--no-hash] [--speed 0.5|1|2] "
                             "[--seek MS [--seek-at MS] [--fast-seek]] [--max-frames N] [--aid N] "
                             "[--sid N|no] [--sub-file PATH] FILE\n");
        return 2;
    }
    // Non-UTF-8 names survive only as the raw argument bytes.
    options.file = QByteArray(argv[argc - 1]);
    PlaySpliterSystem engine;
    DecodeRunner runner(engine, options);
    runner.Start();
    return app.exec();
}
