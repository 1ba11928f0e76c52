// vorel-decode against the ffmpeg command-line tool: with --untimed every
// picture and every audio byte must match what FFmpeg itself decodes.

#include <QCryptographicHash>
#include <QProcess>
#include <QtTest>

namespace
{
struct Run {
    int exitCode = -1;
    QList<QByteArray> lines;
    QList<QByteArray> errorLines;
};

Run RunTool(const QString& program, const QStringList& args,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setProcessEnvironment(env);
    process.start(program, args);
    Run run;
    if (!process.waitForFinished(120000))
        return run;
    run.exitCode = process.exitCode();
    for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            run.lines << line;
    for (const QByteArray& line : process.readAllStandardError().split('\n'))
        if (!line.isEmpty())
            run.errorLines << line;
    return run;
}

QString Media(const char* name)
{
    return QString::fromUtf8(VOREL_TEST_MEDIA) + QLatin1Char('/') + QLatin1String(name);
}

QList<QByteArray> FfmpegFrameMd5s(const QString& file)
{
    const Run run =
        RunTool(QStringLiteral("ffmpeg"),
                {"-nostdin", "-loglevel", "error", "-i", file, "-map", "0:v:0", "-fps_mode",
                 "passthrough", "-pix_fmt", "yuv420p", "-f", "framemd5", "-"});
    QList<QByteArray> md5s;
    for (const QByteArray& line : run.lines)
        if (!line.startsWith('#'))
            md5s << line.split(',').last().trimmed();
    return md5s;
}

QByteArray FfmpegAudioMd5(const QString& file)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"), {"-nostdin", "-loglevel", "error", "-i", file, "-map",
                                             "0:a:0", "-f", "s16le", "-"});
    process.waitForFinished(120000);
    return QCryptographicHash::hash(process.readAllStandardOutput(), QCryptographicHash::Md5)
        .toHex();
}

QList<QByteArray> Lines(const Run& run, const char* kind)
{
    QList<QByteArray> out;
    for (const QByteArray& line : run.lines)
        if (line.startsWith(QByteArray(kind) + ','))
            out << line;
    return out;
}
} // namespace

class VorelDecodeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void picturesAndAudioMatchFfmpeg_data();
    void picturesAndAudioMatchFfmpeg();
    void failuresPrintTheMessageAndExitOne();
    void badUsageExitsTwo_data();
    void badUsageExitsTwo();
    void seekAndFrameLimit();
    void fastSeekLandsOnTheKeyFrame();
    void terminalStaysQuietUnlessFrameLinesAreAskedFor();
};

void VorelDecodeTest::picturesAndAudioMatchFfmpeg_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("hasAudio");
    QTest::newRow("H.264 + AAC, mp4") << Media("av.mp4") << true;
    QTest::newRow("H.264 + AAC, mkv") << Media("av.mkv") << true;
    QTest::newRow("video only") << Media("video_only.mkv") << false;
    QTest::newRow("4:4:4") << Media("yuv444.mkv") << false;
    QTest::newRow("10-bit") << Media("p10.mkv") << false;
    QTest::newRow("RGB") << Media("rgb.mkv") << false;
    QTest::newRow("palette") << Media("pal8.gif") << false;
    QTest::newRow("odd size") << Media("odd.mkv") << false;
    QTest::newRow("AVI, time base 1/25") << Media("tb25.avi") << false;
}

void VorelDecodeTest::picturesAndAudioMatchFfmpeg()
{
    QFETCH(QString, file);
    QFETCH(bool, hasAudio);
    const Run run = RunTool(QStringLiteral(VOREL_DECODE), {"--untimed", file});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.lines.first().startsWith("duration,"));
    QCOMPARE(run.lines.last(), QByteArray("finished,1"));
    const QList<QByteArray> frames = Lines(run, "frame");
    const QList<QByteArray> expected = FfmpegFrameMd5s(file);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(frames.size(), expected.size());
    for (int i = 0; i < frames.size(); ++i) {
        const QList<QByteArray> fields = frames[i].split(',');
        QCOMPARE(fields[1].toInt(), i);
        QCOMPARE(fields[5].toInt(),
                 fields[3].toInt() * fields[4].toInt() +
                     2 * ((fields[3].toInt() + 1) / 2) * ((fields[4].toInt() + 1) / 2));
        QCOMPARE(fields[6], expected[i]);
    }
    const QList<QByteArray> audio = Lines(run, "audio");
    QCOMPARE(audio.size(), 1);
    if (hasAudio)
        QCOMPARE(audio.first().split(',').at(2), FfmpegAudioMd5(file));
    else
        QCOMPARE(audio.first().split(',').at(1), QByteArray("0"));
}

