#include "PlaySpliterSystem.h"

#include "AudioOut.h"
#include "EngineLog.h"
#include "EngineMessages.h"
#include "PictureDescription.h"
#include "PipelineLimits.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QProcess>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <chrono>
#include <thread>

std::atomic<const char*> g_currentFile{nullptr};

using namespace PipelineLimits;

PlaySpliterSystem::PlaySpliterSystem()
    : m_audioOut(std::make_unique<AudioOut>()), m_clock([this] { return m_audioOut->BufferedUs(); })
{
    qRegisterMetaType<const char*>("const char*");
    qRegisterMetaType<PictureFormat>("PictureFormat");
    qRegisterMetaType<MediaTrackList>("MediaTrackList");
    qRegisterMetaType<SubtitleTrackStart>("SubtitleTrackStart");
    qRegisterMetaType<SubtitleEvent>("SubtitleEvent");
    m_audioOut->SetVolume(0.5);
    m_thread.setObjectName(QStringLiteral("PlaySpliter"));
    m_thread.start(QThread::InheritPriority);
    moveToThread(&m_thread);
}

PlaySpliterSystem::~PlaySpliterSystem()
{
    Shutdown();
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearQueuesLocked();
    m_input.Close();
}

void PlaySpliterSystem::ForceStop()
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    m_isStop = true;
    m_isPause = true;
    m_cancelledUpTo = m_startRequests;
}

void PlaySpliterSystem::Shutdown()
{
    // Set before the stop: a request about to run sees it (RequestIsCurrent).
    m_shutDown = true;
    ForceStop();
    m_thread.exit(0);
    m_thread.wait();
}

void PlaySpliterSystem::SetPacing(Pacing pacing)
{
    m_pacing = pacing;
    m_audioOut->SetOutputMode(pacing == Pacing::Untimed ? AudioOutputMode::Null
                                                        : AudioOutputMode::Device);
}

bool PlaySpliterSystem::StopRequested() const
{
    return m_isStop;
}

// ---- requests (engine thread) ----------------------------------------------

// Engine thread. The path bytes are copied now: the caller's buffer may hold
// another path by the time the request runs.
void PlaySpliterSystem::StartSpliter(const char* File)
{
    unsigned request;
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
        request = ++m_startRequests;
    }
    const QByteArray path = File ? QByteArray(File) : QByteArray();
    g_currentFile = File;
    // Queued behind every request already waiting, so that a newer start
    // queued meanwhile makes this one stale before it runs.
    QMetaObject::invokeMethod(
        this, [this, request, path] { RunRequest(request, path); }, Qt::QueuedConnection);
}

// True (and the playback marked running) when no later start and no
// ClosePlay overtook `request`.
bool PlaySpliterSystem::RequestIsCurrent(unsigned request)
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    if (m_shutDown || request != m_startRequests || request <= m_cancelledUpTo)
        return false;
    m_isStop = false;
    m_isPause = false;
    m_seekServed = m_seekRequest.id;
    return true;
}

void PlaySpliterSystem::RunRequest(unsigned request, const QByteArray& path)
{
    if (!RequestIsCurrent(request)) {
        qDebug() << __LINE__ << "PlaySpliterSystem::RunRequest"
                 << "overtaken" << path;
        return;
    }
    ResetForPlayback();
    // No tracks and no subtitles until the file says otherwise: whatever
    // the window still holds of the file before is gone.
    m_tracks.clear();
    m_subtitles = SubtitleSource();
    Q_EMIT sigTracks(m_tracks);
    Q_EMIT sigSubtitleTrack(SubtitleTrackStart());
    // The suffix is the text after the last "." in any case ("CLIP.MVR" is
    // a recording too; a path without a "." is its own suffix).
    const QByteArray suffix = path.split('.').constLast().toLower();
    if (suffix == "mvr") {
        m_isMvr = true;
        std::thread reader([this, path] {
            g_currentFile = path.constData();
            mvrSpliter();
        });
        reader.join();
    } else {
        RunFfmpegPath(path.constData(), suffix);
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ClearQueuesLocked();
    }
    // The playback is over: later commands have nothing to act on.
    std::lock_guard<std::mutex> lock(m_requestMutex);
    m_isStop = true;
}

