// The restart for a language change, as a user makes it in a real player on
// the test display: the settings button, the language switch and the
// question's confirm button are clicked with xdotool at the places these
// widgets take (measured on copies built here, at the player's sizes). The
// player ends with 0 and its copy comes up in the other language with the
// same play list; when the copy cannot start, the first player keeps its
// window and takes other starts again.
#include "Messagebox.h"
#include "PlayBottomWidget.h"
#include "PlaySetting.h"
#include "SliderBtn.h"
#include "VorelResources.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{

constexpr int kWaitMs = 30000;
// Where the window lays out its control bar and settings panel.
constexpr int kBarHeightPx = 100;
constexpr int kPanelWidthPx = 450;
constexpr int kPanelHeightPx = 220;
constexpr int kPanelRightPx = 30;
constexpr int kPanelBottomPx = 320;

QString Xdotool(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    if (!xdotool.waitForFinished(10000)) {
        return QString();
    }
    return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
}

// Mapped windows only: a click on a window not yet on the screen is lost.
QStringList Windows(const QString& title)
{
    return Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"), title})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QRect Geometry(const QString& window)
{
    QRect rect;
    const QString shell =
        Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    for (const QString& line : shell.split(QLatin1Char('\n'))) {
        const int value = line.section(QLatin1Char('='), 1).toInt();
        const QString key = line.section(QLatin1Char('='), 0, 0);
        if (key == QLatin1String("X")) {
            rect.moveLeft(value);
        } else if (key == QLatin1String("Y")) {
            rect.moveTop(value);
        } else if (key == QLatin1String("WIDTH")) {
            rect.setWidth(value);
        } else if (key == QLatin1String("HEIGHT")) {
            rect.setHeight(value);
        }
    }
    return rect;
}

void ClickIn(const QString& window, const QPoint& at)
{
    Xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
             QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
             QStringLiteral("1")});
}

// The centre of `child` in `top`'s coordinates, once `top` is laid out at
// `size` (not shown on the screen).
QPoint CentreIn(QWidget& top, QWidget* child, const QSize& size)
{
    top.setAttribute(Qt::WA_DontShowOnScreen);
    top.resize(size);
    top.show();
    return child->mapTo(&top, child->rect().center());
}

qint64 PidOf(const QString& window)
{
    return Xdotool({QStringLiteral("getwindowpid"), window}).toLongLong();
}

} // namespace

class LanguageRestartTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_program;
    QString m_workDir;
    QString m_runtimeDir;
    std::unique_ptr<QProcess> m_first;
    qint64 m_copyPid = 0;

    void Start(const QStringList& files)
    {
        m_first = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
        m_first->setProcessEnvironment(env);
        m_first->setWorkingDirectory(m_workDir);
        m_first->setStandardOutputFile(QProcess::nullDevice());
        m_first->setStandardErrorFile(QProcess::nullDevice());
        m_first->start(m_program, files);
        QVERIFY(m_first->waitForStarted());
    }

    // The player window of process `pid`, or of any copy of our program
    // other than `exceptPid` when `pid` is 0.
    QString PlayerWindow(qint64 pid, qint64 exceptPid = 0)
    {
        for (const QString& window : Windows(QStringLiteral("^MainWindow$"))) {
            const qint64 owner = PidOf(window);
            const bool ours =
                QFileInfo(QStringLiteral("/proc/%1/exe").arg(owner)).symLinkTarget() == m_program;
            if ((pid != 0 && owner == pid) || (pid == 0 && ours && owner != exceptPid)) {
                return window;
            }
        }
        return QString();
    }

    QString WaitForPlayerWindow(qint64 pid, qint64 exceptPid = 0)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kWaitMs) {
            const QString window = PlayerWindow(pid, exceptPid);
            if (!window.isEmpty()) {
                return window;
            }
            QTest::qWait(200);
        }
        return QString();
    }

    QString Log() const
    {
        QFile file(m_root.filePath(QStringLiteral("bin/LOG/")) +
                   QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) +
                   QStringLiteral(".log"));
        return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll())
                                                                : QString();
    }

    // Settings button, language switch, confirm: what a user clicks.
    void ChangeLanguage(const QString& window)
    {
        const QRect frame = Geometry(window);
        QVERIFY(frame.isValid());
        PlayBottomWidget bar;
        const QPoint settings =
            CentreIn(bar, bar.findChild<QPushButton*>(QStringLiteral("settingBtn")),
                     QSize(frame.width(), kBarHeightPx));
        ClickIn(window, settings + QPoint(0, frame.height() - kBarHeightPx));
        PlaySetting panel;
        const QPoint toggle =
            CentreIn(panel, panel.findChild<SliderBtn*>(QStringLiteral("widget_2")),
                     QSize(kPanelWidthPx, kPanelHeightPx));
        // The panel slides in: on a loaded machine it may not be under the
        // pointer yet at the first click. Once the question is up it is modal,
        // so a click repeated after one that landed does nothing.
        QString question;
        QElapsedTimer asking;
        asking.start();
        while (question.isEmpty() && asking.elapsed() < kWaitMs) {
            QTest::qWait(500);
            ClickIn(window, toggle + QPoint(frame.width() - kPanelWidthPx - kPanelRightPx,
                                            frame.height() - kPanelBottomPx));
            for (int poll = 0; poll < 15 && question.isEmpty(); ++poll) {
                QTest::qWait(200);
                question = Windows(QStringLiteral("^Messagebox$")).value(0);
            }
        }
        QVERIFY(!question.isEmpty());
        Messagebox box(QStringLiteral("?"));
        const QPoint confirm =
            CentreIn(box, box.findChild<QPushButton*>(QStringLiteral("confirmBtn")),
                     Geometry(question).size());
        QTest::qWait(500);
        ClickIn(question, confirm);
    }

