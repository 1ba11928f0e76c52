#include "PlaybackController.h"

#include "AppSettings.h"
#include "PlayOrder.h"

#include <QDebug>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace
{
const float kSpeeds[] = {0.5f, 1.0f, 2.0f};
}

PlaybackController::PlaybackController(QObject* parent) : QObject(parent) {}

PlaybackController::~PlaybackController() = default;

QString PlaybackController::MissingFileText(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return AppSettings::InterfaceIsChinese()
               ? QStringLiteral("找不到文件：%1").arg(name)
               : QStringLiteral("The file cannot be found: %1").arg(name);
}

namespace
{
const char* const kStateVolume = "Player/volume";
const char* const kStateMuted = "Player/muted";
const char* const kStateSpeed = "Player/speed";
const char* const kStateMode = "Player/mode";
const char* const kStateFiles = "Player/files";
const char* const kStateResume = "Player/resume";
} // namespace

void PlaybackController::SaveState(QSettings& settings)
{
    RememberPosition();
    settings.setValue(QString::fromLatin1(kStateResume), m_resume.SaveList());
    settings.setValue(QString::fromLatin1(kStateVolume), m_volume);
    settings.setValue(QString::fromLatin1(kStateMuted), m_muted);
    settings.setValue(QString::fromLatin1(kStateSpeed), m_speed);
    settings.setValue(QString::fromLatin1(kStateMode), m_playMode);
    settings.setValue(QString::fromLatin1(kStateFiles), QStringList(m_files.toList()));
}

void PlaybackController::RestoreState(const QSettings& settings)
{
    auto value = [&settings](const char* key) { return settings.value(QString::fromLatin1(key)); };
    if (value(kStateVolume).isValid()) {
        SetVolume(value(kStateVolume).toInt());
    }
    if (value(kStateMuted).toBool()) {
        ToggleMute();
    }
    const float speed = value(kStateSpeed).toFloat();
    if (speed == 0.5f || speed == 2.0f) {
        SetSpeed(speed);
    }
    if (value(kStateMode).isValid()) {
        SetPlayMode(value(kStateMode).toInt());
    }
    m_resume.RestoreList(value(kStateResume).toStringList());
    const QStringList files = value(kStateFiles).toStringList();
    if (!files.isEmpty()) {
        SetFiles(files.toVector());
    }
}

void PlaybackController::SetFiles(const QVector<QString>& files)
{
    RememberPosition();
    m_files = files;
    m_current = -1;
    m_finished = false;
    m_failuresInRow = 0;
    emit sigClosePlay();
    emit sigListChanged(m_files);
    EnterStopState();
}

void PlaybackController::OpenFiles(const QVector<QString>& files)
{
    int first = -1;
    for (const QString& file : files) {
        int row = m_files.indexOf(file);
        if (row < 0) {
            m_files.append(file);
            row = m_files.size() - 1;
        }
        if (first < 0) {
            first = row;
        }
    }
    if (first < 0) {
        return;
    }
    emit sigListChanged(m_files);
    m_failuresInRow = 0;
    Play(first);
}

void PlaybackController::Play(int row)
{
    if (row < 0 || row >= m_files.size()) {
        qDebug() << __LINE__ << "PlaybackController::Play"
                 << "no such row" << row;
        return;
    }
    RememberPosition();
    emit sigClosePlay();
    m_finished = false;
    m_current = row;
    m_durationMs = 0;
    m_positionMs = 0;
    m_resumeChecked = false;
    m_offeredResumeMs = -1;
    const QString path = m_files[row];
    const char* buffer = m_pathBuffer.Store(path);
    emit sigStarting(row, path);
    if (!QFileInfo(path).isFile()) {
        qDebug() << __LINE__ << "PlaybackController::Play"
                 << "open notfile";
        Fail(MissingFileText(path));
        return;
    }
    qDebug() << __LINE__ << "PlaybackController::Play"
             << "open isFile" << path;
    m_active = true;
    m_playedSomething = false;
    SetPlaying(true);
    emit sigStartSpliter(buffer);
}

