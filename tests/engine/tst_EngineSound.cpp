// What is heard: the engine's sound recorded from the output's monitor while
// files made at test time play. The volume scales the sound and silences it,
// a pause is heard as a gap with nothing lost, the end of a file is heard
// whole before the next file starts, and a sound shorter than a device's
// usual start-up buffer is heard and does not hold the picture back.

#include "AudioOut.h"
#include "EngineProbe.h"
#include "MonitorRecorder.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace
{
// The files' tone: 440 Hz at half of full scale, for 1.5 s.
constexpr int kToneAmplitude = 16384;
constexpr int kToneMs = 1500;
constexpr int kLoud = 1000;
} // namespace

class EngineSoundTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void volumeScalesWhatIsHeard();
    void pauseIsHeardAsAGapAndLosesNothing();
    void endOfAFileIsHeardBeforeTheNextStarts();
    void shortSoundIsHeardAndDoesNotHoldThePicture();

private:
    QByteArray Make(const QString& name, const QStringList& args);

    QTemporaryDir m_dir;
    QByteArray m_tone;
    QByteArray m_silence;
    QByteArray m_blip;
    MonitorRecorder m_monitor;
};

QByteArray EngineSoundTest::Make(const QString& name, const QStringList& args)
{
    const QString path = m_dir.filePath(name);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{"-nostdin", "-loglevel", "error", "-y"} + args + QStringList{path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return {};
    return QFile::encodeName(path);
}

void EngineSoundTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir::setCurrent(m_dir.path()); // "account.ini" is read from here
    const QString video = QStringLiteral("testsrc=size=64x48:rate=25:duration=");
    const QString tone = QStringLiteral("aevalsrc=0.5*sin(2*PI*440*t):s=48000:d=");
    m_tone = Make("tone.mkv", {"-f", "lavfi", "-i", video + "1.5", "-f", "lavfi", "-i",
                               tone + "1.5", "-ac", "2", "-c:v", "ffv1", "-c:a", "pcm_s16le"});
    m_silence = Make("silence.mkv",
                     {"-f", "lavfi", "-i", video + "0.5", "-f", "lavfi", "-i",
                      "aevalsrc=0:s=48000:d=0.5", "-ac", "2", "-c:v", "ffv1", "-c:a", "pcm_s16le"});
    // 30 ms of sound under 2 s of pictures.
    m_blip = Make("blip.mkv", {"-f", "lavfi", "-i", video + "2", "-f", "lavfi", "-i", tone + "0.03",
                               "-ac", "2", "-c:v", "ffv1", "-c:a", "pcm_s16le"});
    QVERIFY(!m_tone.isEmpty() && !m_silence.isEmpty() && !m_blip.isEmpty());
    QVERIFY2(m_monitor.Start(), "no sound server monitor to record from");
}

// Each volume plays the whole file; what is heard is compared with what is
// heard at full volume (the output may have a level of its own).
void EngineSoundTest::volumeScalesWhatIsHeard()
{
    int fullPeak = 0;
    for (const double volume : {1.0, 0.25, 0.0}) {
        PlaySpliterSystem engine;
        EngineProbe probe(engine);
        engine.audioOut()->SetVolume(volume);
        const size_t mark = m_monitor.Mark();
        probe.Start(m_tone);
        QVERIFY(probe.WaitReturned());
        QCOMPARE(probe.finishes(), 1);
        const std::vector<qint16> heard = m_monitor.Since(mark);
        if (volume == 0) {
            QCOMPARE(MonitorRecorder::LoudMs(MonitorRecorder::LoudWindows(heard, 100)), 0);
            continue;
        }
        const int loudMs = MonitorRecorder::LoudMs(MonitorRecorder::LoudWindows(heard, kLoud));
        QVERIFY2(qAbs(loudMs - kToneMs) <= 50, qPrintable(QString::number(loudMs)));
        const int peak = MonitorRecorder::MedianPeak(heard, kLoud);
        if (volume == 1.0) {
            // Not far below the file's own level.
            QVERIFY2(peak > kToneAmplitude / 2, qPrintable(QString::number(peak)));
            fullPeak = peak;
            continue;
        }
        QVERIFY2(qAbs(peak - fullPeak * volume) < fullPeak * volume * 0.05,
                 qPrintable(QString("%1 of %2").arg(peak).arg(fullPeak)));
    }
}

void EngineSoundTest::pauseIsHeardAsAGapAndLosesNothing()
{
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    const size_t mark = m_monitor.Mark();
    probe.Start(m_tone);
    QVERIFY(EngineProbe::WaitFor([&] {
        const std::vector<int> positions = probe.positions();
        return !positions.empty() && positions.back() >= 500;
    }));
    engine.StopPlay();
    QTest::qWait(800);
    engine.PlayAgain();
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
    const std::vector<bool> windows = MonitorRecorder::LoudWindows(m_monitor.Since(mark), kLoud);
    const int loudMs = MonitorRecorder::LoudMs(windows);
    QVERIFY2(loudMs >= kToneMs - 50 && loudMs <= kToneMs + 50, qPrintable(QString::number(loudMs)));
    const int gapMs = MonitorRecorder::LongestGapMs(windows);
    QVERIFY2(gapMs >= 300, qPrintable(QString::number(gapMs)));
}

void EngineSoundTest::endOfAFileIsHeardBeforeTheNextStarts()
{
    // As the window does it: the next file is started when the end is reported.
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    const QByteArray next = m_silence;
    QObject::connect(
        &engine, &PlaySpliterSystem::sigPlayFinish, &engine,
        [&] {
            QMetaObject::invokeMethod(&engine, "StartSpliter", Qt::QueuedConnection,
                                      Q_ARG(const char*, next.constData()));
        },
        Qt::DirectConnection);
    const size_t mark = m_monitor.Mark();
    probe.Start(m_tone);
    QVERIFY(EngineProbe::WaitFor([&] { return probe.finishes() >= 2; }));
    QVERIFY(probe.WaitReturned());
    const int loudMs =
        MonitorRecorder::LoudMs(MonitorRecorder::LoudWindows(m_monitor.Since(mark), kLoud));
    QVERIFY2(loudMs >= kToneMs - 50, qPrintable(QString::number(loudMs)));
}

void EngineSoundTest::shortSoundIsHeardAndDoesNotHoldThePicture()
{
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    const size_t mark = m_monitor.Mark();
    probe.Start(m_blip);
    QVERIFY(probe.WaitReturned(15000));
    QCOMPARE(probe.finishes(), 1);
    // A held picture would stop at the first; a busy machine may skip a few.
    QVERIFY2(probe.frames() > 40, qPrintable(QString::number(probe.frames())));
    const int loudMs =
        MonitorRecorder::LoudMs(MonitorRecorder::LoudWindows(m_monitor.Since(mark), kLoud));
    QVERIFY2(loudMs >= 20, qPrintable(QString::number(loudMs)));
}

QTEST_MAIN(EngineSoundTest)
#include "tst_EngineSound.moc"
