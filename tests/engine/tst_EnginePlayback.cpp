// The engine driven through its slots and signals, as the main window
// drives it: playback to the end, bad input, pause, seek, speed, stop.

#include "AudioOut.h"
#include "EngineProbe.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

class EnginePlaybackTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void suffixDecidesThePath_data();
    void suffixDecidesThePath();
    void badInputFailsCleanlyAndTheNextFilePlays_data();
    void badInputFailsCleanlyAndTheNextFilePlays();
    void undecodablePictureSendsTheMessageInTheConfiguredLanguage();
    void durationBeyond32BitMicroseconds();
    void positionsFollowPresentedPictures();
    void exactSeekLandsOnThePictureAtTheTarget();
    void fastSeekLandsOnTheKeyFrameAtOrBefore();
    void exactSeekPlaysOnToTheLastPicture();
    void seekIsIgnoredWithoutAPlayback();
    void pauseHoldsAndResumeContinues();
    void seekWhilePausedResumes();
    void closePlayEndsWithoutFinish();
    void speedActsDuringThePlaybackAndKeepsNormalSpeedExact();
    void startAndStopManyTimes();

private:
    QTemporaryDir m_workDir;
};

void EnginePlaybackTest::initTestCase()
{
    // "account.ini" is read from the working directory.
    QVERIFY(m_workDir.isValid());
    QDir::setCurrent(m_workDir.path());
}

void EnginePlaybackTest::suffixDecidesThePath_data()
{
    QTest::addColumn<QByteArray>("file");
    // A path without "." is its own suffix.
    QTest::newRow("no dot") << MediaPath("nodot");
    QTest::newRow("spaces and Chinese") << MediaPath("中文 路径 with spaces.mp4");
    QTest::newRow("not UTF-8") << MediaPath("bad\xff\xfename.mp4");
}

void EnginePlaybackTest::suffixDecidesThePath()
{
    QFETCH(QByteArray, file);
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    probe.Start(file);
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.frames(), 100);
    QCOMPARE(probe.finishes(), 1);
    QCOMPARE(probe.durationMs(), 4000);
    QVERIFY(probe.messages().isEmpty());
}

void EnginePlaybackTest::badInputFailsCleanlyAndTheNextFilePlays_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("expectMessage");
    QTest::newRow("missing") << MediaPath("does-not-exist.mp4") << true;
    QTest::newRow("directory") << MediaPath("folder.mp4") << true;
    QTest::newRow("zero bytes") << MediaPath("zero.mp4") << true;
    QTest::newRow("random bytes") << MediaPath("random.mp4") << true;
    QTest::newRow("cut in half") << MediaPath("cut.mkv") << false;
}

void EnginePlaybackTest::badInputFailsCleanlyAndTheNextFilePlays()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, expectMessage);
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    probe.Start(file);
    QVERIFY(probe.WaitReturned());
    QCOMPARE(!probe.messages().isEmpty(), expectMessage);
    if (expectMessage) {
        QCOMPARE(probe.frames(), 0);
        QCOMPARE(probe.finishes(), 0);
    } else {
        // What could be read is shown, then the file ends normally.
        QVERIFY(probe.frames() > 10);
        QVERIFY(probe.frames() < 100);
        QCOMPARE(probe.finishes(), 1);
    }
    probe.Reset();
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.frames(), 100);
    QCOMPARE(probe.finishes(), 1);
}

void EnginePlaybackTest::undecodablePictureSendsTheMessageInTheConfiguredLanguage()
{
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    probe.Start(MediaPath("unknown_codec.mp4"));
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.messages(), QStringList{QStringLiteral("寻找视频解码器失败")});
    QCOMPARE(probe.finishes(), 0);

    {
        QSettings settings(QStringLiteral("account.ini"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Language/type"), QStringLiteral("en_us"));
    }
    probe.Reset();
    probe.Start(MediaPath("zero.mp4"));
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.messages(), QStringList{QStringLiteral("avcodec_configuration failed")});
    QFile::remove(QStringLiteral("account.ini"));
}

void EnginePlaybackTest::durationBeyond32BitMicroseconds()
{
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    probe.Start(MediaPath("long.mkv"));
    QVERIFY(EngineProbe::WaitFor([&] { return probe.durationMs() >= 0; }));
    QCOMPARE(probe.durationMs(), 2170000);
    engine.ClosePlay();
    QVERIFY(probe.WaitReturned());
}

void EnginePlaybackTest::positionsFollowPresentedPictures()
{
    // B-frames are decoded out of order; the positions reported are those of
    // the pictures as shown, so they rise by one picture (40 ms) each time.
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(probe.WaitReturned());
    const std::vector<int> positions = probe.positions();
    QCOMPARE(int(positions.size()), 100);
    for (size_t i = 0; i < positions.size(); ++i)
        QCOMPARE(positions[i], int(i) * 40);
}

namespace
{
struct SeekCase {
    int target;
    int landing;
};

// Seeks a paused playback of tb25.avi (time base 1/25, a key frame every 10
// pictures, 400 ms) to each target and checks the first picture shown.
void CheckSeekLandings(SeekMode mode, const std::vector<SeekCase>& cases)
{
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(MediaPath("tb25.avi"));
    QVERIFY(EngineProbe::WaitFor([&] { return probe.frames() >= 3; }));
    for (const SeekCase& c : cases) {
        engine.StopPlay();
        QTest::qWait(50); // lets a picture already taken out arrive first
        probe.Reset();
        engine.Seek(c.target, mode);
        QVERIFY(EngineProbe::WaitFor([&] { return !probe.positions().empty(); }));
        QCOMPARE(probe.positions().front(), c.landing);
    }
    engine.ClosePlay();
    QVERIFY(probe.WaitReturned());
}
} // namespace

