// One player per user: hand-over of files to the listening player, an empty
// hand-over, a socket left by a crash, starts at the same instant, and a
// restart that lets the next start in.
#include "SingleInstance.h"

#include <QFile>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString Name(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void filesReachTheListeningPlayer()
    {
        SingleInstance first(Name("player"));
        SingleInstance second(Name("player"));
        QVERIFY(!second.HandOver({QStringLiteral("/a.mp4")}, 500)); // nobody listens yet
        QVERIFY(first.Listen());
        QSignalSpy received(&first, &SingleInstance::sigFilesReceived);
        const QStringList files{QStringLiteral("/media/a b.mp4"), QStringLiteral("/媒体/片.MKV")};
        QVERIFY(second.HandOver(files));
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.first().first().toStringList(), files);
        // Without files: the running player is only shown.
        QVERIFY(second.HandOver({}));
        QTRY_COMPARE(received.count(), 2);
        QVERIFY(received.last().first().toStringList().isEmpty());
    }

    void aSocketLeftByACrashIsTakenOver()
    {
        // The socket file of a player that was killed: it exists, and
        // nobody listens on it.
        QFile stale(Name("crashed"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        SingleInstance next(Name("crashed"));
        QVERIFY(!next.HandOver({QStringLiteral("/a.mp4")}, 500));
        QVERIFY(next.Listen());
        SingleInstance later(Name("crashed"));
        QSignalSpy received(&next, &SingleInstance::sigFilesReceived);
        QVERIFY(later.HandOver({QStringLiteral("/b.mp4")}));
        QTRY_COMPARE(received.count(), 1);
    }

    void startsAtTheSameInstantDecideOneAfterTheOther()
    {
        SingleInstance first(Name("race"));
        QCOMPARE(first.Start({}), SingleInstance::Role::Player);
        SingleInstance second(Name("race"));
        QSignalSpy received(&first, &SingleInstance::sigFilesReceived);
        QCOMPARE(second.Start({QStringLiteral("/a.mp4")}), SingleInstance::Role::HandedOver);
        QTRY_COMPARE(received.count(), 1);
        first.Close();

        // A start caught between its failed hand-over and its listening (it
        // holds the lock): another start made meanwhile waits for it, then
        // hands over instead of listening in its place.
        SingleInstance deciding(Name("race"));
        QLockFile lock(deciding.LockFileName());
        QVERIFY(lock.lock());
        SingleInstance::Role role = SingleInstance::Role::Player;
        QThread* other = QThread::create([this, &role] {
            SingleInstance late(Name("race"));
            role = late.Start({QStringLiteral("/b.mp4")});
        });
        other->start();
        QTest::qWait(300); // gives the other start the time to reach the lock
        QSignalSpy handed(&deciding, &SingleInstance::sigFilesReceived);
        QVERIFY(deciding.Listen());
        lock.unlock();
        QTRY_COMPARE(handed.count(), 1);
        QVERIFY(other->wait(20000));
        delete other;
        QCOMPARE(role, SingleInstance::Role::HandedOver);
        QCOMPARE(handed.first().first().toStringList(), QStringList{QStringLiteral("/b.mp4")});
    }

    void aClosedPlayerLetsTheNextStartListen()
    {
        SingleInstance old(Name("restart"));
        QVERIFY(old.Listen());
        old.Close();
        QVERIFY(!old.isListening());
        SingleInstance copy(Name("restart"));
        QVERIFY(!copy.HandOver({}, 500));
        QVERIFY(copy.Listen());
    }

    void theNameIsTheUsers()
    {
        const QString name = SingleInstance::DefaultServerName();
        QVERIFY(name.contains(QStringLiteral("vorelplayer-")));
        QVERIFY(name.size() > QStringLiteral("vorelplayer-").size());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_SingleInstance.moc"
