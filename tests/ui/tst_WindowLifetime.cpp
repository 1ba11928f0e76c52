// Main windows destroyed while their engine is busy: at every stage of a
// playback (start still queued, playing, paused, just after a seek, just
// after switching files), on both input paths (FFmpeg and MVR), and with no
// playback at all. Each window lives on the stack in a frame of its own, as
// in the other window tests. Once it is gone, no thread of its engine may
// be left, and nothing may write into the stack where it lay: a block of the
// stack that covers its old place is filled with a pattern, threads and
// events run for a while, and the pattern must be intact.
#include "MainWindow.h"

#include "PlayBottomWidget.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace
{

enum class Stage { Idle, Queued, Playing, Paused, Seeking, Switching };

// Names the engine's threads carry (the playback's std::threads inherit
// the name of the engine thread that starts them).
const QStringList kEngineThreadNames{QStringLiteral("PlaySpliter"), QStringLiteral("AudioOut")};

// Larger than a window with its engine, and than the frames below it.
constexpr int kGuardBytes = 256 * 1024;
constexpr unsigned char kGuardPattern = 0xa5;
// How long other threads and the event loop get to write into the guard.
constexpr int kSettleMs = 150;
constexpr int kPictureWaitMs = 20000;
constexpr int kSeekTargetMs = 20000;

// The threads of this process whose names are the engine's.
QStringList EngineThreads()
{
    QStringList found;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly)) {
            continue; // the thread ended meanwhile
        }
        const QString name = QString::fromUtf8(comm.readAll()).trimmed();
        if (kEngineThreadNames.contains(name)) {
            found << name + QLatin1Char('/') + task;
        }
    }
    return found;
}

bool RunTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(program, arguments);
    return tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

// Builds a window, brings its playback to `stage` and destroys it (on
// return). Failures are recorded by the QTest macros.
Q_NEVER_INLINE void PlayAndDestroy(const QString& path, Stage stage)
{
    MainWindow window;
    window.show();
    if (stage == Stage::Idle) {
        return;
    }
    window.OpenFiles({path});
    QCOMPARE(window.fileList().size(), 1);
    if (stage == Stage::Queued) {
        return; // the engine thread is about to start, or starting, the file
    }
    QTRY_VERIFY_WITH_TIMEOUT(!window.currentFrame().isEmpty(), kPictureWaitMs);
    switch (stage) {
    case Stage::Paused:
        emit window.bottomWidget()->sigstateBtnclicked();
        QVERIFY(!window.isPlaying());
        break;
    case Stage::Seeking:
        emit window.bottomWidget()->sigSentCurrentTime(kSeekTargetMs);
        break;
    case Stage::Switching:
        window.ShowVideo(0);
        break;
    default:
        break;
    }
}

// Fills a block of the stack below the caller's frame (where PlayAndDestroy
// kept its window), lets everything else run, and returns the offset of the
// first byte that changed, or -1.
Q_NEVER_INLINE int FirstStackChange()
{
    volatile unsigned char guard[kGuardBytes];
    for (int i = 0; i < kGuardBytes; ++i) {
        guard[i] = kGuardPattern;
    }
    QTest::qWait(kSettleMs);
    for (int i = 0; i < kGuardBytes; ++i) {
        if (guard[i] != kGuardPattern) {
            return i;
        }
    }
    return -1;
}

} // namespace

Q_DECLARE_METATYPE(Stage)

class WindowLifetimeTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;
    QString m_ffmpegClip;
    QString m_mvrClip;

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QVERIFY(QDir::setCurrent(m_workDir.path()));
        // Long enough that a playback left running would still be running
        // long after its window is gone; with sound, so the sink plays.
        m_ffmpegClip = m_workDir.filePath(QStringLiteral("long.mkv"));
        const QString ffmpegArguments = QStringLiteral(
            "-nostdin -loglevel error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=120 "
            "-f lavfi -i sine=frequency=440:sample_rate=16000:duration=120 -c:v libx264 "
            "-preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac -shortest");
        QVERIFY(RunTool(QStringLiteral("ffmpeg"), ffmpegArguments.split(QLatin1Char(' '))
                                                      << m_ffmpegClip));
        m_mvrClip = m_workDir.filePath(QStringLiteral("long.mvr"));
        QVERIFY(RunTool(QStringLiteral(VOREL_MVR_MUX), {m_ffmpegClip, m_mvrClip}));
    }

    void destroyedWindowLeavesNoThreadAndNoWrite_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<Stage>("stage");
        QTest::addColumn<int>("rounds");
        QTest::newRow("no playback") << QString() << Stage::Idle << 4;
        for (const char* clip : {"ffmpeg", "mvr"}) {
            // A start still on its way races the destructor: several rounds.
            QTest::addRow("%s start queued", clip)
                << QString::fromLatin1(clip) << Stage::Queued << 8;
            QTest::addRow("%s playing", clip) << QString::fromLatin1(clip) << Stage::Playing << 2;
            QTest::addRow("%s paused", clip) << QString::fromLatin1(clip) << Stage::Paused << 2;
            QTest::addRow("%s seeking", clip) << QString::fromLatin1(clip) << Stage::Seeking << 2;
            QTest::addRow("%s switching", clip)
                << QString::fromLatin1(clip) << Stage::Switching << 2;
        }
    }

    void destroyedWindowLeavesNoThreadAndNoWrite()
    {
        QFETCH(QString, clip);
        QFETCH(Stage, stage);
        QFETCH(int, rounds);
        const QString path = clip == QLatin1String("mvr") ? m_mvrClip : m_ffmpegClip;
        for (int round = 0; round < rounds; ++round) {
            // Both languages, as the window tests switch between them.
            QSettings(QStringLiteral("account.ini"), QSettings::IniFormat)
                .setValue(QStringLiteral("Language/type"), round % 2 ? "en_us" : "zh_cn");
            PlayAndDestroy(path, stage);
            if (QTest::currentTestFailed()) {
                return;
            }
            // A thread that QThread::wait() has released may take a moment
            // to leave the task list; one still playing would not.
            QTRY_VERIFY2(EngineThreads().isEmpty(),
                         qPrintable(EngineThreads().join(QLatin1Char(' '))));
            const int changed = FirstStackChange();
            QVERIFY2(changed < 0,
                     qPrintable(QStringLiteral("stack written at %1 bytes below the test's frame, "
                                               "round %2")
                                    .arg(kGuardBytes - changed)
                                    .arg(round)));
        }
    }
};

QTEST_MAIN(WindowLifetimeTest)
#include "tst_WindowLifetime.moc"
