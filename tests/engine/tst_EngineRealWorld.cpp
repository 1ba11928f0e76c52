// Files as cameras, phones and recorders write them, played the way a user
// plays them: pictures stored seconds ahead of their sound, time stamps that
// jump, sound without pictures, pictures no decoder knows, quick changes of
// file, and the description of each picture (turn, samples, colours).

#include "AudioOut.h"
#include "EngineProbe.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace
{
QByteArray FfmpegFirstFrameMd5(const QString& file, const char* pixelFormat)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-nostdin", "-loglevel", "error", "-i", file, "-frames:v", "1", "-pix_fmt",
                  pixelFormat, "-f", "framemd5", "-"});
    ffmpeg.waitForFinished(60000);
    for (const QByteArray& line : ffmpeg.readAllStandardOutput().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            return line.split(',').last().trimmed();
    return {};
}
} // namespace

class EngineRealWorldTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void picturesStoredAheadOfTheirSoundPlayThrough();
    void timeStampJumpsNeitherFreezeNorDropPictures_data();
    void timeStampJumpsNeitherFreezeNorDropPictures();
    void soundOnlyFilesPlay_data();
    void soundOnlyFilesPlay();
    void coverPictureLeavesThePositionToTheSound();
    void soundEndsBeforeTheEndIsReported();
    void undecodablePictureIsReportedAndLaterSeeksAreHarmless();
    void undecodableSoundIsReportedAndThePicturePlaysOn();
    void startOvertakenByAnotherIsNeverPlayed();
    void eachPictureCarriesItsFormat_data();
    void eachPictureCarriesItsFormat();
    void fullRangePicturesKeepTheirSamples();

private:
    QTemporaryDir m_workDir;
};

void EngineRealWorldTest::initTestCase()
{
    QVERIFY(m_workDir.isValid());
    QDir::setCurrent(m_workDir.path()); // "account.ini" is read from here
}

void EngineRealWorldTest::picturesStoredAheadOfTheirSoundPlayThrough()
{
    // 8 s at 60 fps in fragments of 5 s, each holding its pictures first.
    QByteArray untimedPcm;
    int untimedFrames = 0;
    {
        PlaySpliterSystem engine;
        engine.SetPacing(Pacing::Untimed);
        engine.audioOut()->SetTap([&](const QByteArray& pcm) { untimedPcm += pcm; });
        EngineProbe probe(engine);
        probe.Start(MediaPath("frag60.mp4"));
        QVERIFY(probe.WaitReturned());
        untimedFrames = probe.frames();
        QCOMPARE(untimedFrames, 480);
    }
    QByteArray pcm;
    PlaySpliterSystem engine;
    engine.audioOut()->SetTap([&](const QByteArray& chunk) { pcm += chunk; });
    EngineProbe probe(engine);
    probe.Start(MediaPath("frag60.mp4"));
    QVERIFY(probe.WaitReturned(60000));
    QCOMPARE(probe.finishes(), 1);
    QVERIFY(probe.messages().isEmpty());
    // All the sound was heard and the picture went on to the end (a busy
    // machine may skip late pictures to keep up with the sound).
    QCOMPARE(pcm.size(), untimedPcm.size());
    QVERIFY2(probe.frames() > untimedFrames / 2, qPrintable(QString::number(probe.frames())));
    QVERIFY(probe.positions().back() >= 7900);
}

void EngineRealWorldTest::timeStampJumpsNeitherFreezeNorDropPictures_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("firstMs");
    QTest::addColumn<int>("afterJumpMs");
    // Two parts of 3 s (75 pictures each); the time stamps jump 100 s
    // (FFmpeg reads the jump back as a wrap of the 33-bit time stamps, far
    // ahead: where it lands is not checked).
    QTest::newRow("forward") << MediaPath("jump_forward.ts") << 0 << 100000;
    QTest::newRow("backward") << MediaPath("jump_back.ts") << 0 << -1;
}

