// vorel-decode against the ffmpeg command-line tool: with --untimed every
// picture and every audio byte must match what FFmpeg itself decodes.

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
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

QByteArray FfmpegAudioMd5(const QString& file, const QString& map = QStringLiteral("0:a:0"))
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"), {"-nostdin", "-loglevel", "error", "-i", file, "-map",
                                             map, "-f", "s16le", "-"});
    process.waitForFinished(120000);
    return QCryptographicHash::hash(process.readAllStandardOutput(), QCryptographicHash::Md5)
        .toHex();
}

// "subtitle,<start>,<end>,<text>" lines match when the texts are equal and
// the times within 30 ms: positions count from the file's start, which the
// AAC encoder's priming moves by about 21 ms before the first picture.
bool SubtitlesMatch(const QList<QByteArray>& got, const QList<QByteArray>& expected)
{
    if (got.size() != expected.size())
        return false;
    for (int i = 0; i < got.size(); ++i) {
        const QList<QByteArray> a = got[i].split(',');
        const QList<QByteArray> b = expected[i].split(',');
        if (a.size() < 4 || a.mid(3) != b.mid(3) || qAbs(a[1].toInt() - b[1].toInt()) > 30 ||
            qAbs(a[2].toInt() - b[2].toInt()) > 30)
            return false;
    }
    return true;
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
    void subtitlesOfTheChosenTrack_data();
    void subtitlesOfTheChosenTrack();
    void soundTrackChosenByNumber();
    void badSubtitleFilesNeverStopPlayback();
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
    QTest::newRow("sound track 0") << QStringList{"--aid", "0", Media("av.mp4")};
    QTest::newRow("bad subtitle track") << QStringList{"--sid", "x", Media("av.mp4")};
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

void VorelDecodeTest::subtitlesOfTheChosenTrack_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QList<QByteArray>>("expected");
    const QList<QByteArray> cues{"subtitle,500,1200,First cue",
                                 "subtitle,1500,2500,Second, with a comma"};
    QTest::newRow("SubRip in Matroska, the file's default")
        << QStringList{Media("subs.mkv")} << cues;
    QTest::newRow("ASS in Matroska, by number")
        << QStringList{"--sid", "2", Media("subs.mkv")}
        << QList<QByteArray>{"subtitle,800,1800,Red at the top"};
    QTest::newRow("off") << QStringList{"--sid", "no", Media("subs.mkv")} << QList<QByteArray>{};
    QTest::newRow("MP4 timed text") << QStringList{"--sid", "1", Media("timed_text.mp4")} << cues;
    QTest::newRow("a file given") << QStringList{"--sub-file", Media("cues.srt"), Media("av.mp4")}
                                  << cues;
    QTest::newRow("WebVTT file given")
        << QStringList{"--sub-file", Media("cues.vtt"), Media("av.mp4")} << cues;
    QTest::newRow("GB18030 file beside the clip")
        << QStringList{Media("gb.mp4")}
        << QList<QByteArray>{"subtitle,400,1000,你好，世界", "subtitle,1100,1800,这是第二句字幕",
                             "subtitle,1900,2500,我们在测试中文编码",
                             "subtitle,2600,3000,简体中文的国家标准",
                             "subtitle,3100,3600,播放器应该正确显示"};
    QTest::newRow("binary garbage beside the clip is skipped")
        << QStringList{Media("garbage.mp4")} << QList<QByteArray>{};
}

void VorelDecodeTest::subtitlesOfTheChosenTrack()
{
    QFETCH(QStringList, args);
    QFETCH(QList<QByteArray>, expected);
    const Run run =
        RunTool(QStringLiteral(VOREL_DECODE), QStringList{"--untimed", "--no-hash"} + args);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines.last(), QByteArray("finished,1"));
    QVERIFY2(SubtitlesMatch(Lines(run, "subtitle"), expected),
             Lines(run, "subtitle").join(" | ").constData());
    // The pictures play as without subtitles.
    QVERIFY(Lines(run, "frame").size() >= 75);
}

void VorelDecodeTest::soundTrackChosenByNumber()
{
    // Two sound tracks of different tones: each number plays its own track,
    // as FFmpeg decodes it; the first plays when none is asked for.
    QList<QByteArray> audio;
    for (const QStringList& choice : {QStringList{}, QStringList{"--aid", "1"}, QStringList{"--aid", "2"}}) {
        const Run run = RunTool(QStringLiteral(VOREL_DECODE),
                                QStringList{"--untimed"} + choice + QStringList{Media("subs.mkv")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(Lines(run, "audio").size(), 1);
        audio << Lines(run, "audio").first().split(',').last();
    }
    QCOMPARE(audio[0], audio[1]);
    QCOMPARE(audio[1], FfmpegAudioMd5(Media("subs.mkv"), QStringLiteral("0:a:0")));
    QCOMPARE(audio[2], FfmpegAudioMd5(Media("subs.mkv"), QStringLiteral("0:a:1")));
    QVERIFY(audio[1] != audio[2]);
}

void VorelDecodeTest::badSubtitleFilesNeverStopPlayback()
{
    QTemporaryDir dir;
    // ASS with a broken header and sections, lines cut short and binary in it.
    QFile broken(dir.filePath(QStringLiteral("broken.ass")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("[Script Info\nPlayResX: -5\n[V4+ Styles]\nFormat: Name\nStyle: ,,,,\n"
                 "[Events]\nFormat: Layer, Start\nDialogue: 0,0:00:00.50\nDialogue: x,y,z\n"
                 "Dialogue: 0,0:00:00.50,0:00:01.00,Nope,,0,0,0,,{\\bad\n");
    broken.write(QByteArray(64, '\0'));
    broken.close();
    // A SubRip file far larger than any real one (over 32 MiB).
    QFile huge(dir.filePath(QStringLiteral("huge.srt")));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    const QByteArray cue = "1\n00:00:00,500 --> 00:00:01,000\nHuge\n\n";
    QByteArray block;
    while (block.size() < 1024 * 1024)
        block += cue;
    for (int i = 0; i < 34; ++i)
        huge.write(block);
    huge.close();
    for (const QString& file : {broken.fileName(), huge.fileName()}) {
        const Run run = RunTool(QStringLiteral(VOREL_DECODE),
                                {"--untimed", "--no-hash", "--sub-file", file, Media("av.mp4")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.last(), QByteArray("finished,1"));
        QCOMPARE(Lines(run, "frame").size(), 100);
        QVERIFY(Lines(run, "subtitle").size() <= 1);
    }
}

QTEST_GUILESS_MAIN(VorelDecodeTest)
#include "tst_VorelDecode.moc"
