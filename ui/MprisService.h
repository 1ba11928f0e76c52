#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

class PlaybackController;
class QWidget;

// The player on the session bus as "org.mpris.MediaPlayer2.vorelplayer"
// (object /org/mpris/MediaPlayer2), so that media keys, desktop shells and
// playerctl drive it: play, pause, play-pause, stop, next, previous, seek and
// the position, with metadata naming the file (title) and its length. While
// a file plays, the screensaver is inhibited through the freedesktop
// ScreenSaver service; pausing or stopping releases it.
//
// Times on the bus are microseconds (MPRIS); the controller's are
// milliseconds. Without a session bus nothing is registered and the player
// works as before.
//
// Threads: GUI thread only (the bus delivers calls in its event loop).
class MprisService : public QObject
{
    Q_OBJECT

public:
    static const char* const kServiceName;
    static const char* const kObjectPath;

    // playback and window must outlive this object (the window's child).
    MprisService(PlaybackController* playback, QWidget* window);
    ~MprisService() override;

    bool isRegistered() const { return m_registered; }
    PlaybackController* playback() const { return m_playback; }
    QWidget* window() const { return m_window; }

    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    qlonglong PositionUs() const;

    // The screensaver cookie held while a file plays (0: none).
    uint inhibitCookie() const { return m_inhibitCookie; }

private:
    void OnPlayingChanged(bool playing);
    void OnStarting(int row, const QString& path);
    void EmitPropertiesChanged(const QVariantMap& changed);
    void Inhibit(bool on);
    void ReleaseInhibit(uint cookie);

    PlaybackController* m_playback;
    QWidget* m_window;
    bool m_registered = false;
    QString m_title;
    QString m_trackPath;
    uint m_inhibitCookie = 0;
    bool m_inhibitPending = false;
    bool m_wantInhibit = false;
};

// org.mpris.MediaPlayer2: the application itself.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

public:
    explicit MprisRootAdaptor(MprisService* service);

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("VorelPlayer"); }
    QString DesktopEntry() const { return QStringLiteral("vorelplayer"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    MprisService* m_service;
};

// org.mpris.MediaPlayer2.Player: the playback.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(double MinimumRate READ MinimumRate)
    Q_PROPERTY(double MaximumRate READ MaximumRate)
    Q_PROPERTY(double Volume READ Volume)
    Q_PROPERTY(bool CanGoNext READ CanControl)
    Q_PROPERTY(bool CanGoPrevious READ CanControl)
    Q_PROPERTY(bool CanPlay READ CanControl)
    Q_PROPERTY(bool CanPause READ CanControl)
    Q_PROPERTY(bool CanSeek READ CanControl)
    Q_PROPERTY(bool CanControl READ CanControl)

public:
    explicit MprisPlayerAdaptor(MprisService* service);

    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    qlonglong Position() const;
    double Rate() const;
    double MinimumRate() const { return 0.5; }
    double MaximumRate() const { return 2.0; }
    double Volume() const;
    bool CanControl() const { return true; }

public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong offsetUs);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs);

signals:
    void Seeked(qlonglong positionUs);

private:
    MprisService* m_service;
};