void EngineRealWorldTest::timeStampJumpsNeitherFreezeNorDropPictures()
{
    QFETCH(QByteArray, file);
    QFETCH(int, firstMs);
    QFETCH(int, afterJumpMs);
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(file);
    // Played at its own pace, the file lasts 6 s; a freeze lasts the jump.
    QVERIFY(probe.WaitReturned(40000));
    QCOMPARE(probe.finishes(), 1);
    // 150 pictures; a machine busy with other work may skip some that come
    // late, but never a whole part.
    QVERIFY2(probe.frames() >= 100, qPrintable(QString::number(probe.frames())));
    const std::vector<int> positions = probe.positions();
    const auto jump = std::adjacent_find(positions.begin(), positions.end(),
                                         [](int a, int b) { return qAbs(b - a) > 50000; });
    QVERIFY(jump != positions.end());
    QVERIFY(qAbs(positions.front() - firstMs) < 2000);
    if (afterJumpMs >= 0)
        QVERIFY(qAbs(*(jump + 1) - afterJumpMs) < 2000);
    // Both parts were shown (not skipped to catch up with a clock).
    QVERIFY2(jump - positions.begin() >= 45, qPrintable(QString::number(jump - positions.begin())));
    QVERIFY2(positions.end() - jump >= 45, qPrintable(QString::number(positions.end() - jump)));
}

void EngineRealWorldTest::soundOnlyFilesPlay_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("pictures");
    QTest::newRow("m4a") << MediaPath("audio_only.m4a") << 0;
    QTest::newRow("m4a with a cover picture") << MediaPath("cover.m4a") << 1;
}

void EngineRealWorldTest::soundOnlyFilesPlay()
{
    QFETCH(QByteArray, file);
    QFETCH(int, pictures);
    QByteArray pcm;
    PlaySpliterSystem engine;
    engine.audioOut()->SetTap([&](const QByteArray& chunk) { pcm += chunk; });
    EngineProbe probe(engine);
    probe.Start(file);
    QVERIFY(probe.WaitReturned());
    QVERIFY(probe.messages().isEmpty());
    QCOMPARE(probe.finishes(), 1);
    QCOMPARE(probe.frames(), pictures);
    QCOMPARE(probe.durationMs() / 100, 20);
    // Two seconds of sound in the device's format; the position followed it.
    const QAudioFormat format = engine.audioOut()->Format();
    QVERIFY(qAbs(format.durationForBytes(pcm.size()) - 2000000) < 100000);
    const std::vector<int> positions = probe.positions();
    QVERIFY(positions.size() >= 3);
    QVERIFY(std::is_sorted(positions.begin(), positions.end()));
    QVERIFY(positions.back() >= 1000);
}

void EngineRealWorldTest::coverPictureLeavesThePositionToTheSound()
{
    // The cover is queued again after every seek, with the time stamp of the
    // file's start; shown, it must not pull the position back there.
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(MediaPath("cover.m4a"));
    QTRY_VERIFY(!probe.positions().empty() && probe.positions().back() >= 300);
    const size_t before = probe.positions().size();
    const int beforeMs = probe.positions().back();
    engine.timechange(1200);
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
    QVERIFY(probe.frames() >= 2);
    const std::vector<int> positions = probe.positions();
    QVERIFY(positions.size() > before);
    for (size_t i = before; i < positions.size(); ++i)
        QVERIFY2(positions[i] >= beforeMs, qPrintable(QString::number(positions[i])));
    QVERIFY(positions.back() >= 1500);
}

void EngineRealWorldTest::soundEndsBeforeTheEndIsReported()
{
    // The window starts the next file when the end is reported: by then the
    // device has played the last of the sound, not just been handed it.
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    std::atomic<qint64> bufferedAtFinishUs{-1};
    QObject::connect(
        &engine, &PlaySpliterSystem::sigPlayFinish, &engine,
        [&] { bufferedAtFinishUs = engine.audioOut()->BufferedUs(); }, Qt::DirectConnection);
    probe.Start(MediaPath("audio_only.m4a"));
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
    QVERIFY2(bufferedAtFinishUs >= 0 && bufferedAtFinishUs < 50000,
             qPrintable(QString::number(bufferedAtFinishUs)));
}

void EngineRealWorldTest::undecodablePictureIsReportedAndLaterSeeksAreHarmless()
{
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(MediaPath("unknown_codec.mp4"));
    for (int i = 0; i < 20; ++i) {
        engine.timechange(i * 100); // while it opens, fails and after
        QTest::qWait(2);
    }
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.messages(), QStringList{QStringLiteral("寻找视频解码器失败")});
    QCOMPARE(probe.frames(), 0);
    QCOMPARE(probe.finishes(), 0);
    engine.timechange(1000);
    engine.StopPlay();
    engine.PlayAgain();
    engine.timechange(2000);

    probe.Reset();
    engine.SetPacing(Pacing::Untimed);
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.frames(), 100);
    QCOMPARE(probe.finishes(), 1);
}

void EngineRealWorldTest::undecodableSoundIsReportedAndThePicturePlaysOn()
{
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    probe.Start(MediaPath("unknown_sound.mkv"));
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.messages(), QStringList{QStringLiteral("寻找音频解码器失败")});
    QCOMPARE(probe.frames(), 100);
    QCOMPARE(probe.finishes(), 1);
}