void PlaySpliterSystem::ResetForPlayback()
{
    m_isJump = false;
    m_readFinished = false;
    m_readAborted = false;
    m_audioFailed = false;
    m_isMvr = false;
    m_audioReady = false;
    m_hasVideo = false;
    m_coverArt = false;
    m_clock.Reset();
    m_clock.SetPaused(false);
    m_formatSent = false;
    m_feederSerial = 0;
    m_mvrNextAudioMs = -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_serial = m_serial + 1;
    ClearQueuesLocked();
    m_videoDrained = true;
    m_audioDrained = true;
    m_feederBusy = false;
    m_presenterDone = false;
    m_showedSinceSeek = false;
    m_awaitingLanding = false;
    m_landingMs = -1;
    m_exactTargetMs = -1;
    m_lastShownPtsMs = -1;
}

void PlaySpliterSystem::SendMessage(EngineMessage message)
{
    if (!StopRequested())
        Q_EMIT sigSendMessage(EngineMessages::Text(message));
}

// ---- both paths: the reading thread ------------------------------------------

// Runs the presenter, the feeder and `decoders` beside the reading loop and
// returns when all of them are done.
void PlaySpliterSystem::RunWorkers(const std::function<void()>& readStep,
                                   const std::function<void()>& decoders)
{
    std::thread presenter(&PlaySpliterSystem::videoSolution, this);
    std::thread feeder(&PlaySpliterSystem::audioSolution, this);
    std::thread decoding;
    if (decoders)
        decoding = std::thread(decoders);
    ReadLoop(readStep);
    presenter.join();
    feeder.join();
    if (decoding.joinable())
        decoding.join();
}

void PlaySpliterSystem::ReadLoop(const std::function<void()>& readStep)
{
    while (!StopRequested()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_presenterDone)
                break;
        }
        ServeTrackChoices();
        ServeSeek();
        const bool full = m_isMvr ? DecodedQueuesFull() : PacketQueuesFull();
        if (m_readFinished || full) {
            // At the end of the input the reader idles until the presenter
            // has shown the rest, or a seek brings the reading back (Seek
            // and stop wake it). Packets queued ahead last a second at
            // least, so the FFmpeg reader looks again less often.
            const int idleMs = m_isMvr || m_readFinished ? kIdleMs : kReadAheadIdleMs;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_readerWake.wait_for(m_mutex, std::chrono::milliseconds(idleMs));
            continue;
        }
        readStep();
    }
    if (!m_readFinished)
        m_readAborted = true;
    std::lock_guard<std::mutex> lock(m_mutex);
    NotifyAll();
}

bool PlaySpliterSystem::DecodedQueuesFull()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_videoQueue.size() >= MaxQueuedPictures() || m_audioQueuedMs > kMaxQueuedAudioMs;
}

// Reading thread: serves the newest seek asked for, if it is not served yet.
void PlaySpliterSystem::ServeSeek()
{
    SeekRequest request;
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
        if (m_seekRequest.id == m_seekServed)
            return;
        request = m_seekRequest;
        m_seekServed = request.id;
    }
    const bool audioActive = m_audioReady && !m_audioFailed;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const unsigned serial = m_serial + 1;
        m_serial = serial;
        ClearQueuesLocked();
        m_showedSinceSeek = false;
        m_lastShownPtsMs = -1;
        const bool exact = request.mode == SeekMode::Exact;
        const bool pictures = m_hasVideo && !m_coverArt;
        m_awaitingLanding = !exact && pictures;
        m_landingMs = exact ? request.targetMs : -1;
        m_exactSerial = serial;
        m_exactTargetMs = exact && pictures ? request.targetMs : -1;
        m_videoDrained = m_isMvr || !m_hasVideo;
        m_audioDrained = m_isMvr || !audioActive;
        m_readFinished = false;
        m_clock.Reset();
        m_clock.SetPaused(false);
        m_isPause = false;
        NotifyAll();
    }
    m_videoPackets.Flush();
    m_audioPackets.Flush();
    SeekInput(request);
}

void PlaySpliterSystem::SeekInput(const SeekRequest& request)
{
    qDebug() << __LINE__ << "PlaySpliterSystem::ServeSeek" << request.targetMs << int(request.mode);
    if (m_isMvr) {
        m_mvr.Seek(request.targetMs);
        m_audioConverter.Reset();
        m_mvrNextAudioMs = -1;
        return;
    }
    m_input.Seek(qMax(0, request.targetMs));
    FlushSubtitles();
    QueueCoverArt();
}

// ---- decoded queues ----------------------------------------------------------