private slots:
    void initTestCase()
    {
        VorelResourcesInit();
        QVERIFY(m_root.isValid());
        for (const char* folder : {"bin", "work", "runtime"}) {
            QVERIFY(QDir(m_root.path()).mkpath(QLatin1String(folder)));
        }
        m_program = m_root.filePath(QStringLiteral("bin/vorelplayer"));
        m_workDir = m_root.filePath(QStringLiteral("work"));
        m_runtimeDir = m_root.filePath(QStringLiteral("runtime"));
        QVERIFY(QFile::setPermissions(m_runtimeDir,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QFile::copy(QStringLiteral(VORELPLAYER), m_program));
        for (const char* qm : {"vorelplayer_zh.qm", "vorelplayer_en.qm"}) {
            QVERIFY(QFile::copy(QStringLiteral(VOREL_QM_DIR "/") + QLatin1String(qm),
                                m_root.filePath(QStringLiteral("bin/")) + QLatin1String(qm)));
        }
        // Clips that play, so that no failure message lies over the panel.
        for (const char* name : {"one.mp4", "two.mp4"}) {
            QCOMPARE(QProcess::execute(
                         QStringLiteral("ffmpeg"),
                         {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                          QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("testsrc=size=64x48:rate=10"), QStringLiteral("-t"),
                          QStringLiteral("5"), m_workDir + QLatin1Char('/') + QLatin1String(name)}),
                     0);
        }
    }

    void init()
    {
        QFile::remove(m_workDir + QStringLiteral("/account.ini"));
        QDir(m_root.filePath(QStringLiteral("bin/LOG"))).removeRecursively();
        QSettings ini(m_workDir + QStringLiteral("/account.ini"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("LOG/ON"), true);
        ini.setValue(QStringLiteral("Language/type"), QStringLiteral("en_us"));
    }

    void cleanup()
    {
        if (m_first && m_first->state() == QProcess::Running) {
            m_first->kill();
            m_first->waitForFinished(10000);
        }
        m_first.reset();
        if (m_copyPid > 0) {
            QProcess::execute(QStringLiteral("kill"), {QString::number(m_copyPid)});
            m_copyPid = 0;
        }
        QFile::setPermissions(m_program, QFile::permissions(m_program) | QFile::ExeOwner);
    }

    void theCopyComesUpInTheOtherLanguageWithThePlayList()
    {
        Start({QStringLiteral("one.mp4"), QStringLiteral("two.mp4")});
        const QString first = WaitForPlayerWindow(m_first->processId());
        QVERIFY(!first.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(Log().contains(QStringLiteral("window shown, language 1")),
                                 kWaitMs);

        ChangeLanguage(first);
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY2(m_first->waitForFinished(kWaitMs), "the first player ends");
        QCOMPARE(m_first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_first->exitCode(), 0);
        const QString copy = WaitForPlayerWindow(0, m_first->processId());
        QVERIFY2(!copy.isEmpty(), "the copy shows its window");
        m_copyPid = PidOf(copy);
        QTRY_VERIFY_WITH_TIMEOUT(Log().contains(QStringLiteral("window shown, language 0")),
                                 kWaitMs);
        QVERIFY(Log().contains(QStringLiteral("MainWindow::RestoreState 2 files")));
        // The copy is the player other starts hand over to.
        const QString handed = QStringLiteral("open isFile \"%1/two.mp4\"").arg(m_workDir);
        const int before = Log().count(handed);
        QProcess third;
        third.setWorkingDirectory(m_workDir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
        third.setProcessEnvironment(env);
        third.start(m_program, {QStringLiteral("two.mp4")});
        QVERIFY(third.waitForFinished(kWaitMs));
        QCOMPARE(third.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(Log().count(handed) > before, kWaitMs);
    }

    void aCopyThatCannotStartLeavesTheWindow()
    {
        Start({QStringLiteral("one.mp4")});
        const QString first = WaitForPlayerWindow(m_first->processId());
        QVERIFY(!first.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(Log().contains(QStringLiteral("window shown")), kWaitMs);
        QVERIFY(QFile::setPermissions(m_program, QFile::ReadOwner | QFile::WriteOwner));

        ChangeLanguage(first);
        if (QTest::currentTestFailed()) {
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(Log().contains(QStringLiteral("MainWindow::Restart cannot start")),
                                 kWaitMs);
        QTest::qWait(1000);
        QCOMPARE(m_first->state(), QProcess::Running);
        QCOMPARE(PlayerWindow(m_first->processId()), first);
        QVERIFY(QFile::setPermissions(m_program, QFile::permissions(m_program) | QFile::ExeOwner));
        // It still takes other starts.
        QProcess second;
        second.setWorkingDirectory(m_workDir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
        second.setProcessEnvironment(env);
        second.start(m_program, {QStringLiteral("two.mp4")});
        QVERIFY(second.waitForFinished(kWaitMs));
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            Log().contains(QStringLiteral("open isFile \"%1/two.mp4\"").arg(m_workDir)), kWaitMs);
    }
};

QTEST_MAIN(LanguageRestartTest)
#include "tst_LanguageRestart.moc"