void PlaybackController::TogglePlay(int selectedRow)
{
    if (m_finished) {
        Play(m_current);
        return;
    }
    if (!m_active) {
        if (selectedRow >= 0 && selectedRow < m_files.size()) {
            Play(selectedRow);
        } else if (!m_files.isEmpty()) {
            Play(m_current >= 0 && m_current < m_files.size() ? m_current : 0);
        }
        return;
    }
    SetPlaying(!m_playing);
    if (m_playing) {
        emit sigResume();
    } else {
        emit sigPause();
    }
}

void PlaybackController::Follow(int kind, int index)
{
    switch (static_cast<PlayOrder::Step::Kind>(kind)) {
    case PlayOrder::Step::Kind::Play:
        Play(index);
        break;
    case PlayOrder::Step::Kind::Stop:
        EnterStopState();
        break;
    case PlayOrder::Step::Kind::Finish:
        EnterStopState();
        m_finished = true;
        break;
    }
}

void PlaybackController::Next()
{
    const PlayOrder::Step step = PlayOrder::Next(m_playMode, m_current, m_files.size());
    Follow(static_cast<int>(step.kind), step.index);
}

void PlaybackController::Previous()
{
    const PlayOrder::Step step = PlayOrder::Previous(m_playMode, m_current, m_files.size());
    Follow(static_cast<int>(step.kind), step.index);
}

void PlaybackController::Stop()
{
    if (!m_active && !m_finished) {
        return;
    }
    RememberPosition();
    emit sigClosePlay();
    m_finished = false;
    EnterStopState();
}

void PlaybackController::OnFinished()
{
    if (!m_active) {
        return; // the end of a playback already stopped here
    }
    // Played to its end: the next file's start must not remember it again.
    m_resume.Forget(m_files.value(m_current));
    m_positionMs = m_durationMs;
    m_failuresInRow = 0;
    const PlayOrder::Step step = PlayOrder::AtEnd(m_playMode, m_current, m_files.size());
    Follow(static_cast<int>(step.kind), step.index);
}

void PlaybackController::RemoveRow(int row)
{
    if (row < 0 || row >= m_files.size()) {
        return;
    }
    if (row == m_current) {
        RememberPosition();
    }
    m_files.remove(row);
    if (row != m_current) {
        // Another row: playback goes on, the index follows its file.
        if (row < m_current) {
            --m_current;
        }
        return;
    }
    // The playing row: the file after it starts, by play mode.
    --m_current;
    emit sigClosePlay();
    m_active = false;
    Next();
}

void PlaybackController::SetPlayMode(int mode)
{
    if (mode < PlayOrder::AutoPlay || mode > PlayOrder::StopPlay) {
        return;
    }
    m_playMode = mode;
    emit sigPlayModeChanged(mode);
}

void PlaybackController::Seek(int positionMs)
{
    if (!m_active) {
        return;
    }
    emit sigSeek(positionMs);
    // The engine resumes a paused playback when it seeks.
    SetPlaying(true);
}

void PlaybackController::SeekBy(int deltaMs)
{
    if (!m_active) {
        return;
    }
    const int upper = m_durationMs > 0 ? m_durationMs : std::max(m_positionMs + deltaMs, 0);
    const int target = std::clamp(m_positionMs + deltaMs, 0, upper);
    m_positionMs = target;
    Seek(target);
}

void PlaybackController::SetVolume(int volume)
{
    m_volume = std::clamp(volume, 0, kVolumeMax);
    m_muted = false;
    ApplyVolume();
}

void PlaybackController::ChangeVolumeBy(int delta)
{
    SetVolume(m_volume + delta);
}

void PlaybackController::ToggleMute()
{
    m_muted = !m_muted;
    ApplyVolume();
}

void PlaybackController::ApplyVolume()
{
    emit sigSetVolume(m_muted ? 0.0 : m_volume / 100.0);
    emit sigVolumeChanged(m_volume, m_muted);
}

