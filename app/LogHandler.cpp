#include "LogHandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

#include <atomic>

namespace {

std::atomic<LogHandler::Clock> g_clock{nullptr};

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
    return QString::fromUtf8(stamp) + QStringLiteral("   ") + LevelField(type) + message + QLatin1Char('\n');
}

QString LogHandler::Folder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/LOG");
}

QString LogHandler::FilePath(const QDate& day)
{
    return Folder() + QLatin1Char('/') + day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log");
}

void LogHandler::Handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    Q_UNUSED(context)
    QMutexLocker lock(&LogMutex());
    const QDateTime now = Now();
    const QString folder = Folder();
    if (!QDir(folder).exists()) {
        QDir().mkpath(folder);
    }
    QFile file(FilePath(now.date()));
    if (!file.open(QIODevice::Append | QIODevice::Text)) {
        return;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    stream << FormatLine(type, now, message);
    stream.flush();
    file.close();
}
