#include "LogHandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QTextStream>

#include <atomic>
#include <mutex>

namespace
{

std::atomic<LogHandler::Clock> g_clock{nullptr};

// The folder chosen by Install, read by every thread that logs. Its own lock,
// never held while the log lock is taken or a message is written.
std::mutex g_folderMutex;
QString g_folder;

// Set while this thread writes a line: a message Qt logs from inside the
// handler (a file warning) is dropped instead of waiting on the log lock the
// thread already holds.
thread_local bool t_inHandler = false;

QMutex& LogMutex()
{
    // Created on the first message.
    static QMutex mutex;
    return mutex;
}

QDateTime Now()
{
    const LogHandler::Clock clock = g_clock.load();
    return clock ? clock() : QDateTime::currentDateTime();
}

} // namespace

void LogHandler::Install()
{
    const QString folder = ChooseFolder();
    {
        std::lock_guard<std::mutex> lock(g_folderMutex);
        g_folder = folder;
    }
    // The per-picture categories are off by default so that the terminal
    // stays quiet; the file keeps them.
    QLoggingCategory::setFilterRules(QStringLiteral("*.frames.debug=true"));
    qInstallMessageHandler(&LogHandler::Handle);
}

void LogHandler::SetClock(Clock clock)
{
    g_clock = clock;
}

QString LogHandler::LevelField(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("Debug   ");
    case QtWarningMsg:
        return QStringLiteral("Warning ");
    case QtCriticalMsg:
        return QStringLiteral("Critical");
    case QtFatalMsg:
        return QStringLiteral("Fatal   ");
    case QtInfoMsg:
        break;
    }
    return QString();
}

QString LogHandler::FormatLine(QtMsgType type, const QDateTime& when, const QString& message)
{
    const QByteArray stamp = when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).toUtf8();
    return QString::fromUtf8(stamp) + QStringLiteral("   ") + LevelField(type) + message +
           QLatin1Char('\n');
}

QString LogHandler::ChooseFolder()
{
    // applicationDirPath() needs the application object (and would log a
    // warning without it).
    if (!QCoreApplication::instance()) {
        return QString();
    }
    const QString beside = QCoreApplication::applicationDirPath();
    if (QFileInfo(beside).isWritable()) {
        return beside + QStringLiteral("/LOG");
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/LOG");
}

QString LogHandler::Folder()
{
    {
        std::lock_guard<std::mutex> lock(g_folderMutex);
        if (!g_folder.isEmpty()) {
            return g_folder;
        }
    }
    return ChooseFolder();
}

QString LogHandler::FileName(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log");
}

QString LogHandler::FilePath(const QDate& day)
{
    return Folder() + QLatin1Char('/') + FileName(day);
}

void LogHandler::Handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    Q_UNUSED(context)
    if (t_inHandler) {
        return;
    }
    t_inHandler = true;
    const QString folder = Folder();
    if (folder.isEmpty()) {
        t_inHandler = false;
        return;
    }
    Write(type, folder, message);
    t_inHandler = false;
}

void LogHandler::Write(QtMsgType type, const QString& folder, const QString& message)
{
    QMutexLocker lock(&LogMutex());
    const QDateTime now = Now();
    if (!QDir(folder).exists()) {
        QDir().mkpath(folder);
    }
    QFile file(folder + QLatin1Char('/') + FileName(now.date()));
    if (!file.open(QIODevice::Append | QIODevice::Text)) {
        return;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    stream << FormatLine(type, now, message);
    stream.flush();
    file.close();
}
