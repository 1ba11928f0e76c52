#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The process's file log: every message becomes one line in a file per
// local calendar day, "LOG/yyyy-MM-dd.log" beside the executable. The file is
// opened and closed for each message, so a new day starts a new file and the
// files may be read or removed while the program runs.
//
// Threads: Handle is called from any thread that logs; one process-wide,
// non-recursive mutex (created on first use, never destroyed) serialises
// whole lines. Nothing else takes it.
class LogHandler
{
public:
    using Clock = QDateTime (*)();

    // Installs Handle as Qt's message handler.
    static void Install();
    // Qt's message-handler signature; the context is not used.
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

    // "yyyy/MM/dd HH:mm:ss", three spaces, the eight-character level field
    // (empty for info), the message and "\n".
    static QString FormatLine(QtMsgType type, const QDateTime& when, const QString& message);
    static QString LevelField(QtMsgType type);
    static QString Folder();
    static QString FilePath(const QDate& day);

    // The source of the current local time; tests move it across midnight.
    // Null restores the system clock.
    static void SetClock(Clock clock);
};
