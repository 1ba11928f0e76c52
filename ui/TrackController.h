#pragma once

#include "MediaTrack.h"
#include "PlayerKeys.h"
#include "SubtitleEvent.h"

#include <QHash>
#include <QObject>
#include <QStringList>

class GLYuvWidget;
class PlaySpliterSystem;
class PlaybackController;
class QMenu;
class QWidget;

// The sound and subtitle tracks of the playing file as the user picks them:
// the "Audio" and "Subtitles" submenus of the picture's menu (subtitles with
// "Off" and "Load subtitles..."), the keys V (subtitles shown or hidden), J
// (the next subtitle track, then off) and # (the next sound track), and the
// languages last chosen, remembered in "account.ini", which the next file
// follows when it has them. It hands the engine's subtitles to the view
// (SubtitleFeed).
//
// Submenus keep object names for tests: "audioMenu", "subtitleMenu", with
// actions "audioTrack<N>", "subtitleTrack<N>", "subtitlesOff",
// "loadSubtitles".
//
// Threads: GUI thread; the engine's signals arrive queued.
class TrackController : public QObject
{
    Q_OBJECT

public:
    TrackController(PlaySpliterSystem& engine, PlaybackController* playback, GLYuvWidget* view,
                    QWidget* dialogParent);

    // Adds the two submenus at the end of the picture's menu.
    void AddMenus(QMenu* menu);

    const MediaTrackList& Tracks() const { return m_tracks; }
    int ShownSubtitle() const { return m_shownSubtitle; }
    int PlayingAudio() const;
    bool SubtitlesVisible() const;

    void ToggleSubtitles();
    void NextSubtitle();
    void NextAudio();
    // PlayerKeys' ToggleSubtitles, NextSubtitle and NextAudio.
    void OnKey(PlayerKeys::Action action);
    // Choices of the user: remembered by language.
    void SelectSubtitle(int id);
    void SelectAudio(int id);
    void LoadSubtitles(const QString& path);

signals:
    // The list or the choice changed (after the engine said so).
    void sigTracksChanged();

private:
    void PrepareStart(const QString& path);
    void OnTracks(const MediaTrackList& tracks);
    void OnSubtitleTrack(const SubtitleTrackStart& start);
    void AddTrackActions(QMenu* menu, TrackKind kind, int checkedId, const QString& prefix,
                         void (TrackController::*choose)(int));
    void FillAudioMenu();
    void FillSubtitleMenu();
    void AskForSubtitleFile();
    QList<int> Ids(TrackKind kind) const;
    static QString Label(const MediaTrack& track);

    PlaySpliterSystem& m_engine;
    GLYuvWidget* m_view;
    QWidget* m_dialogParent;
    MediaTrackList m_tracks;
    int m_shownSubtitle = 0;
    QString m_playingPath;
    // Subtitle files the user loaded, by media file, for this run.
    QHash<QString, QStringList> m_loadedFiles;
    QMenu* m_audioMenu = nullptr;
    QMenu* m_subtitleMenu = nullptr;
};
