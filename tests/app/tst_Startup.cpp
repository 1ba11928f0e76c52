// The program's start-up, run as real processes on the test display: one
// player per user (a second start hands its files over, raises the running
// window and ends with 0, a start right after a crash), the first-run
// language choice and the log switch.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

namespace
{

constexpr int kWindowWaitMs = 30000;

QString RunXdotool(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    if (!xdotool.waitForFinished(10000)) {
        return QString();
    }
    return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
}

// The first window of the process whose title matches, or empty.
QString FindWindow(qint64 pid, const QString& title)
{
    const QString found =
        RunXdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--pid"),
                    QString::number(pid), QStringLiteral("--name"), title});
    return found.section(QLatin1Char('\n'), 0, 0);
}

QString WaitForWindow(QProcess& process, const QString& title, int timeoutMs = kWindowWaitMs)
{
    QElapsedTimer waited;
    waited.start();
    while (process.state() == QProcess::Running && waited.elapsed() < timeoutMs) {
        const QString window = FindWindow(process.processId(), title);
        if (!window.isEmpty()) {
            return window;
        }
        QTest::qWait(200);
    }
    return QString();
}

// The X window that has the keyboard focus (as a decimal id).
QString FocusedWindow()
{
    return RunXdotool({QStringLiteral("getwindowfocus")});
}

// The top-level windows of the display, top first (xwininfo lists
// XQueryTree's stacking order from the top), as decimal ids.
QStringList StackingOrder()
{
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"),
                   {QStringLiteral("-root"), QStringLiteral("-children")});
    if (!xwininfo.waitForFinished(10000)) {
        return {};
    }
    QStringList order;
    const QRegularExpression line(QStringLiteral("^\\s+(0x[0-9a-f]+) "));
    for (const QString& text :
         QString::fromUtf8(xwininfo.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch()) {
            order << QString::number(match.captured(1).toULongLong(nullptr, 16));
        }
    }
    return order;
}

