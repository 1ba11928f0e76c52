#include "PowerEvents.h"

#include <QDBusConnection>
#include <QDebug>

namespace {
const char* const kLogindService = "org.freedesktop.login1";
const char* const kLogindPath = "/org/freedesktop/login1";
const char* const kLogindManager = "org.freedesktop.login1.Manager";
}

PowerEvents::PowerEvents(QObject* parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qDebug() << __LINE__ << "PowerEvents" << "no system bus; sleep and wake are not followed";
        return;
    }
    m_listening = bus.connect(QString::fromLatin1(kLogindService), QString::fromLatin1(kLogindPath),
                              QString::fromLatin1(kLogindManager), QStringLiteral("PrepareForSleep"), this,
                              SLOT(onLogindPrepareForSleep(bool)));
}

bool PowerEvents::HandleNative(const QByteArray& eventType, void* message)
{
    Q_UNUSED(eventType)
    Q_UNUSED(message)
    return false;
}

void PowerEvents::onLogindPrepareForSleep(bool start)
{
    qDebug() << __LINE__ << "PowerEvents" << "PrepareForSleep" << start;
    if (start) {
        emit sigSuspend();
    } else {
        emit sigResume();
    }
}
