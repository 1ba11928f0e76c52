// Going on where a long file was left, in a window that plays real media made
// here: the offer after a switch, a stop and a close, accepted by Enter or a
// click, ignored until it goes away, and forgotten when the file ends.
#include "MainWindow.h"

#include "PlaybackController.h"
#include "ResumeOffer.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <memory>

namespace
{

constexpr int kLongClipS = 400;
constexpr int kPlayWaitMs = 20000;

// A clip of `seconds`, tiny and at two pictures a second, so that one longer
// than five minutes is made in a moment.
bool MakeClip(const QString& path, int seconds)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc=size=64x48:rate=2"), QStringLiteral("-t"),
                  QString::number(seconds), QStringLiteral("-c:v"), QStringLiteral("libx264"),
                  QStringLiteral("-preset"), QStringLiteral("ultrafast"), QStringLiteral("-g"),
                  QStringLiteral("10"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                  path});
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        qWarning() << ffmpeg.readAll();
        return false;
    }
    return true;
}

} // namespace

class ResumeTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_workDir;
    QTranslator m_english;
    QString m_long;
    QString m_short;
    std::unique_ptr<MainWindow> m_window;

    PlaybackController* Control() { return m_window->playback(); }
    ResumeOffer* Offer() { return m_window->resumeOffer(); }

    void NewWindow()
    {
        m_window = std::make_unique<MainWindow>();
        m_window->RestoreState();
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    // Opens `path` and waits until it plays past `positionMs`.
    void PlayPast(const QString& path, int positionMs)
    {
        m_window->OpenFiles({path});
        QTRY_VERIFY_WITH_TIMEOUT(Control()->durationMs() > 0 && Control()->positionMs() > 0,
                                 kPlayWaitMs);
        if (positionMs > 0) {
            Control()->Seek(positionMs);
            QTRY_VERIFY_WITH_TIMEOUT(Control()->positionMs() >= positionMs, kPlayWaitMs);
        }
    }

    // Plays the long clip (row 0) again and waits for the offer.
    void ReopenLong()
    {
        m_window->ShowVideo(0);
        QTRY_VERIFY_WITH_TIMEOUT(Offer()->isOffered(), kPlayWaitMs);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_workDir.isValid());
        QVERIFY(QDir::setCurrent(m_workDir.path()));
        QSettings(QStringLiteral("account.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("Language/type"), QStringLiteral("en_us"));
        QVERIFY(m_english.load(QStringLiteral("vorelplayer_en.qm"), QStringLiteral(VOREL_QM_DIR)));
        QCoreApplication::installTranslator(&m_english);
        m_long = m_workDir.filePath(QStringLiteral("long.mp4"));
        m_short = m_workDir.filePath(QStringLiteral("short.mp4"));
        QVERIFY(MakeClip(m_long, kLongClipS));
        QVERIFY(MakeClip(m_short, 20));
    }

    void init() { NewWindow(); }
    void cleanup() { m_window.reset(); }

    void switchingAwayOffersThePositionAndEnterAccepts()
    {
        PlayPast(m_long, 150000);
        PlayPast(m_short, 0); // switched: the long clip is remembered
        const int left = Control()->resumePositionMs(m_long);
        QVERIFY2(left >= 150000 && left < 200000, qPrintable(QString::number(left)));
        QVERIFY(!Offer()->isOffered()); // never for the short clip

        ReopenLong();
        QVERIFY2(Offer()->Text().contains(QStringLiteral("You stopped at 02:")),
                 qPrintable(Offer()->Text()));
        QCOMPARE(Offer()->ActionText(), QStringLiteral("Resume (Enter)"));
        QVERIFY(Offer()->focusPolicy() == Qt::NoFocus);
        QTest::keyClick(m_window.get(), Qt::Key_Return);
        QVERIFY(!Offer()->isOffered());
        QTRY_VERIFY_WITH_TIMEOUT(Control()->positionMs() >= left, kPlayWaitMs);
        QVERIFY(Control()->isPlaying());
    }

    void aStopOffersItAndAClickAccepts()
    {
        PlayPast(m_long, 120000);
        Control()->Stop();
        ReopenLong();
        QTest::mouseClick(Offer()->findChild<QPushButton*>(QStringLiteral("resumeBtn")),
                          Qt::LeftButton);
        QVERIFY(!Offer()->isOffered());
        QTRY_VERIFY_WITH_TIMEOUT(Control()->positionMs() >= 120000, kPlayWaitMs);
    }

    void anIgnoredOfferGoesAwayAndPlayGoesOnFromTheStart()
    {
        PlayPast(m_long, 100000);
        Control()->Stop();
        ReopenLong();
        QTRY_VERIFY_WITH_TIMEOUT(!Offer()->isOffered(), ResumeOffer::kShownMs * 3);
        QVERIFY(Control()->isPlaying());
        QVERIFY(Control()->positionMs() < 100000);
        QTest::keyClick(m_window.get(), Qt::Key_Return); // gone: Enter does nothing
        QTest::qWait(500);
        QVERIFY(Control()->positionMs() < 100000);
    }

    void closingTheWindowRemembersAcrossStarts()
    {
        PlayPast(m_long, 130000);
        m_window->close();
        m_window.reset();
        const QStringList saved = QSettings(QStringLiteral("account.ini"), QSettings::IniFormat)
                                      .value(QStringLiteral("Player/resume"))
                                      .toStringList();
        QVERIFY2(!saved.isEmpty() && saved.first().endsWith(QLatin1Char(':') + m_long),
                 qPrintable(saved.join(QLatin1Char('|'))));
        NewWindow(); // the next start: its play list and positions restored
        QVERIFY(Control()->resumePositionMs(m_long) >= 130000);
        QCOMPARE(Control()->files().value(0), m_long);
        ReopenLong();
        QTest::keyClick(m_window.get(), Qt::Key_Enter);
        QTRY_VERIFY_WITH_TIMEOUT(Control()->positionMs() >= 130000, kPlayWaitMs);
    }

    void playingToTheEndForgetsIt()
    {
        Control()->SetFiles({});
        PlayPast(m_long, 100000);
        Control()->Stop();
        QVERIFY(Control()->resumePositionMs(m_long) > 0);
        ReopenLong();
        QCOMPARE(Control()->files(), QVector<QString>{m_long});
        Control()->Seek((kLongClipS - 3) * 1000); // the last seconds, played out
        QTRY_COMPARE_WITH_TIMEOUT(Control()->resumePositionMs(m_long), -1, kPlayWaitMs);
        // Automatic play starts the one file of the list again, from the start.
        QTRY_VERIFY_WITH_TIMEOUT(Control()->durationMs() > 0 && Control()->positionMs() > 0 &&
                                     Control()->positionMs() < 100000,
                                 kPlayWaitMs);
        QVERIFY(!Offer()->isOffered());
    }
};

QTEST_MAIN(ResumeTest)
#include "tst_Resume.moc"
