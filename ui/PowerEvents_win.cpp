#include "PowerEvents.h"

#include <QDateTime>
#include <QDebug>

#include <windows.h>

PowerEvents::PowerEvents(QObject* parent)
    : QObject(parent), m_listening(true)
{
}

bool PowerEvents::HandleNative(const QByteArray& eventType, void* message)
{
    if (eventType != "windows_generic_MSG" && eventType != "windows_dispatcher_MSG") {
        return false;
    }
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_POWERBROADCAST) {
        return false;
    }
    qDebug() << __LINE__ << "PowerEvents" << "WM_POWERBROADCAST" << msg->wParam << msg->lParam;
    if (msg->wParam == PBT_APMSUSPEND) {
        qDebug() << __LINE__ << "PowerEvents" << "shui mian";
        emit sigSuspend();
    } else if (msg->wParam == PBT_APMRESUMEAUTOMATIC) {
        qDebug() << __LINE__ << "PowerEvents" << "liang ping";
        emit sigResume();
    }
    qDebug() << __LINE__ << "current_date="
             << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm::ss.zzz"));
    return false;
}

void PowerEvents::onLogindPrepareForSleep(bool start)
{
    Q_UNUSED(start)
}
