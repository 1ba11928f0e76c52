#pragma once

#include "EnginePathBuffer.h"
#include "ResumePositions.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVector>

// Playback control behind the main window: the play list's paths, the file
// being played, the play mode, speed and volume, and what happens at the end
// of a file, on a failure and on every command (buttons, keys, the list).
//
// It calls the engine only through its signals, which the window connects:
// sigStartSpliter queued (the engine thread opens and plays the file), the
// others directly (the engine's pause, resume, seek and stop are safe from the
// GUI thread). The engine's reports come back through the On* slots. The view
// follows the sig* signals below and never changes playback state itself.
//
// States: no file (currentIndex -1), playing, paused, stopped (a failure, an
// empty list, a new list), finished (StopPlay mode reached the end of a file).
// The play mode changes only through SetPlayMode.
//
// Resuming: where a file longer than kResumeMinDurationMs was left (stopped,
// switched, a new list, the window closing: whenever SaveState runs) is
// remembered, for the last ResumePositions::kCapacity files; playing it to
// its end, or leaving it in its first kResumeMinPositionMs or its last
// kResumeNearEndMs, forgets it. When such a file is opened again (its length
// known), sigResumeOffered offers the position; nothing seeks until the view
// calls AcceptResume.
//
// Threads: GUI thread only. The path buffer handed to the engine lives as
// long as this object, which the window destroys after the engine.
class PlaybackController : public QObject
{
    Q_OBJECT

public:
    static constexpr int kVolumeMax = 100;
    static constexpr int kDefaultVolume = 50;
    static constexpr int kResumeMinDurationMs = 5 * 60 * 1000;
    static constexpr int kResumeMinPositionMs = 10 * 1000;
    static constexpr int kResumeNearEndMs = 15 * 1000;
    // After the system wakes, devices (sound above all) need a moment.
    static constexpr int kWakeDelayMs = 5000;

    explicit PlaybackController(QObject* parent = nullptr);
    ~PlaybackController() override;

    QVector<QString> files() const { return m_files; }
    int currentIndex() const { return m_current; }
    int playMode() const { return m_playMode; }
    bool isPlaying() const { return m_playing; }
    bool isFinished() const { return m_finished; }
    // A file was started and has not been stopped since (playing or paused).
    bool isActive() const { return m_active; }
    int durationMs() const { return m_durationMs; }
    int positionMs() const { return m_positionMs; }
    int volume() const { return m_volume; }
    bool isMuted() const { return m_muted; }
    float speed() const { return m_speed; }

    // Volume, mute, speed, play mode, the play list and the resume
    // positions (the current file's first), in the group "Player"; restoring
    // starts nothing.
    void SaveState(QSettings& settings);
    void RestoreState(const QSettings& settings);

    // The position remembered for `path`, or -1.
    int resumePositionMs(const QString& path) const { return m_resume.PositionMs(path); }
    // The position offered for the current file, or -1.
    int offeredResumeMs() const { return m_offeredResumeMs; }

    // The message shown for a play-list entry that is not a file, in the
    // interface's language.
    static QString MissingFileText(const QString& path);

public slots:
    // A new list from the import dialog: replaces the old one and stops.
    void SetFiles(const QVector<QString>& files);
    // Files from a drop or another start: appended (a path already listed
    // is not added twice) and the first of them played.
    void OpenFiles(const QVector<QString>& files);
    void Play(int row);
    // The play button: replays a finished file, pauses or resumes a started
    // one; with nothing started it plays `selectedRow`, or else the last
    // file played (after a stop), or the first row.
    void TogglePlay(int selectedRow = -1);
    void Next();
    void Previous();
    // Ends the playback; the list and the current row stay.
    void Stop();
    void RemoveRow(int row);
    void SetPlayMode(int mode);
    void Seek(int positionMs);
    void SeekBy(int deltaMs);
    void SetVolume(int volume);
    void ChangeVolumeBy(int delta);
    void ToggleMute();
    void SetSpeed(float multiple);
    // One step along 0.5x, 1x, 2x (negative: slower); stays at the ends.
    void StepSpeed(int steps);
    // Seeks to the offered position, once; nothing without an offer.
    void AcceptResume();
    // The system goes to sleep: a running playback pauses in the engine (the
    // view still shows it playing). On wake, kWakeDelayMs later, only that
    // one resumes, then sigAwake; the window is never blocked meanwhile.
    void PauseForSleep();
    void ResumeAfterWake();

    // The engine's reports.
    void OnDuration(int durationMs);
    void OnPosition(int positionMs);
    void OnFinished();
    void OnEngineMessage(const QString& text);

signals:
    // Engine calls.
    void sigStartSpliter(const char* file);
    void sigClosePlay();
    void sigPause();
    void sigResume();
    void sigSeek(int positionMs);
    void sigSetMultiple(float multiple);
    void sigSetVolume(double volume);

    // For the view.
    void sigListChanged(QVector<QString> files);
    void sigStarting(int row, const QString& path);
    void sigPlayingChanged(bool playing);
    void sigStopped();
    void sigPlayModeChanged(int mode);
    void sigSpeedChanged(float multiple);
    void sigVolumeChanged(int volume, bool muted);
    // A text the user must see; playback goes on without waiting for it.
    void sigMessage(const QString& text);
    // The file just opened was left at `positionMs` (see AcceptResume); the
    // offer ends with the next sigStarting or sigStopped.
    void sigResumeOffered(int positionMs);
    void sigAwake();

private:
    void Follow(int kind, int index);
    void EnterStopState();
    // The current file cannot be played: tell the user, stop, and go on
    // with the next file where the play mode continues by itself.
    void Fail(const QString& text);
    void ApplyVolume();
    void SetPlaying(bool playing);
    // Remembers or forgets where the current file is, by the rules above.
    void RememberPosition();
    void OfferResume();

    QVector<QString> m_files;
    int m_current = -1;
    int m_playMode = 0;
    bool m_playing = false;
    bool m_finished = false;
    bool m_active = false;
    // The engine reported a position for the file being played.
    bool m_playedSomething = false;
    // Files that failed one after the other: when every file of the list
    // has failed, automatic play stops instead of going round for ever.
    int m_failuresInRow = 0;
    int m_durationMs = 0;
    int m_positionMs = 0;
    int m_volume = kDefaultVolume;
    bool m_muted = false;
    float m_speed = 1.0f;
    ResumePositions m_resume;
    // The current file's length was reported and its resume offer decided.
    bool m_resumeChecked = false;
    int m_offeredResumeMs = -1;
    bool m_resumeAfterWake = false;
    EnginePathBuffer m_pathBuffer;
};
