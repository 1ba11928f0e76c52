#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One player per user. The first start listens on a local socket named for
// the user (in the user's runtime folder where there is one, so other users
// neither see nor reach it); a later start connects to it, hands over its
// files (none: just show the window) and exits. A socket left behind by a
// player that crashed answers no connection: the next start removes it and
// listens in its place. Starts made at the same instant decide one after the
// other (Start holds a lock file beside the socket while it hands over or
// listens), so exactly one of them becomes the player and the others hand
// over to it; the lock of a start that crashed is taken over.
//
// Wire format: one QDataStream (Qt 5.15) QStringList of absolute paths per
// connection, written by the client, which then disconnects.
//
// Threads: GUI thread only (the server's sockets are handled in its event
// loop).
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    static constexpr int kHandOverTimeoutMs = 3000;
    // How long a start waits for another one deciding at the same instant.
    static constexpr int kDecideTimeoutMs = 10000;

    enum class Role { HandedOver, Player };

    explicit SingleInstance(const QString& serverName = DefaultServerName(),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // "vorelplayer-" and the user's name, in the user's runtime folder on Unix.
    static QString DefaultServerName();

    // A start: hands the files to a running player, or else listens as the
    // player (the role it takes even when listening fails: no window is
    // ever refused).
    Role Start(const QStringList& files);
    // The lock file Start holds while it decides.
    QString LockFileName() const;

    // Gives the files to a running player; true when one took them.
    bool HandOver(const QStringList& files, int timeoutMs = kHandOverTimeoutMs);
    // Becomes the player later starts hand over to.
    bool Listen();
    // Stops listening, so that a new start (a restart) becomes the player.
    void Close();
    bool isListening() const;

signals:
    // Files handed over by another start; empty when it had none.
    void sigFilesReceived(const QStringList& files);

private:
    void OnNewConnection();
    void ReadWhole(QLocalSocket* socket);

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};