void PlaybackController::SetSpeed(float multiple)
{
    m_speed = multiple;
    emit sigSetMultiple(multiple);
    emit sigSpeedChanged(multiple);
}

void PlaybackController::StepSpeed(int steps)
{
    const int count = static_cast<int>(std::size(kSpeeds));
    int at = 1;
    for (int i = 0; i < count; ++i) {
        if (qFuzzyCompare(kSpeeds[i], m_speed)) {
            at = i;
        }
    }
    const int next = std::clamp(at + steps, 0, count - 1);
    if (next != at || !qFuzzyCompare(kSpeeds[next], m_speed)) {
        SetSpeed(kSpeeds[next]);
    }
}

void PlaybackController::OnDuration(int durationMs)
{
    m_durationMs = durationMs;
    if (m_active && !m_resumeChecked) {
        m_resumeChecked = true;
        OfferResume();
    }
}

void PlaybackController::OfferResume()
{
    const int positionMs = m_resume.PositionMs(m_files.value(m_current));
    if (positionMs <= 0 || m_durationMs <= kResumeMinDurationMs || positionMs >= m_durationMs) {
        return;
    }
    m_offeredResumeMs = positionMs;
    emit sigResumeOffered(positionMs);
}

void PlaybackController::AcceptResume()
{
    if (!m_active || m_offeredResumeMs < 0) {
        return;
    }
    m_positionMs = m_offeredResumeMs;
    m_offeredResumeMs = -1;
    Seek(m_positionMs);
}

void PlaybackController::PauseForSleep()
{
    m_resumeAfterWake = m_playing;
    if (m_resumeAfterWake) {
        emit sigPause();
    }
}

void PlaybackController::ResumeAfterWake()
{
    QTimer::singleShot(kWakeDelayMs, this, [this] {
        if (m_resumeAfterWake && m_playing) {
            emit sigResume();
        }
        m_resumeAfterWake = false;
        emit sigAwake();
    });
}

void PlaybackController::RememberPosition()
{
    if (!m_active || m_current < 0 || m_current >= m_files.size() ||
        m_durationMs <= kResumeMinDurationMs) {
        return;
    }
    const QString& path = m_files[m_current];
    if (m_positionMs < kResumeMinPositionMs || m_positionMs >= m_durationMs - kResumeNearEndMs) {
        m_resume.Forget(path);
        return;
    }
    m_resume.Remember(path, m_positionMs);
}

void PlaybackController::OnPosition(int positionMs)
{
    m_positionMs = positionMs;
    m_playedSomething = true;
    m_failuresInRow = 0;
}

void PlaybackController::OnEngineMessage(const QString& text)
{
    // A failure before the file played anything means it could not be
    // opened; later ones (a broken audio stream) end the file by themselves.
    if (m_active && !m_playedSomething) {
        Fail(text);
        return;
    }
    emit sigMessage(text);
}

void PlaybackController::Fail(const QString& text)
{
    emit sigMessage(text);
    emit sigClosePlay();
    EnterStopState();
    ++m_failuresInRow;
    const bool continues = m_playMode == PlayOrder::AutoPlay || m_playMode == PlayOrder::RandomPlay;
    if (!continues || m_failuresInRow >= m_files.size()) {
        m_failuresInRow = 0;
        return;
    }
    // After the view has shown the failure; a list of many missing files
    // then costs one event-loop turn each, not one stack frame each.
    const int failed = m_current;
    QTimer::singleShot(0, this, [this, failed] {
        if (!m_active && m_current == failed) {
            Next();
        }
    });
}

void PlaybackController::EnterStopState()
{
    m_active = false;
    m_offeredResumeMs = -1;
    m_durationMs = 0;
    m_positionMs = 0;
    SetPlaying(false);
    emit sigStopped();
}

void PlaybackController::SetPlaying(bool playing)
{
    m_playing = playing;
    emit sigPlayingChanged(playing);
}
