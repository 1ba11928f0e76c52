// The player on a private session bus (dbus-daemon started by the test):
// its MPRIS name, play, pause, next, previous and stop called by another
// connection as playerctl does, the status, metadata and position it
// reports, and the screensaver inhibited while a file plays (a stand-in
// ScreenSaver service records the calls).
#include "MainWindow.h"
#include "MprisService.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{

const QString kMedia = QStringLiteral(VOREL_TEST_MEDIA);
const QString kService = QStringLiteral("org.mpris.MediaPlayer2.vorelplayer");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

// A session bus of the test's own, in place of the user's.
class PrivateBus
{
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        if (m_daemon.waitForStarted(10000) && m_daemon.waitForReadyRead(10000)) {
            address = QString::fromUtf8(m_daemon.readLine()).trimmed();
            qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        }
    }
    ~PrivateBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(10000);
    }
    QString address;

private:
    QProcess m_daemon;
};

} // namespace

// Records what the player asks of the screensaver.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    static constexpr uint kCookie = 7;
    int inhibits = 0;
    QList<uint> released;

public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        Q_UNUSED(application)
        Q_UNUSED(reason)
        ++inhibits;
        return kCookie;
    }
    void UnInhibit(uint cookie) { released << cookie; }
};

class MprisTest : public QObject
{
    Q_OBJECT

public:
    explicit MprisTest(const QString& address) : m_address(address) {}

private:
    QString m_address;
    QTemporaryDir m_workDir;
    FakeScreenSaver m_screenSaver;

    QDBusConnection Client()
    {
        return QDBusConnection::connectToBus(m_address, QStringLiteral("playerctl"));
    }

    QDBusMessage Call(const QString& interface, const QString& method,
                      const QVariantList& arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        call.setArguments(arguments);
        // The player answers from this thread's event loop.
        return Client().call(call, QDBus::BlockWithGui, 10000);
    }

    QVariant Property(const QString& name)
    {
        const QDBusMessage reply = Call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("Get"), {kPlayer, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    QString Status() { return Property(QStringLiteral("PlaybackStatus")).toString(); }

private slots:
    void initTestCase()
    {
        QVERIFY2(!m_address.isEmpty(), "dbus-daemon gave no address");
        QVERIFY(m_workDir.isValid());
        QVERIFY(QDir::setCurrent(m_workDir.path()));
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.isConnected());
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &m_screenSaver,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    }

    void playerctlDrivesThePlayerAndTheScreensaverFollows()
    {
        MainWindow window;
        window.show();
        QVERIFY(window.mpris()->isRegistered());
        QVERIFY(Client().interface()->isServiceRegistered(kService));
        QCOMPARE(Status(), QStringLiteral("Stopped"));

        // The first file lasts 36 minutes: a short one could end (and the
        // list go on to the next) while a loaded machine runs the steps below.
        window.OpenFiles({kMedia + QStringLiteral("/long.mkv"), kMedia + QStringLiteral("/av.mkv")});
        QCOMPARE(Status(), QStringLiteral("Playing"));
        QTRY_COMPARE(m_screenSaver.inhibits, 1);
        QTRY_VERIFY_WITH_TIMEOUT(Property(QStringLiteral("Position")).toLongLong() > 0, 20000);
        const QVariantMap metadata = qdbus_cast<QVariantMap>(Property(QStringLiteral("Metadata")));
        QCOMPARE(metadata.value(QStringLiteral("xesam:title")).toString(),
                 QStringLiteral("long.mkv"));
        const qlonglong lengthUs = metadata.value(QStringLiteral("mpris:length")).toLongLong();
        QVERIFY2(lengthUs > 2169000000LL && lengthUs < 2171000000LL,
                 qPrintable(QString::number(lengthUs)));

        Call(kPlayer, QStringLiteral("Pause"));
        QVERIFY(!window.isPlaying());
        QCOMPARE(Status(), QStringLiteral("Paused"));
        QTRY_COMPARE(m_screenSaver.released, QList<uint>{FakeScreenSaver::kCookie});
        Call(kPlayer, QStringLiteral("PlayPause"));
        QVERIFY(window.isPlaying());
        QTRY_COMPARE(m_screenSaver.inhibits, 2);

        Call(kPlayer, QStringLiteral("Next"));
        QCOMPARE(window.currentIndex(), 1);
        Call(kPlayer, QStringLiteral("Previous"));
        QCOMPARE(window.currentIndex(), 0);
        Call(kPlayer, QStringLiteral("Stop"));
        QVERIFY(!window.isPlaying());
        QCOMPARE(Status(), QStringLiteral("Stopped"));
        QTRY_VERIFY(!m_screenSaver.released.isEmpty() && m_screenSaver.released.size() >= 2);
        QCOMPARE(window.mpris()->inhibitCookie(), 0u);
        Call(kPlayer, QStringLiteral("Play")); // plays the stopped file again
        QVERIFY(window.isPlaying());
        QCOMPARE(window.currentIndex(), 0);
    }
};

int main(int argc, char* argv[])
{
    // Before the application, so that nothing meets the user's bus first.
    PrivateBus bus;
    QApplication app(argc, argv);
    MprisTest test(bus.address);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Mpris.moc"
