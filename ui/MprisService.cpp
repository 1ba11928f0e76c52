#include "MprisService.h"

#include "PlaybackController.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>
#include <QFileInfo>
#include <QWidget>

const char* const MprisService::kServiceName = "org.mpris.MediaPlayer2.vorelplayer";
const char* const MprisService::kObjectPath = "/org/mpris/MediaPlayer2";

namespace
{
const char* const kPlayerInterface = "org.mpris.MediaPlayer2.Player";
const char* const kScreenSaverService = "org.freedesktop.ScreenSaver";
const char* const kScreenSaverPath = "/org/freedesktop/ScreenSaver";
constexpr qlonglong kUsPerMs = 1000;
} // namespace

MprisService::MprisService(PlaybackController* playback, QWidget* window)
    : QObject(window), m_playback(playback), m_window(window)
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    connect(m_playback, &PlaybackController::sigPlayingChanged, this,
            &MprisService::OnPlayingChanged);
    connect(m_playback, &PlaybackController::sigStarting, this, &MprisService::OnStarting);
    connect(m_playback, &PlaybackController::sigStopped, this, [this] { OnPlayingChanged(false); });
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qDebug() << __LINE__ << "MprisService"
                 << "no session bus";
        return;
    }
    m_registered = bus.registerObject(QString::fromLatin1(kObjectPath), this) &&
                   bus.registerService(QString::fromLatin1(kServiceName));
    if (!m_registered) {
        qDebug() << __LINE__ << "MprisService"
                 << "not registered" << bus.lastError().message();
    }
}

MprisService::~MprisService()
{
    Inhibit(false);
    if (m_registered) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QString::fromLatin1(kServiceName));
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
    }
}

QString MprisService::PlaybackStatus() const
{
    if (m_playback->isPlaying()) {
        return QStringLiteral("Playing");
    }
    return m_playback->isActive() ? QStringLiteral("Paused") : QStringLiteral("Stopped");
}

QVariantMap MprisService::Metadata() const
{
    QVariantMap metadata;
    if (m_trackPath.isEmpty()) {
        return metadata;
    }
    metadata.insert(QStringLiteral("mpris:trackid"),
                    QVariant::fromValue(QDBusObjectPath(m_trackPath)));
    metadata.insert(QStringLiteral("xesam:title"), m_title);
    if (m_playback->durationMs() > 0) {
        metadata.insert(QStringLiteral("mpris:length"),
                        qlonglong(m_playback->durationMs()) * kUsPerMs);
    }
    return metadata;
}

qlonglong MprisService::PositionUs() const
{
    return qlonglong(m_playback->positionMs()) * kUsPerMs;
}

void MprisService::OnStarting(int row, const QString& path)
{
    m_title = QFileInfo(path).fileName();
    m_trackPath = QStringLiteral("/org/vorelplayer/track/%1").arg(row);
    EmitPropertiesChanged({{QStringLiteral("Metadata"), Metadata()}});
}

void MprisService::OnPlayingChanged(bool playing)
{
    Inhibit(playing);
    EmitPropertiesChanged({{QStringLiteral("PlaybackStatus"), PlaybackStatus()},
                           {QStringLiteral("Metadata"), Metadata()}});
}

void MprisService::EmitPropertiesChanged(const QVariantMap& changed)
{
    if (!m_registered) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void MprisService::Inhibit(bool on)
{
    m_wantInhibit = on;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    if (!on) {
        ReleaseInhibit(m_inhibitCookie);
        m_inhibitCookie = 0;
        return;
    }
    if (m_inhibitCookie != 0 || m_inhibitPending) {
        return;
    }
    // Asked without waiting: the answer (the cookie) arrives in the event
    // loop, and is given back at once if playback stopped meanwhile.
    const QString service = QString::fromLatin1(kScreenSaverService);
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QString::fromLatin1(kScreenSaverPath), service, QStringLiteral("Inhibit"));
    call << QStringLiteral("VorelPlayer") << QStringLiteral("Playing a video");
    m_inhibitPending = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                m_inhibitPending = false;
                const QDBusPendingReply<uint> reply = *finished;
                if (reply.isError()) {
                    qDebug() << __LINE__ << "MprisService"
                             << "no screensaver inhibition" << reply.error().message();
                    return;
                }
                if (m_wantInhibit) {
                    m_inhibitCookie = reply.value();
                } else {
                    ReleaseInhibit(reply.value());
                }
            });
}

void MprisService::ReleaseInhibit(uint cookie)
{
    if (cookie == 0) {
        return;
    }
    const QString service = QString::fromLatin1(kScreenSaverService);
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QString::fromLatin1(kScreenSaverPath), service, QStringLiteral("UnInhibit"));
    call << cookie;
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service)
{
}

QStringList MprisRootAdaptor::SupportedMimeTypes() const
{
    return {QStringLiteral("video/mp4"),        QStringLiteral("video/quicktime"),
            QStringLiteral("video/x-flv"),      QStringLiteral("video/x-ms-wmv"),
            QStringLiteral("video/x-msvideo"),  QStringLiteral("video/x-matroska"),
            QStringLiteral("video/x-vorel-mvr")};
}

void MprisRootAdaptor::Raise()
{
    QWidget* window = m_service->window();
    window->show();
    window->raise();
    window->activateWindow();
}

void MprisRootAdaptor::Quit()
{
    m_service->window()->close();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service)
{
}

QString MprisPlayerAdaptor::PlaybackStatus() const
{
    return m_service->PlaybackStatus();
}

QVariantMap MprisPlayerAdaptor::Metadata() const
{
    return m_service->Metadata();
}

qlonglong MprisPlayerAdaptor::Position() const
{
    return m_service->PositionUs();
}

double MprisPlayerAdaptor::Rate() const
{
    return m_service->playback()->speed();
}

double MprisPlayerAdaptor::Volume() const
{
    PlaybackController* playback = m_service->playback();
    return playback->isMuted() ? 0.0 : playback->volume() / 100.0;
}

void MprisPlayerAdaptor::Play()
{
    if (!m_service->playback()->isPlaying()) {
        m_service->playback()->TogglePlay();
    }
}

void MprisPlayerAdaptor::Pause()
{
    if (m_service->playback()->isPlaying()) {
        m_service->playback()->TogglePlay();
    }
}

void MprisPlayerAdaptor::PlayPause()
{
    m_service->playback()->TogglePlay();
}

void MprisPlayerAdaptor::Stop()
{
    m_service->playback()->Stop();
}

void MprisPlayerAdaptor::Next()
{
    m_service->playback()->Next();
}

void MprisPlayerAdaptor::Previous()
{
    m_service->playback()->Previous();
}

void MprisPlayerAdaptor::Seek(qlonglong offsetUs)
{
    m_service->playback()->SeekBy(static_cast<int>(offsetUs / kUsPerMs));
    emit Seeked(m_service->PositionUs());
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs)
{
    Q_UNUSED(trackId)
    m_service->playback()->Seek(static_cast<int>(positionUs / kUsPerMs));
    emit Seeked(positionUs);
}
