// PlaySpliterSystem's sound and subtitle tracks: the list it announces when
// a file opens, the subtitle track it decodes and the choices the window
// makes. See the class header for the threads.

#include "PlaySpliterSystem.h"

#include "ExternalSubtitles.h"
#include "TrackList.h"

#include <QDebug>
#include <QFile>

void PlaySpliterSystem::SetTrackChoice(const TrackChoice& choice)
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    m_trackChoice = choice;
}

void PlaySpliterSystem::SelectSubtitle(int id)
{
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
        if (m_isStop)
            return;
        m_subtitleRequest = qMax(0, id);
    }
    NotifyAll();
}

void PlaySpliterSystem::LoadSubtitleFile(const QString& path)
{
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
        if (m_isStop)
            return;
        m_filesToLoad.append(path);
    }
    NotifyAll();
}

void PlaySpliterSystem::SelectAudio(int id)
{
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
        if (m_isStop || id < 1)
            return;
        m_audioRequest = id;
    }
    NotifyAll();
}

// Reading thread, once the file is open: lists its tracks and the subtitle
// files beside it, and starts the chosen subtitle track.
void PlaySpliterSystem::AnnounceTracks(const QByteArray& path)
{
    TrackChoice choice;
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
        choice = m_trackChoice;
        m_subtitleRequest = -1;
        m_audioRequest = 0;
        m_filesToLoad.clear();
    }
    QStringList files = choice.subtitleFiles;
    if (choice.findBesideFile) {
        for (const QString& found : ExternalSubtitles::Find(QFile::decodeName(path))) {
            if (!files.contains(found))
                files.append(found);
        }
    }
    m_tracks = TrackList::Describe(*m_input.formatContext(), files);
    const int id = choice.subtitleId >= 0
                       ? choice.subtitleId
                       : TrackList::AutomaticSubtitle(m_tracks, choice.subtitleLanguage);
    StartSubtitleTrack(id);
}

// The list (with what is chosen) goes first, then the track, then a
// subtitle file's events, which Select reads before it returns.
void PlaySpliterSystem::StartSubtitleTrack(int id)
{
    const AVStream* video = m_input.videoStream();
    const QSize videoSize = video ? QSize(video->codecpar->width, video->codecpar->height) : QSize();
    std::vector<SubtitleEvent> fileEvents;
    const SubtitleTrackStart start =
        m_subtitles.Select(*m_input.formatContext(), m_tracks, id, videoSize,
                           [&fileEvents](const SubtitleEvent& event) {
                               fileEvents.push_back(event);
                           });
    MarkSelectedTracks();
    Q_EMIT sigTracks(m_tracks);
    Q_EMIT sigSubtitleTrack(start);
    for (const SubtitleEvent& event : fileEvents)
        Q_EMIT sigSubtitle(event);
}

// Marks the sound track playing and the subtitle track shown.
void PlaySpliterSystem::MarkSelectedTracks()
{
    const AVFormatContext& format = *m_input.formatContext();
    for (MediaTrack& track : m_tracks) {
        track.selected = track.kind == TrackKind::Audio
                             ? TrackList::StreamOf(format, TrackKind::Audio, track.id) ==
                                   m_input.audioIndex()
                             : track.id == m_subtitles.TrackId();
    }
}

// Reading thread: tracks chosen while the file plays.
void PlaySpliterSystem::ServeTrackChoices()
{
    int subtitleId;
    int audioId;
    QStringList files;
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
        subtitleId = m_subtitleRequest;
        audioId = m_audioRequest;
        files.swap(m_filesToLoad);
        m_subtitleRequest = -1;
        m_audioRequest = 0;
    }
    if (m_isMvr || !m_input.formatContext())
        return;
    for (const QString& path : files)
        ServeFileLoad(path);
    if (subtitleId >= 0)
        ServeSubtitleChoice(subtitleId);
    if (audioId > 0)
        ServeAudioChoice(audioId);
}

// A track of the file is read again from where the picture is (its
// subtitles up to the read-ahead have gone by), through an exact seek there.
void PlaySpliterSystem::ServeSubtitleChoice(int id)
{
    StartSubtitleTrack(id);
    if (m_subtitles.StreamIndex() >= 0 && m_clock.IsAnchored())
        Seek(static_cast<int>(m_clock.NowMs()), SeekMode::Exact);
}

// The new track's sound is decoded from where the playback is, through an
// exact seek there, so the position and the sync stay; the device keeps its
// format (the converter follows the new track's).
void PlaySpliterSystem::ServeAudioChoice(int id)
{
    if (m_audioFailed || !m_input.SwitchAudio(id))
        return;
    m_audioPackets.SetTimeBase(m_input.audioStream()->time_base);
    MarkSelectedTracks();
    Q_EMIT sigTracks(m_tracks);
    if (m_clock.IsAnchored())
        Seek(static_cast<int>(m_clock.NowMs()), SeekMode::Exact);
    else
        Seek(0, SeekMode::Exact);
}

// A subtitle file the user loaded: listed after the others, and shown.
void PlaySpliterSystem::ServeFileLoad(const QString& path)
{
    QStringList paths;
    for (const MediaTrack& track : m_tracks) {
        if (!track.externalPath.isEmpty())
            paths.append(track.externalPath);
    }
    if (!paths.contains(path))
        paths.append(path);
    m_tracks = TrackList::Describe(*m_input.formatContext(), paths);
    const MediaTrack* loaded = nullptr;
    for (const MediaTrack& track : m_tracks) {
        if (track.externalPath == path)
            loaded = &track;
    }
    ServeSubtitleChoice(loaded ? loaded->id : 0);
}

void PlaySpliterSystem::DecodeSubtitlePacket(AVPacket* packet)
{
    const qint64 packetMs = m_input.PacketMs(*packet);
    m_subtitles.Decode(packet, qMax<qint64>(0, packetMs), [this](const SubtitleEvent& event) {
        if (!StopRequested())
            Q_EMIT sigSubtitle(event);
    });
}

// Reading thread, after the file was moved by a seek.
void PlaySpliterSystem::FlushSubtitles()
{
    if (m_subtitles.StreamIndex() < 0)
        return;
    m_subtitles.Flush();
}