void EnginePlaybackTest::exactSeekLandsOnThePictureAtTheTarget()
{
    // The picture shown at the target: the one whose 40 ms span holds it.
    // The last case ends the file (only its last picture is left to show).
    CheckSeekLandings(
        SeekMode::Exact,
        {{2100, 2080}, {0, 0}, {1200, 1200}, {1239, 1200}, {2399, 2360}, {3999, 3960}});
    // Past the last picture: the last one.
    CheckSeekLandings(SeekMode::Exact, {{9000, 3960}});
}

void EnginePlaybackTest::fastSeekLandsOnTheKeyFrameAtOrBefore()
{
    CheckSeekLandings(SeekMode::KeyFrame, {{2100, 2000}, {0, 0}, {1200, 1200}, {3999, 3600}});
}

void EnginePlaybackTest::exactSeekPlaysOnToTheLastPicture()
{
    // The picture before the target, decoded but not shown, must not come
    // back at the end of the file.
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(MediaPath("subs.mkv"));
    QVERIFY(EngineProbe::WaitFor([&] { return probe.frames() >= 8; }));
    const size_t before = probe.positions().size();
    engine.timechange(1030);
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
    const std::vector<int> positions = probe.positions();
    QVERIFY(positions.size() > before + 40);
    // After the landing the positions only go on, to the last picture.
    const auto landing = std::find_if(positions.begin() + before, positions.end(),
                                      [](int ms) { return ms >= 1000; });
    QVERIFY(landing != positions.end());
    QVERIFY(std::is_sorted(landing, positions.end()));
    QVERIFY2(positions.back() >= 2940, qPrintable(QString::number(positions.back())));
}

void EnginePlaybackTest::seekIsIgnoredWithoutAPlayback()
{
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    engine.timechange(1000); // before any playback
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(EngineProbe::WaitFor([&] { return probe.frames() >= 2; }));
    engine.ClosePlay();
    engine.timechange(1000); // after the stop
    QVERIFY(probe.WaitReturned());
    engine.ForceStop();
    engine.timechange(1000);
    QCOMPARE(probe.finishes(), 0);
}

void EnginePlaybackTest::pauseHoldsAndResumeContinues()
{
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(EngineProbe::WaitFor([&] { return probe.frames() >= 5; }));
    engine.StopPlay();
    QTest::qWait(100); // a picture already due may still come
    const int held = probe.frames();
    QTest::qWait(400);
    QCOMPARE(probe.frames(), held);
    const int heldPosition = probe.positions().back();
    engine.PlayAgain();
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
    // Playback resumed where it stood: the next position follows on.
    const std::vector<int> positions = probe.positions();
    const auto after = std::find(positions.begin(), positions.end(), heldPosition);
    QVERIFY(after != positions.end() && after + 1 != positions.end());
    QVERIFY(*(after + 1) > heldPosition && *(after + 1) <= heldPosition + 120);
}

void EnginePlaybackTest::seekWhilePausedResumes()
{
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(EngineProbe::WaitFor([&] { return probe.frames() >= 3; }));
    engine.StopPlay();
    engine.timechange(3000);
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
    QCOMPARE(probe.positions().back(), 3960);
}

void EnginePlaybackTest::closePlayEndsWithoutFinish()
{
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(EngineProbe::WaitFor([&] { return probe.frames() >= 3; }));
    engine.ClosePlay();
    QVERIFY(probe.WaitReturned());
    QTest::qWait(50);
    QCOMPARE(probe.finishes(), 0);
}

void EnginePlaybackTest::speedActsDuringThePlaybackAndKeepsNormalSpeedExact()
{
    QByteArray untimedPcm;
    {
        PlaySpliterSystem engine;
        engine.SetPacing(Pacing::Untimed);
        engine.audioOut()->SetTap([&](const QByteArray& pcm) { untimedPcm += pcm; });
        EngineProbe probe(engine);
        probe.Start(MediaPath("av.mp4"));
        QVERIFY(probe.WaitReturned());
    }
    QByteArray normal, fast;
    PlaySpliterSystem engine;
    QByteArray* sink = &normal;
    engine.audioOut()->SetTap([&](const QByteArray& pcm) { *sink += pcm; });
    EngineProbe probe(engine);
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(probe.WaitReturned());
    // At 1x the sound reaches the device bit for bit as decoded.
    QCOMPARE(normal.size(), untimedPcm.size());
    QVERIFY(normal == untimedPcm);

    sink = &fast;
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(EngineProbe::WaitFor([&] { return probe.frames() >= 2; }));
    engine.setMultiple(2.0f); // direct: takes effect in this playback
    QVERIFY(probe.WaitReturned());
    QVERIFY2(fast.size() < normal.size() * 0.65, qPrintable(QString::number(fast.size())));
    QVERIFY(fast.size() > normal.size() * 0.4);
}

void EnginePlaybackTest::startAndStopManyTimes()
{
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    for (int i = 0; i < 50; ++i) {
        probe.Start(MediaPath(i % 2 ? "av.mp4" : "video_only.mkv"));
        QTest::qWait(i % 5);
        engine.ClosePlay();
        QVERIFY(probe.WaitReturned());
    }
    probe.Reset();
    probe.Start(MediaPath("av.mp4"));
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.frames(), 100);
    QCOMPARE(probe.finishes(), 1);
}

QTEST_GUILESS_MAIN(EnginePlaybackTest)
#include "tst_EnginePlayback.moc"