// Video decoding thread: waits while the picture queue is full. False when
// the picture is no longer wanted (stop, seek, end of the playback).
bool PlaySpliterSystem::WaitForPictureRoom(unsigned serial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    while (m_videoQueue.size() >= MaxQueuedPictures()) {
        if (StopRequested() || m_presenterDone || serial != m_serial)
            return false;
        m_videoChanged.wait_for(m_mutex, std::chrono::milliseconds(kIdleMs));
    }
    return serial == m_serial;
}

bool PlaySpliterSystem::WaitForAudioRoom(unsigned serial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    while (m_audioQueuedMs > kMaxQueuedAudioMs) {
        if (StopRequested() || m_presenterDone || serial != m_serial)
            return false;
        m_audioChanged.wait_for(m_mutex, std::chrono::milliseconds(kIdleMs));
    }
    return serial == m_serial;
}

std::size_t PlaySpliterSystem::MaxQueuedPictures() const
{
    return m_pacing == Pacing::Untimed ? kMaxQueuedPicturesUntimed : kMaxQueuedPictures;
}

// Queues a decoded picture unless a seek or a stop made it stale.
void PlaySpliterSystem::PushPicture(VideoQueueItem&& item)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (item.serial != m_serial) {
        m_pool.Give(std::move(item.data));
        return;
    }
    NoteLandingLocked(item.ptsMs);
    m_videoQueue.push_back(std::move(item));
    m_videoChanged.notify_all();
}

void PlaySpliterSystem::NotifyAll()
{
    m_videoChanged.notify_all();
    m_audioChanged.notify_all();
    m_readerWake.notify_all();
}

void PlaySpliterSystem::NotifyTaken(std::condition_variable_any& changed)
{
    changed.notify_all();
    if (m_isMvr)
        m_readerWake.notify_all();
}

void PlaySpliterSystem::NoteLandingLocked(qint64 ptsMs)
{
    if (!m_awaitingLanding)
        return;
    m_awaitingLanding = false;
    m_landingMs = ptsMs;
    m_audioChanged.notify_all(); // the sound held for the landing may go
}

void PlaySpliterSystem::QueueAudio(const AVFrame& frame, qint64 startMs, unsigned serial)
{
    AudioQueueItem item;
    if (!m_audioConverter.Convert(frame, item.pcm)) {
        qCDebug(lcEngineFrames) << __LINE__ << "音频帧转码失败";
        return;
    }
    item.serial = serial;
    item.startMs = startMs;
    item.spanMs = frame.sample_rate > 0 ? 1000LL * frame.nb_samples / frame.sample_rate : 0;
    item.endMs = item.startMs >= 0 ? item.startMs + item.spanMs : -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (serial != m_serial)
        return;
    m_audioQueuedMs += item.spanMs;
    m_audioQueue.push_back(std::move(item));
    m_audioChanged.notify_all();
}

void PlaySpliterSystem::ClearQueuesLocked()
{
    for (VideoQueueItem& item : m_videoQueue)
        m_pool.Give(std::move(item.data));
    m_videoQueue.clear();
    m_audioQueue.clear();
    m_audioQueuedMs = 0;
    NotifyAll();
}

// ---- MVR path ----------------------------------------------------------------

// MVR reader thread. A file that cannot be played ends as finished at once;
// a damaged one (or one that shrinks while it plays) at its last whole record.
void PlaySpliterSystem::mvrSpliter()
{
    const bool opened = m_mvr.Open(QByteArray(g_currentFile.load()));
    if (!StopRequested())
        Q_EMIT sigSetSliderLength(m_mvr.DurationMs());
    m_hasVideo = true;
    SetUpAudio(kMvrAudioSampleRateHz, kMvrAudioChannelCount);
    if (!opened)
        m_readFinished = true;
    RunWorkers([this] { MvrReadStep(); }, nullptr);
    m_mvr.Close();
}

void PlaySpliterSystem::MvrReadStep()
{
    const MvrReader::Step step =
        m_mvr.ReadNext([this](MvrFrame&& frame, int width,
                              int height) { QueueMvrPicture(std::move(frame), width, height); },
                       [this](MvrFrame&& frame) { QueueMvrAudio(std::move(frame)); });
    if (step == MvrReader::Step::End) {
        ReleaseHeldMvrPicture(m_serial); // an exact seek past the last picture
        m_readFinished = true;
    }
}

void PlaySpliterSystem::QueueMvrPicture(MvrFrame&& frame, int width, int height)
{
    VideoQueueItem item;
    item.size = static_cast<int>(frame.data.size());
    item.data = std::move(frame.data);
    if (item.data.empty())
        item.data.resize(1); // a picture that did not decode: size 0, a valid pointer
    item.width = width;
    item.height = height;
    item.ptsMs = frame.timestamp;
    item.format = frame.format;
    item.serial = m_serial;
    if (!HoldBeforeExactTarget(item))
        PushPicture(std::move(item));
}

