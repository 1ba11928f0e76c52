// A user who cannot keep still: several hundred commands in a row (seeks,
// pauses, speed changes, stops and file switches, broken files among them)
// with no wait for any of them to take effect. The engine must neither crash
// nor hang, and must still play a whole file correctly afterwards. The run
// is bounded by its count of commands, with a short pause between them.

#include "EngineProbe.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

class EngineStressTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void randomCommandsNeitherCrashNorHang_data();
    void randomCommandsNeitherCrashNorHang();

private:
    QTemporaryDir m_workDir;
    QByteArray m_packedLayoutFile;
};

void EngineStressTest::initTestCase()
{
    QVERIFY(m_workDir.isValid());
    QDir::setCurrent(m_workDir.path());
    // A size whose pictures the decoder writes into buffers laid out for
    // packing in place (with rows below the picture), so that pictures
    // queued in them meet seeks, stops and switches too.
    m_packedLayoutFile = m_workDir.filePath(QStringLiteral("packed.mp4")).toUtf8();
    const QString encode = QStringLiteral(
        "-nostdin -loglevel error -y -f lavfi -i testsrc2=size=256x136:rate=25:duration=4 "
        "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=4 -c:v libx264 "
        "-preset veryfast -bf 3 -g 25 -pix_fmt yuv420p -c:a aac -shortest");
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), encode.split(QLatin1Char(' '))
                                               << QString::fromUtf8(m_packedLayoutFile));
    QVERIFY(ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0);
}

void EngineStressTest::randomCommandsNeitherCrashNorHang_data()
{
    QTest::addColumn<int>("pacing");
    QTest::newRow("realtime") << int(Pacing::Realtime);
    QTest::newRow("untimed") << int(Pacing::Untimed);
}

void EngineStressTest::randomCommandsNeitherCrashNorHang()
{
    QFETCH(int, pacing);
    const QList<QByteArray> files = {
        MediaPath("av.mp4"),
        MediaPath("tb25.avi"),
        MediaPath("audio_only.m4a"),
        MediaPath("cover.m4a"),
        MediaPath("jump_back.ts"),
        MediaPath("frag60.mp4"),
        MediaPath("cut.mkv"),
        MediaPath("random.mp4"),
        MediaPath("zero.mp4"),
        MediaPath("unknown_codec.mp4"),
        MediaPath("does-not-exist.mp4"),
        MediaPath("video_only.mkv"),
        m_packedLayoutFile,
    };
    // One buffer for every path, as the main window keeps it: a request
    // overtaken by the next one may read the next one's path.
    char pathBuffer[4096] = {};
    PlaySpliterSystem engine;
    engine.SetPacing(static_cast<Pacing>(pacing));
    EngineProbe probe(engine);
    QRandomGenerator random(20261208u + static_cast<unsigned>(pacing));
    for (int i = 0; i < 400; ++i) {
        const int op = random.bounded(100);
        if (op < 12) {
            engine.ClosePlay();
            const QByteArray& file = files[random.bounded(files.size())];
            qstrncpy(pathBuffer, file.constData(), sizeof pathBuffer);
            probe.StartRaw(pathBuffer);
        } else if (op < 55) {
            engine.Seek(random.bounded(-500, 9000),
                        random.bounded(3) ? SeekMode::Exact : SeekMode::KeyFrame);
        } else if (op < 70) {
            engine.StopPlay();
        } else if (op < 85) {
            engine.PlayAgain();
        } else if (op < 95) {
            const float speeds[] = {0.5f, 1.0f, 2.0f};
            engine.setMultiple(speeds[random.bounded(3)]);
        } else {
            engine.ClosePlay();
        }
        QTest::qWait(random.bounded(8));
    }
    engine.ClosePlay();
    QVERIFY(probe.WaitReturned(60000));

    // Afterwards the engine plays a whole file as it should.
    probe.Reset();
    engine.setMultiple(1.0f);
    engine.SetPacing(Pacing::Untimed);
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.frames(), 100);
    QCOMPARE(probe.finishes(), 1);
    const std::vector<int> positions = probe.positions();
    QCOMPARE(int(positions.size()), 100);
    QCOMPARE(positions.back(), 3960);
}

QTEST_GUILESS_MAIN(EngineStressTest)
#include "tst_EngineStress.moc"
