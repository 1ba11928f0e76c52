#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The process's file log: every message becomes one line in a file per
// local calendar day, "LOG/yyyy-MM-dd.log" beside the executable, or in the
// user's data folder when the executable's folder is not writable (an
// installed player). The file is opened and closed for each message, so a
// new day starts a new file and the files may be read or removed while the
// program runs. Installing it also lets the per-picture debug lines into the
// file: the logging categories whose names end in ".frames" (such as
// "vorel.display.frames"), off by default so that the terminal stays quiet.
//
// Threads: Handle is called from any thread that logs. Locks, never nested:
// the folder lock (the folder chosen at Install, copied out), then, after it
// is released, one process-wide non-recursive log mutex (created on first
// use, never destroyed) that serialises whole lines. Nothing in the handler
// needs the application object, so messages logged after it is gone are
// still written; a message Qt logs from inside the handler is dropped.
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
    // The folder Install chose, or the one it would choose; empty without an
    // application object.
    static QString Folder();
    static QString ChooseFolder();
    static QString FileName(const QDate& day);
    static QString FilePath(const QDate& day);

    // The source of the current local time; tests move it across midnight.
    // Null restores the system clock.
    static void SetClock(Clock clock);

private:
    static void Write(QtMsgType type, const QString& folder, const QString& message);
};
