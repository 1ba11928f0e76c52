#pragma once

#include <QByteArray>
#include <QObject>

// The operating system's sleep and wake notifications, as two signals.
//
// Windows (PowerEvents_win.cpp): the main window hands every native message
// to HandleNative, which picks WM_POWERBROADCAST (PBT_APMSUSPEND,
// PBT_APMRESUMEAUTOMATIC). Elsewhere (PowerEvents_unix.cpp): logind's
// PrepareForSleep signal on the system D-Bus, when a system bus exists;
// HandleNative ignores everything.
//
// Threads: GUI thread only; the D-Bus signal is delivered by the event loop.
class PowerEvents : public QObject
{
    Q_OBJECT

public:
    explicit PowerEvents(QObject* parent = nullptr);

    // Whether a source of notifications is connected.
    bool listening() const { return m_listening; }
    // Always false: the message continues through Qt's processing.
    bool HandleNative(const QByteArray& eventType, void* message);

signals:
    void sigSuspend();
    void sigResume();

private slots:
    // logind: true before sleeping, false after waking.
    void onLogindPrepareForSleep(bool start);

private:
    bool m_listening = false;
};
