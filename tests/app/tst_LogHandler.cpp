// The file log: line format per level, one file per local day beside the
// executable, whole lines from concurrent threads, messages after the
// application object is gone, and the per-picture category let into the file.
#include "LogHandler.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <atomic>

Q_LOGGING_CATEGORY(lcFramesHere, "vorel.test.frames", QtInfoMsg)

namespace {

std::atomic<qint64> g_fakeNowMs{0};

QDateTime FakeNow()
{
    return QDateTime::fromMSecsSinceEpoch(g_fakeNowMs.load());
}

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class LogHandlerTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir(LogHandler::Folder()).removeRecursively();
    }

    void cleanup()
    {
        LogHandler::SetClock(nullptr);
        qInstallMessageHandler(nullptr);
        QLoggingCategory::setFilterRules(QString());
        QDir(LogHandler::Folder()).removeRecursively();
    }

    void lineFormatPerLevel_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");
        QTest::newRow("debug") << int(QtDebugMsg) << "2026/12/06 18:03:56   Debug   hello\n";
        QTest::newRow("warning") << int(QtWarningMsg) << "2026/12/06 18:03:56   Warning hello\n";
        QTest::newRow("critical") << int(QtCriticalMsg) << "2026/12/06 18:03:56   Criticalhello\n";
        QTest::newRow("fatal") << int(QtFatalMsg) << "2026/12/06 18:03:56   Fatal   hello\n";
        QTest::newRow("info has no level") << int(QtInfoMsg) << "2026/12/06 18:03:56   hello\n";
    }

    void lineFormatPerLevel()
    {
        QFETCH(int, type);
        QFETCH(QString, expected);
        const QDateTime when(QDate(2026, 12, 6), QTime(18, 3, 56));
        QCOMPARE(LogHandler::FormatLine(QtMsgType(type), when, QStringLiteral("hello")), expected);
    }

    void fileIsBesideTheExecutableNamedByDay()
    {
        QCOMPARE(LogHandler::FilePath(QDate(2026, 12, 6)),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/LOG/2026-12-06.log"));
    }

    void messagesAcrossMidnightGoToTwoFiles()
    {
        const QDateTime before(QDate(2026, 12, 6), QTime(23, 59, 59));
        g_fakeNowMs = before.toMSecsSinceEpoch();
        LogHandler::SetClock(&FakeNow);
        LogHandler::Install();
        qDebug() << "last of the day";
        g_fakeNowMs = before.addSecs(2).toMSecsSinceEpoch();
        qWarning() << "first of the next";
        qInfo() << "info line";
        qInstallMessageHandler(nullptr);

        const QStringList first = ReadLines(LogHandler::FilePath(QDate(2026, 12, 6)));
        const QStringList second = ReadLines(LogHandler::FilePath(QDate(2026, 12, 7)));
        QCOMPARE(first, QStringList{QStringLiteral("2026/12/06 23:59:59   Debug   last of the day")});
        QCOMPARE(second, (QStringList{QStringLiteral("2026/12/07 00:00:01   Warning first of the next"),
                                      QStringLiteral("2026/12/07 00:00:01   info line")}));
    }

    void nonAsciiTextSurvives()
    {
        LogHandler::Install();
        qDebug().noquote() << QStringLiteral("文件路径不存在！");
        qInstallMessageHandler(nullptr);
        const QStringList lines = ReadLines(LogHandler::FilePath(QDate::currentDate()));
        QVERIFY(!lines.isEmpty());
        QVERIFY(lines.last().endsWith(QStringLiteral("Debug   文件路径不存在！")));
    }

    void concurrentThreadsWriteWholeLines()
    {
        LogHandler::Install();
        constexpr int kLinesPerThread = 200;
        const QString payload(120, QLatin1Char('x'));
        auto writer = [&payload](const QString& name) {
            for (int i = 0; i < kLinesPerThread; ++i) {
                qDebug().noquote() << name << i << payload;
            }
        };
        QThread* a = QThread::create(writer, QStringLiteral("A"));
        QThread* b = QThread::create(writer, QStringLiteral("B"));
        a->start();
        b->start();
        QVERIFY(a->wait(60000));
        QVERIFY(b->wait(60000));
        delete a;
        delete b;
        qInstallMessageHandler(nullptr);
        const QStringList lines = ReadLines(LogHandler::FilePath(QDate::currentDate()));
        QCOMPARE(lines.size(), 2 * kLinesPerThread);
        const QRegularExpression whole(QStringLiteral(
            "^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d   Debug   [AB] \\d+ x{120}$"));
        for (const QString& line : lines) {
            QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
        }
    }

    void messagesAfterTheApplicationIsGoneAreWrittenWithoutHanging()
    {
        const QString folder = QFileInfo(QStringLiteral(LOG_AFTER_EXIT)).absolutePath() + QStringLiteral("/LOG");
        QDir(folder).removeRecursively();
        QProcess helper;
        helper.start(QStringLiteral(LOG_AFTER_EXIT), QStringList());
        QVERIFY2(helper.waitForFinished(60000), "the program hangs on a message logged after its application");
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), 0);
        const QStringList lines = ReadLines(folder + QLatin1Char('/') + LogHandler::FileName(QDate::currentDate()));
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).endsWith(QStringLiteral("Debug   with the application")));
        QVERIFY(lines.at(1).endsWith(QStringLiteral("Debug   after the application")));
        QVERIFY(lines.at(2).endsWith(QStringLiteral("Warning still after it")));
        QDir(folder).removeRecursively();
    }

    void perPictureLinesOnlyWithTheFileLog()
    {
        QVERIFY(!lcFramesHere().isDebugEnabled());
        LogHandler::Install();
        QVERIFY(lcFramesHere().isDebugEnabled());
        qCDebug(lcFramesHere) << "picture" << 42;
        qInstallMessageHandler(nullptr);
        const QStringList lines = ReadLines(LogHandler::FilePath(QDate::currentDate()));
        QVERIFY(!lines.isEmpty());
        QVERIFY(lines.last().endsWith(QStringLiteral("Debug   picture 42")));
    }

    void unwritableFolderLosesTheMessageQuietly()
    {
        // A file where the folder should be: mkpath and open both fail.
        QFile blocker(LogHandler::Folder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        LogHandler::Install();
        qDebug() << "dropped";
        qInstallMessageHandler(nullptr);
        QVERIFY(QFileInfo(LogHandler::Folder()).isFile());
        QFile::remove(LogHandler::Folder());
    }
};

QTEST_GUILESS_MAIN(LogHandlerTest)
#include "tst_LogHandler.moc"