void EngineRealWorldTest::startOvertakenByAnotherIsNeverPlayed()
{
    // Two quick double-clicks: each stops what plays and asks for its file.
    // The window keeps one path buffer, so both requests may read the second
    // path; the second file must play once, the first not at all.
    const QByteArray first = MediaPath("video_only.mkv");
    const QByteArray second = MediaPath("av.mp4");
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    // The engine thread is busy (ending the previous file) while both come.
    const auto busy = [&engine] {
        QMetaObject::invokeMethod(&engine, [] { QThread::msleep(200); });
    };
    busy();
    engine.ClosePlay();
    probe.StartRaw(first.constData());
    engine.ClosePlay();
    probe.StartRaw(second.constData());
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.frames(), 100);
    QCOMPARE(probe.finishes(), 1);
    QCOMPARE(probe.durations(), 1);
    QCOMPARE(probe.durationMs(), 4000);
}

void EngineRealWorldTest::eachPictureCarriesItsFormat_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("matrix");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("sarNum");
    QTest::addColumn<int>("sarDen");
    const int bt601 = int(YuvMatrix::Bt601);
    const int limited = int(YuvRange::Limited);
    // 320x240 without a matrix: guessed as SD.
    QTest::newRow("plain") << MediaPath("av.mp4") << bt601 << limited << 0 << 1 << 1;
    QTest::newRow("turned") << MediaPath("rotated.mp4") << bt601 << limited << 90 << 1 << 1;
    QTest::newRow("non-square samples")
        << MediaPath("sar.mkv") << bt601 << limited << 0 << 16 << 15;
    QTest::newRow("full-range BT.709")
        << MediaPath("full709.mkv") << int(YuvMatrix::Bt709) << int(YuvRange::Full) << 0 << 1 << 1;
    QTest::newRow("JPEG 4:2:2") << MediaPath("yuvj422.mkv") << bt601 << int(YuvRange::Full) << 0
                                << 1 << 1;
    QTest::newRow("RGB") << MediaPath("rgb.mkv") << bt601 << limited << 0 << 1 << 1;
}

void EngineRealWorldTest::eachPictureCarriesItsFormat()
{
    QFETCH(QByteArray, file);
    QFETCH(int, matrix);
    QFETCH(int, range);
    QFETCH(int, rotation);
    QFETCH(int, sarNum);
    QFETCH(int, sarDen);
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    for (int run = 0; run < 2; ++run) {
        probe.Reset();
        probe.Start(file);
        QVERIFY(probe.WaitReturned());
        QVERIFY(probe.frames() > 0);
        // Announced once per playback, before its first picture.
        const std::vector<PictureFormat> formats = probe.formats();
        QCOMPARE(int(formats.size()), 1);
        QCOMPARE(probe.formatAtPicture().front(), 0);
        const PictureFormat& format = formats.front();
        QCOMPARE(int(format.matrix), matrix);
        QCOMPARE(int(format.range), range);
        QCOMPARE(format.rotationCwDeg, rotation);
        QCOMPARE(format.mirrored, false);
        QCOMPARE(format.sarNum, sarNum);
        QCOMPARE(format.sarDen, sarDen);
    }
}

void EngineRealWorldTest::fullRangePicturesKeepTheirSamples()
{
    // A JPEG 4:2:2 picture packed into 4:2:0 keeps its full-range samples
    // (its format says Full), as FFmpeg converts it into yuvj420p.
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    QByteArray firstMd5;
    QObject::connect(
        &engine, &PlaySpliterSystem::sigYuv, &engine,
        [&](uchar* p, uint, uint, int size) {
            if (firstMd5.isEmpty())
                firstMd5 = QCryptographicHash::hash(
                               QByteArray::fromRawData(reinterpret_cast<char*>(p), size),
                               QCryptographicHash::Md5)
                               .toHex();
        },
        Qt::DirectConnection);
    probe.Start(MediaPath("yuvj422.mkv"));
    QVERIFY(probe.WaitReturned());
    const QString file = QString::fromUtf8(MediaPath("yuvj422.mkv"));
    QCOMPARE(firstMd5, FfmpegFirstFrameMd5(file, "yuvj420p"));
    QVERIFY(firstMd5 != FfmpegFirstFrameMd5(file, "yuv420p"));
}

QTEST_GUILESS_MAIN(EngineRealWorldTest)
#include "tst_EngineRealWorld.moc"