// MVR reader, exact seek: pictures before the target are decoded but not
// shown; the last of them is shown when the next one lies past the target
// (or the input ends), so the picture on screen is the one at the target.
bool PlaySpliterSystem::HoldBeforeExactTarget(VideoQueueItem& item)
{
    qint64 targetMs;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (item.serial != m_exactSerial || m_exactTargetMs < 0)
            return false;
        targetMs = m_exactTargetMs;
        if (item.ptsMs >= targetMs)
            m_exactTargetMs = -1; // landed
    }
    if (item.ptsMs < targetMs) {
        m_mvrHeld = std::move(item);
        m_hasMvrHeld = true;
        return true;
    }
    if (item.ptsMs > targetMs)
        ReleaseHeldMvrPicture(item.serial);
    m_hasMvrHeld = false;
    return false;
}

void PlaySpliterSystem::ReleaseHeldMvrPicture(unsigned serial)
{
    if (m_hasMvrHeld && m_mvrHeld.serial == serial)
        PushPicture(std::move(m_mvrHeld));
    m_hasMvrHeld = false;
}

// Records stamped -1 (no time) continue where the previous record ended.
void PlaySpliterSystem::QueueMvrAudio(MvrFrame&& frame)
{
    if (frame.data.size() < 2)
        return; // a record that did not decode plays nothing
    ffmpeg::FramePtr pcm = ffmpeg::MakeFrame();
    pcm->format = AV_SAMPLE_FMT_S16;
    pcm->sample_rate = kMvrAudioSampleRateHz;
    av_channel_layout_default(&pcm->ch_layout, kMvrAudioChannelCount);
    pcm->nb_samples = static_cast<int>(frame.data.size() / 2 / kMvrAudioChannelCount);
    pcm->data[0] = frame.data.data(); // borrowed for the conversion below
    pcm->linesize[0] = static_cast<int>(frame.data.size());
    pcm->extended_data = pcm->data;
    const qint64 startMs = frame.timestamp >= 0 ? frame.timestamp : m_mvrNextAudioMs;
    if (startMs >= 0)
        m_mvrNextAudioMs = startMs + 1000LL * pcm->nb_samples / kMvrAudioSampleRateHz;
    QueueAudio(*pcm, startMs, m_serial);
}

// ---- control (GUI thread) ------------------------------------------------------

void PlaySpliterSystem::ClosePlay()
{
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
        m_isStop = true;
        m_isPause = false;
        m_cancelledUpTo = m_startRequests;
    }
    NotifyAll();
    qDebug() << __LINE__ << "PlaySpliterSystem::ClosePlay"
             << "closeplay";
}

// Pause: the presenter holds, the clock stops, the feeder suspends the sink.
void PlaySpliterSystem::StopPlay()
{
    m_isPause = true;
    m_clock.SetPaused(true);
    qDebug() << __LINE__ << "PlaySpliterSystem::StopPlay"
             << "stopplay!";
}

void PlaySpliterSystem::PlayAgain()
{
    m_isPause = false;
    m_clock.SetPaused(false);
    qDebug() << __LINE__ << "PlaySpliterSystem::PlayAgain"
             << "PlayAgain!";
}

void PlaySpliterSystem::setMultiple(float multiple)
{
    m_multiple = multiple;
    m_clock.SetSpeed(multiple);
}

void PlaySpliterSystem::startRecord()
{
    m_isRecord = true;
}

void PlaySpliterSystem::stopRecord()
{
    m_isRecord = false;
}

void PlaySpliterSystem::changeLanguage()
{
    ForceStop();
    QProcess::startDetached(QCoreApplication::applicationFilePath(),
                            QCoreApplication::arguments().mid(1), QDir::currentPath());
    QCoreApplication::exit(0);
}

void PlaySpliterSystem::timechange(int length)
{
    Seek(length, SeekMode::Exact);
}

// Records the request; the reading thread serves the newest one. A seek
// also ends a pause (when it is served, so that nothing of the old position
// is shown meanwhile).
void PlaySpliterSystem::Seek(int positionMs, SeekMode mode)
{
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
        if (m_isStop)
            return;
        ++m_seekRequest.id;
        m_seekRequest.targetMs = qMax(0, positionMs);
        m_seekRequest.mode = mode;
    }
    NotifyAll();
}