void VorelDecodeTest::failuresPrintTheMessageAndExitOne()
{
    const Run run = RunTool(QStringLiteral(VOREL_DECODE), {"--untimed", Media("random.mp4")});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(Lines(run, "message").size(), 1);
    QCOMPARE(Lines(run, "frame").size(), 0);
    QCOMPARE(run.lines.last(), QByteArray("finished,0"));
}

void VorelDecodeTest::badUsageExitsTwo_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no file") << QStringList{"--untimed"};
    QTest::newRow("bad speed") << QStringList{"--speed", "3", Media("av.mp4")};
    QTest::newRow("bad seek") << QStringList{"--seek", "abc", Media("av.mp4")};
    QTest::newRow("unknown option") << QStringList{"--fast", Media("av.mp4")};
}

void VorelDecodeTest::badUsageExitsTwo()
{
    QFETCH(QStringList, args);
    QCOMPARE(RunTool(QStringLiteral(VOREL_DECODE), args).exitCode, 2);
}

void VorelDecodeTest::seekAndFrameLimit()
{
    const Run limited = RunTool(QStringLiteral(VOREL_DECODE),
                                {"--untimed", "--no-hash", "--max-frames", "7", Media("av.mp4")});
    QCOMPARE(limited.exitCode, 0);
    QVERIFY(Lines(limited, "frame").size() >= 7);
    QVERIFY(Lines(limited, "frame").first().endsWith(",-"));

    const Run seeked =
        RunTool(QStringLiteral(VOREL_DECODE),
                {"--no-hash", "--seek", "2000", "--seek-at", "400", Media("tb25.avi")});
    QCOMPARE(seeked.exitCode, 0);
    QList<int> positions;
    for (const QByteArray& line : Lines(seeked, "frame"))
        positions << line.split(',').at(2).toInt();
    // Played up to the trigger, then jumped ahead to the key frame at 2000 ms.
    const int jump = positions.indexOf(2000);
    QVERIFY(jump > 0);
    QVERIFY(positions[jump - 1] >= 400 && positions[jump - 1] < 2000);
    QCOMPARE(positions.last(), 3960);
}

void VorelDecodeTest::fastSeekLandsOnTheKeyFrame()
{
    // tb25.avi: a key frame every 400 ms. The exact seek lands on the
    // picture at the target, the fast one on the key frame before it.
    const auto landing = [](const QStringList& extra) {
        const Run run = RunTool(QStringLiteral(VOREL_DECODE),
                                QStringList{"--no-hash", "--seek", "2100", "--seek-at", "400"} +
                                    extra + QStringList{Media("tb25.avi")});
        QList<int> positions;
        for (const QByteArray& line : Lines(run, "frame"))
            positions << line.split(',').at(2).toInt();
        for (int i = 1; i < positions.size(); ++i)
            if (positions[i] >= 2000 && positions[i - 1] < 2000)
                return positions[i];
        return -1;
    };
    QCOMPARE(landing({}), 2080);
    QCOMPARE(landing({"--fast-seek"}), 2000);
}

void VorelDecodeTest::terminalStaysQuietUnlessFrameLinesAreAskedFor()
{
    // 100 pictures: nothing is written per picture or per packet, and no
    // FFmpeg banner, unless the engine's frame category is switched on.
    const Run quiet =
        RunTool(QStringLiteral(VOREL_DECODE), {"--untimed", "--no-hash", Media("av.mp4")});
    QCOMPARE(quiet.exitCode, 0);
    QVERIFY2(quiet.errorLines.size() < 20, quiet.errorLines.join('\n').constData());
    QVERIFY(!quiet.errorLines.join('\n').contains("Input #0"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_LOGGING_RULES"),
               QStringLiteral("vorel.engine.frames.debug=true"));
    const Run chatty =
        RunTool(QStringLiteral(VOREL_DECODE), {"--untimed", "--no-hash", Media("av.mp4")}, env);
    QCOMPARE(chatty.exitCode, 0);
    QVERIFY(chatty.errorLines.size() >= 200); // decoded and shown, per picture
    QVERIFY(chatty.errorLines.join('\n').contains("Input #0"));
}

QTEST_GUILESS_MAIN(VorelDecodeTest)
#include "tst_VorelDecode.moc"
