// Playback control without a window or an engine: the engine calls and view
// reports it signals for play order, failures, the play button, row removal,
// relative seeks, volume, mute and speed.
#include "PlaybackController.h"
#include "ResumePositions.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// The paths handed to the engine, read while the buffer is valid.
class Starts : public QStringList
{
public:
    explicit Starts(PlaybackController* control)
    {
        QObject::connect(control, &PlaybackController::sigStartSpliter,
                         [this](const char* file) { append(QString::fromUtf8(file)); });
    }
};

} // namespace

class PlaybackControllerTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // Files that exist (the controller only checks that they are files).
    QVector<QString> Files(int count)
    {
        QVector<QString> list;
        for (int i = 0; i < count; ++i) {
            const QString path = m_dir.filePath(QStringLiteral("clip%1.mp4").arg(i));
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            list << path;
        }
        return list;
    }

    static QString Missing(int i) { return QStringLiteral("/nonexistent/gone%1.mp4").arg(i); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QSettings(QStringLiteral("account.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("Language/type"), QStringLiteral("en_us"));
    }

    void newListStopsAndPlaysNothing()
    {
        PlaybackController control;
        Starts started(&control);
        QSignalSpy stopped(&control, &PlaybackController::sigStopped);
        QSignalSpy listed(&control, &PlaybackController::sigListChanged);
        control.SetFiles(Files(3));
        QCOMPARE(started.count(), 0);
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(listed.count(), 1);
        QCOMPARE(control.currentIndex(), -1);
        QVERIFY(!control.isPlaying());
    }

    void endOfFileAndButtonsFollowThePlayMode()
    {
        PlaybackController control;
        Starts started(&control);
        const QVector<QString> files = Files(3);
        control.SetFiles(files);
        control.Play(2);
        QCOMPARE(started.at(0), files[2]);
        control.OnFinished(); // AutoPlay wraps
        QCOMPARE(control.currentIndex(), 0);
        control.Previous(); // and back round the other way
        QCOMPARE(control.currentIndex(), 2);
        control.Next();
        QCOMPARE(control.currentIndex(), 0);

        control.SetPlayMode(1); // SinglePlay: the same file again
        control.OnFinished();
        control.Next();
        control.Previous();
        QCOMPARE(control.currentIndex(), 0);
        QCOMPARE(started.count(), 7);

        control.SetPlayMode(3); // StopPlay: finished, the play button replays
        control.OnFinished();
        QVERIFY(control.isFinished());
        QVERIFY(!control.isPlaying());
        control.TogglePlay();
        QVERIFY(!control.isFinished());
        QVERIFY(control.isPlaying());
        QCOMPARE(started.at(started.count() - 1), files[0]);

        control.SetPlayMode(2);
        for (int i = 0; i < 20; ++i) {
            control.OnFinished();
            QVERIFY(control.currentIndex() >= 0 && control.currentIndex() < 3);
        }
        control.SetFiles({});
        control.Next(); // empty list: stays stopped
        QCOMPARE(control.currentIndex(), -1);
        QVERIFY(!control.isPlaying());
    }

    void aMissingFileIsReportedAndPlayGoesOn()
    {
        PlaybackController control;
        Starts started(&control);
        QSignalSpy messages(&control, &PlaybackController::sigMessage);
        QSignalSpy modes(&control, &PlaybackController::sigPlayModeChanged);
        const QVector<QString> files = Files(2);
        control.SetFiles({files[0], Missing(1), files[1]});
        control.Play(1);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.first().first().toString(),
                 QStringLiteral("The file cannot be found: gone1.mp4"));
        QVERIFY(!control.isPlaying());
        QVERIFY(!control.isActive());
        QTRY_COMPARE(control.currentIndex(), 2);
        QCOMPARE(started.at(0), files[1]);
        QVERIFY(control.isPlaying());
        QCOMPARE(control.playMode(), 0);
        QCOMPARE(modes.count(), 0);
    }

    void failuresStopWhereThePlayModeStopsOrWhenNothingPlays()
    {
        PlaybackController control;
        QSignalSpy messages(&control, &PlaybackController::sigMessage);
        Starts started(&control);
        control.SetFiles({Missing(0), Missing(1), Missing(2)});
        control.Play(0);
        // Each file fails once, then automatic play gives up.
        QTRY_COMPARE(messages.count(), 3);
        QTest::qWait(50);
        QCOMPARE(messages.count(), 3);
        QCOMPARE(started.count(), 0);

        // SinglePlay and StopPlay do not move on by themselves.
        const QVector<QString> files = Files(1);
        for (int mode : {1, 3}) {
            control.SetFiles({Missing(0), files[0]});
            control.SetPlayMode(mode);
            control.Play(0);
            QTest::qWait(50);
            QCOMPARE(control.currentIndex(), 0);
            QCOMPARE(control.playMode(), mode);
        }
        QCOMPARE(started.count(), 0);
    }

    void anEngineFailureBeforeThePictureSkipsTheFileOneAfterItDoesNot()
    {
        PlaybackController control;
        QSignalSpy messages(&control, &PlaybackController::sigMessage);
        QSignalSpy closed(&control, &PlaybackController::sigClosePlay);
        const QVector<QString> files = Files(3);
        control.SetFiles(files);
        control.Play(0);
        control.OnEngineMessage(QStringLiteral("cannot open"));
        QCOMPARE(messages.count(), 1);
        QVERIFY(!control.isActive());
        // The end of the failed playback, reported late, changes nothing.
        control.OnFinished();
        QCOMPARE(control.currentIndex(), 0);
        QTRY_COMPARE(control.currentIndex(), 1);
        QVERIFY(control.isActive());
        control.OnPosition(1200);
        const int closes = closed.count();
        control.OnEngineMessage(QStringLiteral("audio failed"));
        QCOMPARE(messages.count(), 2);
        QCOMPARE(control.currentIndex(), 1);
        QVERIFY(control.isActive());
        QCOMPARE(closed.count(), closes);
        QCOMPARE(control.playMode(), 0);
    }

    void playButtonWithNothingStartedPlaysTheSelectedOrFirstRow()
    {
        PlaybackController control;
        Starts started(&control);
        QSignalSpy paused(&control, &PlaybackController::sigPause);
        QSignalSpy resumed(&control, &PlaybackController::sigResume);
        control.TogglePlay(); // empty list: nothing
        QCOMPARE(started.count(), 0);
        QVERIFY(!control.isPlaying());
        const QVector<QString> files = Files(3);
        control.SetFiles(files);
        control.TogglePlay(2);
        QCOMPARE(started.at(0), files[2]);
        control.TogglePlay(0); // started: pauses, whatever is selected
        QCOMPARE(paused.count(), 1);
        QVERIFY(!control.isPlaying());
        control.TogglePlay(0);
        QCOMPARE(resumed.count(), 1);
        QVERIFY(control.isPlaying());
        control.SetFiles(files);
        control.TogglePlay(-1);
        QCOMPARE(started.at(1), files[0]);
        QCOMPARE(started.count(), 2);
    }

    void removingARow_data()
    {
        QTest::addColumn<int>("playing");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("expected"); // index into the original list
        QTest::addColumn<bool>("restarts");
        QTest::newRow("the playing row") << 1 << 1 << 2 << true;
        QTest::newRow("the last row, playing") << 3 << 3 << 0 << true;
        QTest::newRow("a row before it") << 2 << 0 << 2 << false;
        QTest::newRow("a row after it") << 1 << 3 << 1 << false;
    }

    void removingARow()
    {
        QFETCH(int, playing);
        QFETCH(int, removed);
        QFETCH(int, expected);
        QFETCH(bool, restarts);
        PlaybackController control;
        const QVector<QString> files = Files(4);
        control.SetFiles(files);
        control.Play(playing);
        Starts started(&control);
        QSignalSpy closed(&control, &PlaybackController::sigClosePlay);
        control.RemoveRow(removed);
        QCOMPARE(control.files().size(), 3);
        QVERIFY(!control.files().contains(files[removed]));
        QCOMPARE(control.files().value(control.currentIndex()), files[expected]);
        QCOMPARE(started.count(), restarts ? 1 : 0);
        QCOMPARE(closed.isEmpty(), !restarts);
        QVERIFY(control.isPlaying());
    }

    void openedFilesAreAddedOnceAndTheFirstPlays()
    {
        PlaybackController control;
        Starts started(&control);
        const QVector<QString> files = Files(3);
        control.SetFiles({files[0]});
        control.OpenFiles({files[1], files[0], files[2]});
        QCOMPARE(control.files(), files);
        QCOMPARE(started.at(0), files[1]);
        control.OpenFiles({files[2]});
        QCOMPARE(control.files().size(), 3);
        QCOMPARE(control.currentIndex(), 2);
    }

    void relativeSeeksStayInsideTheFile()
    {
        PlaybackController control;
        QSignalSpy seeks(&control, &PlaybackController::sigSeek);
        control.SeekBy(5000); // nothing started: nothing to seek
        QCOMPARE(seeks.count(), 0);
        control.SetFiles(Files(1));
        control.Play(0);
        control.OnDuration(90000);
        control.OnPosition(10000);
        control.SeekBy(5000);
        control.SeekBy(-60000);
        control.OnPosition(70000);
        control.SeekBy(60000);
        QCOMPARE(seeks.count(), 3);
        QCOMPARE(seeks.at(0).first().toInt(), 15000);
        QCOMPARE(seeks.at(1).first().toInt(), 0);
        QCOMPARE(seeks.at(2).first().toInt(), 90000);
        // A seek resumes a paused file, as the engine does.
        control.TogglePlay();
        QVERIFY(!control.isPlaying());
        control.SeekBy(-5000);
        QVERIFY(control.isPlaying());
    }

    void volumeMuteAndSpeedSteps()
    {
        PlaybackController control;
        QSignalSpy sink(&control, &PlaybackController::sigSetVolume);
        QSignalSpy shown(&control, &PlaybackController::sigVolumeChanged);
        QSignalSpy speeds(&control, &PlaybackController::sigSetMultiple);
        control.ChangeVolumeBy(5);
        QCOMPARE(sink.last().first().toDouble(), 0.55);
        control.ChangeVolumeBy(100);
        QCOMPARE(control.volume(), 100);
        control.SetVolume(30);
        control.ToggleMute();
        QCOMPARE(sink.last().first().toDouble(), 0.0);
        QCOMPARE(shown.last().at(0).toInt(), 30);
        QCOMPARE(shown.last().at(1).toBool(), true);
        control.ToggleMute();
        QCOMPARE(sink.last().first().toDouble(), 0.3);
        control.ToggleMute();
        control.ChangeVolumeBy(-5); // a volume change unmutes
        QVERIFY(!control.isMuted());
        QCOMPARE(sink.last().first().toDouble(), 0.25);
        control.ChangeVolumeBy(-100);
        QCOMPARE(control.volume(), 0);

        control.StepSpeed(1);
        control.StepSpeed(1); // 2x is the top
        control.StepSpeed(-1);
        control.StepSpeed(-1);
        control.StepSpeed(-1); // 0.5x is the bottom
        QCOMPARE(speeds.count(), 3);
        QCOMPARE(speeds.at(0).first().toFloat(), 2.0f);
        QCOMPARE(speeds.at(1).first().toFloat(), 1.0f);
        QCOMPARE(speeds.at(2).first().toFloat(), 0.5f);
    }

    // A file is left at `positionMs` of `durationMs` as the engine reports it.
    static void PlayTo(PlaybackController& control, int row, int durationMs, int positionMs)
    {
        control.Play(row);
        control.OnDuration(durationMs);
        control.OnPosition(positionMs);
    }

    void sleepPausesOnlyARunningPlaybackAndWakeResumesIt()
    {
        PlaybackController control;
        QSignalSpy pauses(&control, &PlaybackController::sigPause);
        QSignalSpy resumes(&control, &PlaybackController::sigResume);
        QSignalSpy awake(&control, &PlaybackController::sigAwake);
        control.SetFiles(Files(1));
        control.Play(0);
        control.PauseForSleep();
        QCOMPARE(pauses.count(), 1);
        QVERIFY(control.isPlaying()); // shown as playing while asleep
        control.ResumeAfterWake();
        QCOMPARE(resumes.count(), 0); // not at once: the devices wake first
        QVERIFY(awake.wait(PlaybackController::kWakeDelayMs * 3));
        QCOMPARE(resumes.count(), 1);

        control.TogglePlay(); // paused by the user: stays paused
        const int pausedByUser = pauses.count();
        control.PauseForSleep();
        QCOMPARE(pauses.count(), pausedByUser);
        control.ResumeAfterWake();
        QVERIFY(awake.wait(PlaybackController::kWakeDelayMs * 3));
        QCOMPARE(resumes.count(), 1);
    }

    void resumeIsOfferedForLongFilesLeftOnTheWay()
    {
        const int longMs = PlaybackController::kResumeMinDurationMs + 60000;
        PlaybackController control;
        QSignalSpy offers(&control, &PlaybackController::sigResumeOffered);
        QSignalSpy seeks(&control, &PlaybackController::sigSeek);
        const QVector<QString> files = Files(4);
        control.SetFiles(files);

        PlayTo(control, 0, longMs, 120000);
        PlayTo(control, 1, PlaybackController::kResumeMinDurationMs,
               120000); // switching remembers 0
        QCOMPARE(control.resumePositionMs(files[0]), 120000);
        control.Stop(); // a file of exactly 5 minutes is not long
        QCOMPARE(control.resumePositionMs(files[1]), -1);
        QCOMPARE(offers.count(), 0);

        control.Play(0);
        QCOMPARE(offers.count(), 0); // not before the file's length is known
        control.OnDuration(longMs);
        QCOMPARE(offers.count(), 1);
        QCOMPARE(offers.first().first().toInt(), 120000);
        control.OnDuration(longMs); // reported again: still one offer
        QCOMPARE(offers.count(), 1);
        QCOMPARE(seeks.count(), 0); // offered, not forced
        control.AcceptResume();
        control.AcceptResume();
        QCOMPARE(seeks.count(), 1);
        QCOMPARE(seeks.first().first().toInt(), 120000);
        QCOMPARE(control.positionMs(), 120000);

        control.OnPosition(200000);
        control.SetFiles(files); // a new list remembers too
        QCOMPARE(control.resumePositionMs(files[0]), 200000);
        PlayTo(control, 2, longMs, 90000);
        control.RemoveRow(2); // removing the playing row remembers it
        QCOMPARE(control.resumePositionMs(files[2]), 90000);

        // An offer ends with its file: no seek into another file.
        control.Play(0);
        control.OnDuration(longMs);
        control.Play(1);
        control.AcceptResume();
        QCOMPARE(seeks.count(), 1);
    }

    void resumeIsForgottenAtTheEndsOfTheFile()
    {
        const int longMs = PlaybackController::kResumeMinDurationMs + 60000;
        PlaybackController control;
        const QVector<QString> files = Files(2);
        control.SetFiles(files);
        PlayTo(control, 0, longMs, 100000);
        control.Stop();
        QCOMPARE(control.resumePositionMs(files[0]), 100000);
        PlayTo(control, 0, longMs, longMs - PlaybackController::kResumeNearEndMs);
        control.Stop(); // left in its last seconds
        QCOMPARE(control.resumePositionMs(files[0]), -1);

        PlayTo(control, 0, longMs, 100000);
        control.Stop();
        PlayTo(control, 0, longMs, PlaybackController::kResumeMinPositionMs - 1);
        control.Stop(); // left in its first seconds
        QCOMPARE(control.resumePositionMs(files[0]), -1);

        PlayTo(control, 0, longMs, 100000);
        control.Stop();
        PlayTo(control, 0, longMs, 300000);
        control.OnFinished(); // played to its end
        QCOMPARE(control.resumePositionMs(files[0]), -1);
        QSignalSpy offers(&control, &PlaybackController::sigResumeOffered);
        PlayTo(control, 0, longMs, 0);
        QCOMPARE(offers.count(), 0);
    }

    void resumePositionsAreSavedBoundedAndRestored()
    {
        const int longMs = PlaybackController::kResumeMinDurationMs + 60000;
        const QString ini = m_dir.filePath(QStringLiteral("resume.ini"));
        const QVector<QString> files = Files(2);
        {
            PlaybackController control;
            control.SetFiles(files);
            PlayTo(control, 0, longMs, 70000);
            control.Stop();
            PlayTo(control, 1, longMs, 80000); // still playing when saved
            QSettings settings(ini, QSettings::IniFormat);
            control.SaveState(settings);
        }
        const QSettings settings(ini, QSettings::IniFormat);
        PlaybackController restored;
        QSignalSpy offers(&restored, &PlaybackController::sigResumeOffered);
        restored.RestoreState(settings);
        QCOMPARE(restored.resumePositionMs(files[0]), 70000);
        QCOMPARE(restored.resumePositionMs(files[1]), 80000);
        PlayTo(restored, 1, longMs, 0);
        QCOMPARE(offers.count(), 1);
        QCOMPARE(offers.first().first().toInt(), 80000);

        ResumePositions positions;
        for (int i = 0; i < ResumePositions::kCapacity + 10; ++i) {
            positions.Remember(QStringLiteral("/v/%1.mkv").arg(i), 1000 + i);
        }
        positions.Remember(QStringLiteral("/v/20.mkv"), 5); // the newest again
        QCOMPARE(positions.count(), ResumePositions::kCapacity);
        QCOMPARE(positions.PositionMs(QStringLiteral("/v/9.mkv")), -1); // the oldest went
        QCOMPARE(positions.PositionMs(QStringLiteral("/v/10.mkv")), 1010);
        QStringList saved = positions.SaveList();
        QCOMPARE(saved.first(), QStringLiteral("5:/v/20.mkv"));
        saved << QStringLiteral("garbage") << QStringLiteral("12:") << QStringLiteral("x:/v/a.mkv")
              << QStringLiteral("30:/v/with:colon.mkv");
        ResumePositions reread;
        reread.RestoreList(saved);
        // The list is full before the unparsable tail: the valid last entry
        // (the oldest) cannot push out a newer one.
        QCOMPARE(reread.count(), ResumePositions::kCapacity);
        QCOMPARE(reread.SaveList().mid(0, ResumePositions::kCapacity), positions.SaveList());
        ResumePositions few;
        few.RestoreList({QStringLiteral("30:/v/with:colon.mkv"), QStringLiteral("garbage")});
        QCOMPARE(few.PositionMs(QStringLiteral("/v/with:colon.mkv")), 30);
        QCOMPARE(few.count(), 1);
    }
};

QTEST_GUILESS_MAIN(PlaybackControllerTest)
#include "tst_PlaybackController.moc"