// `upper` lies above `lower` in the stacking order.
bool IsAbove(const QString& upper, const QString& lower)
{
    const QStringList order = StackingOrder();
    return order.contains(upper) && order.contains(lower) &&
           order.indexOf(upper) < order.indexOf(lower);
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_program; // a copy of the player, so its LOG folder is ours
    QString m_workDir;
    QString m_runtimeDir;
    std::vector<std::unique_ptr<QProcess>> m_processes;

    QProcess& Start(const QStringList& environment = {}, const QStringList& files = {})
    {
        m_processes.push_back(std::make_unique<QProcess>());
        QProcess& process = *m_processes.back();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The single-instance socket lies in the user's runtime folder: a
        // folder of this test's own keeps the players it starts apart from
        // any other player on the machine (a suite run beside this one),
        // while they still meet each other.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
        env.insert(QStringLiteral("TMPDIR"), m_root.path());
        for (const QString& entry : environment) {
            env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
        }
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_workDir);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(m_program, files);
        process.waitForStarted();
        return process;
    }

    void WriteIni(const QList<QPair<QString, QVariant>>& values)
    {
        QFile::remove(m_workDir + QStringLiteral("/account.ini"));
        QSettings ini(m_workDir + QStringLiteral("/account.ini"), QSettings::IniFormat);
        for (const auto& value : values) {
            ini.setValue(value.first, value.second);
        }
    }

    // Waits until QSettings has written `key` = `expected` to account.ini.
    bool WaitForIniValue(const QString& key, const QString& expected)
    {
        for (int i = 0; i < 150; ++i) {
            QSettings ini(m_workDir + QStringLiteral("/account.ini"), QSettings::IniFormat);
            if (ini.value(key).toString() == expected) {
                return true;
            }
            QTest::qWait(100);
        }
        return false;
    }

    void Stop(QProcess& process)
    {
        if (process.state() == QProcess::Running) {
            process.kill();
            process.waitForFinished(10000);
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
                 "xdotool is needed");
        QVERIFY(QDir(m_root.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(m_root.path()).mkpath(QStringLiteral("work")));
        m_program = m_root.filePath(QStringLiteral("bin/vorelplayer"));
        m_workDir = m_root.filePath(QStringLiteral("work"));
        m_runtimeDir = m_root.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir(m_root.path()).mkpath(QStringLiteral("runtime")));
        QVERIFY(QFile::setPermissions(m_runtimeDir,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QFile::copy(QStringLiteral(VORELPLAYER), m_program));
    }

    void cleanup()
    {
        for (auto& process : m_processes) {
            Stop(*process);
        }
        m_processes.clear();
    }

    QString TodaysLog() const
    {
        QFile file(m_root.filePath(QStringLiteral("bin/LOG/")) +
                   QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) +
                   QStringLiteral(".log"));
        return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll())
                                                                : QString();
    }

    void secondStartHandsItsFilesOverAndEnds()
    {
        QDir(m_root.filePath(QStringLiteral("bin/LOG"))).removeRecursively();
        WriteIni({{QStringLiteral("LOG/ON"), true},
                  {QStringLiteral("Language/type"), QStringLiteral("en_us")}});
        const QString clip = m_workDir + QStringLiteral("/handed over.mp4");
        QFile media(clip);
        QVERIFY(media.open(QIODevice::WriteOnly));
        media.close();
        QProcess& first = Start();
        QVERIFY(!WaitForWindow(first, QStringLiteral("^MainWindow$")).isEmpty());

        // Relative to its own working directory, as a file manager passes it.
        QProcess& second = Start({}, {QStringLiteral("handed over.mp4")});
        QVERIFY2(second.waitForFinished(kWindowWaitMs), "the second start ends by itself");
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            TodaysLog().contains(QStringLiteral("open isFile \"%1\"").arg(clip)), kWindowWaitMs);

        QProcess& third = Start(); // no files: the running window is shown
        QVERIFY(third.waitForFinished(kWindowWaitMs));
        QCOMPARE(third.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
    }

    void handOverRaisesAndFocusesTheRunningWindow()
    {
        WriteIni({{QStringLiteral("Language/type"), QStringLiteral("en_us")}});
        QProcess& first = Start();
        const QString player = WaitForWindow(first, QStringLiteral("^MainWindow$"));
        QVERIFY(!player.isEmpty());
        const QString clip = m_workDir + QStringLiteral("/raised.mp4");
        QFile(clip).open(QIODevice::WriteOnly);

        for (const QStringList& files : {QStringList{clip}, QStringList{}}) {
            // Another window over the player, with the focus.
            QWidget cover;
            cover.setWindowTitle(QStringLiteral("cover"));
            cover.setGeometry(0, 0, 1920, 1080);
            cover.show();
            cover.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&cover));
            const QString coverId = QString::number(cover.winId());
            QTRY_COMPARE(FocusedWindow(), coverId);
            QTRY_VERIFY(IsAbove(coverId, player));

            QProcess& second = Start({}, files);
            QVERIFY(second.waitForFinished(kWindowWaitMs));
            QCOMPARE(second.exitCode(), 0);
            QTRY_VERIFY_WITH_TIMEOUT(IsAbove(player, coverId), kWindowWaitMs);
            QTRY_COMPARE_WITH_TIMEOUT(FocusedWindow(), player, kWindowWaitMs);
        }
        QCOMPARE(first.state(), QProcess::Running);
    }

    void startsAtTheSameInstantMakeOnePlayerWithAllTheFiles()
    {
        QDir(m_root.filePath(QStringLiteral("bin/LOG"))).removeRecursively();
        WriteIni({{QStringLiteral("LOG/ON"), true},
                  {QStringLiteral("Language/type"), QStringLiteral("en_us")}});
        const QStringList names{QStringLiteral("a.mp4"), QStringLiteral("b.mp4"),
                                QStringLiteral("c.mp4"), QStringLiteral("d.mp4")};
        QVector<QProcess*> starts;
        for (const QString& name : names) {
            QFile(m_workDir + QLatin1Char('/') + name).open(QIODevice::WriteOnly);
        }
        for (const QString& name : names) {
            starts << &Start({}, {name});
        }
        int players = 0;
        for (QProcess* start : starts) {
            if (!start->waitForFinished(5000)) {
                ++players;
                continue;
            }
            QCOMPARE(start->exitStatus(), QProcess::NormalExit);
            QCOMPARE(start->exitCode(), 0);
        }
        QCOMPARE(players, 1);
        for (const QString& name : names) {
            const QString opened = QStringLiteral("open isFile \"%1/%2\"").arg(m_workDir, name);
            QTRY_VERIFY2_WITH_TIMEOUT(TodaysLog().contains(opened), qPrintable(opened),
                                      kWindowWaitMs);
        }
    }

    void startRightAfterACrashSucceeds()
    {
        WriteIni({});
        QProcess& crashed = Start();
        QVERIFY(!WaitForWindow(crashed, QStringLiteral("^MainWindow$")).isEmpty());
        crashed.kill(); // no clean-up: its socket file stays behind
        QVERIFY(crashed.waitForFinished(10000));
        QProcess& next = Start();
        QVERIFY2(!WaitForWindow(next, QStringLiteral("^MainWindow$")).isEmpty(),
                 "the next start shows its window");
        QCOMPARE(next.state(), QProcess::Running);
    }

    void firstRunChoosesTheLanguageFromTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mainland China") << "zh_CN.UTF-8"
                                        << "zh_cn";
        QTest::newRow("Taiwan") << "zh_TW.UTF-8"
                                << "en_us";
        QTest::newRow("English") << "en_GB.UTF-8"
                                 << "en_us";
    }

    void firstRunChoosesTheLanguageFromTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        WriteIni({{QStringLiteral("Language/first"), 1}});
        QProcess& player = Start({QStringLiteral("LANG=") + locale,
                                  QStringLiteral("LC_ALL=") + locale, QStringLiteral("LANGUAGE=")});
        QVERIFY(!WaitForWindow(player, QStringLiteral("^MainWindow$")).isEmpty());
        QVERIFY2(WaitForIniValue(QStringLiteral("Language/type"), expected), qPrintable(expected));
        QVERIFY(WaitForIniValue(QStringLiteral("Language/first"), QStringLiteral("0")));
    }

    void logFileOnlyWhenSwitchedOn()
    {
        const QString logDir = m_root.filePath(QStringLiteral("bin/LOG"));
        QDir(logDir).removeRecursively();
        WriteIni({{QStringLiteral("LOG/ON"), false}});
        QProcess& quiet = Start();
        QVERIFY(!WaitForWindow(quiet, QStringLiteral("^MainWindow$")).isEmpty());
        Stop(quiet);
        QVERIFY2(!QDir(logDir).exists(), "no LOG folder without LOG/ON");

        WriteIni({{QStringLiteral("LOG/ON"), true}});
        QProcess& logging = Start();
        QVERIFY(!WaitForWindow(logging, QStringLiteral("^MainWindow$")).isEmpty());
        const QString today = logDir + QLatin1Char('/') +
                              QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) +
                              QStringLiteral(".log");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(today).size() > 0, kWindowWaitMs);
        QFile file(today);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString firstLine = QString::fromUtf8(file.readLine());
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d   "
                                                   "(Debug   |Warning |Critical|Fatal   )?"))
                     .match(firstLine)
                     .hasMatch(),
                 qPrintable(firstLine));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_Startup.moc"
