#include "SingleInstance.h"

#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace
{
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_5_15;
}

SingleInstance::SingleInstance(const QString& serverName, QObject* parent)
    : QObject(parent), m_serverName(serverName)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultServerName()
{
#ifdef Q_OS_UNIX
    const QString user = QString::number(getuid());
#else
    const QString user = qEnvironmentVariable("USERNAME");
#endif
    const QString name = QStringLiteral("vorelplayer-") + user;
#ifdef Q_OS_UNIX
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && QDir(runtime).exists()) {
        return runtime + QLatin1Char('/') + name;
    }
#endif
    return name;
}

QString SingleInstance::LockFileName() const
{
    const QString base = QDir::isAbsolutePath(m_serverName)
                             ? m_serverName
                             : QDir::tempPath() + QLatin1Char('/') + m_serverName;
    return base + QStringLiteral(".lock");
}

SingleInstance::Role SingleInstance::Start(const QStringList& files)
{
    // Held from the hand-over to the listening: a start at the same instant
    // waits here and then finds this one listening.
    QLockFile lock(LockFileName());
    if (!lock.tryLock(kDecideTimeoutMs)) {
        qWarning() << __LINE__ << "SingleInstance::Start"
                   << "cannot lock" << LockFileName() << lock.error();
    }
    if (HandOver(files)) {
        return Role::HandedOver;
    }
    Listen();
    return Role::Player;
}

bool SingleInstance::HandOver(const QStringList& files, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << files;
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(timeoutMs);
    }
    return true;
}

bool SingleInstance::Listen()
{
    Close();
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    if (m_server->listen(m_serverName)) {
        return true;
    }
    // Nobody answered HandOver, so what is there was left by a crash.
    QLocalServer::removeServer(m_serverName);
    if (m_server->listen(m_serverName)) {
        return true;
    }
    qWarning() << __LINE__ << "SingleInstance::Listen" << m_serverName << m_server->errorString();
    return false;
}

void SingleInstance::Close()
{
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // The client writes its list and disconnects: read it all then.
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            ReadWhole(socket);
            socket->deleteLater();
        });
        if (socket->state() != QLocalSocket::ConnectedState) {
            ReadWhole(socket);
            socket->deleteLater();
        }
    }
}

void SingleInstance::ReadWhole(QLocalSocket* socket)
{
    QByteArray message = socket->readAll();
    QDataStream in(&message, QIODevice::ReadOnly);
    in.setVersion(kStreamVersion);
    QStringList files;
    in >> files;
    if (in.status() != QDataStream::Ok) {
        qDebug() << __LINE__ << "SingleInstance"
                 << "unreadable hand-over of" << message.size() << "bytes";
        return;
    }
    emit sigFilesReceived(files);
}
