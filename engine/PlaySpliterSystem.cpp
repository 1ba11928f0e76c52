#include "PlaySpliterSystem.h"

#include "AudioOut.h"
#include "EngineMessages.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <mutex>
#include <QProcess>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <chrono>
#include <thread>

std::atomic<const char*> g_currentFile{nullptr};

namespace {
// A producer waits while its queue holds more than this many entries.
constexpr size_t kMaxQueuedPictures = 40;
// ... or while more than this much decoded audio (media time) waits. It
// spans the usual interleaving of audio ahead of video in a container.
constexpr qint64 kMaxQueuedAudioMs = 3000;
// Idle polls of every loop (pause, empty or full queue, seek in progress).
constexpr int kIdleMs = 10;
// The reader is polled this often while a seek waits for it to park.
constexpr int kParkPollMs = 1;

void SleepMs(qint64 ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

AVSampleFormat SampleFormatOf(const QAudioFormat& format)
{
    if (format.sampleType() == QAudioFormat::Float && format.sampleSize() == 32)
        return AV_SAMPLE_FMT_FLT;
    if (format.sampleType() == QAudioFormat::UnSignedInt && format.sampleSize() == 8)
        return AV_SAMPLE_FMT_U8;
    if (format.sampleType() == QAudioFormat::SignedInt && format.sampleSize() == 32)
        return AV_SAMPLE_FMT_S32;
    return AV_SAMPLE_FMT_S16;
}
} // namespace

PlaySpliterSystem::PlaySpliterSystem()
    : m_audioOut(std::make_unique<AudioOut>()),
      m_clock([this] { return m_audioOut->BufferedUs(); })
{
    qRegisterMetaType<const char*>("const char*");
    m_audioOut->SetVolume(0.5);
    m_thread.setObjectName(QStringLiteral("PlaySpliter"));
    m_thread.start(QThread::InheritPriority);
    moveToThread(&m_thread);
}

PlaySpliterSystem::~PlaySpliterSystem()
{
    Shutdown();
    // The engine lock orders this thread after everything the playback's
    // threads did (the thread join in Shutdown goes through Qt's own
    // primitives).
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearQueuesLocked();
    m_input.Close();
}

void PlaySpliterSystem::ForceStop()
{
    m_isStop = true;
    m_isPause = true;
}

void PlaySpliterSystem::Shutdown()
{
    // Set before the stop flag: a StartSpliter that is already running but
    // has not yet reset the flags sees it and stops (see ResetForPlayback).
    m_shutDown = true;
    ForceStop();
    m_thread.exit(0);
    m_thread.wait();
}

void PlaySpliterSystem::SetPacing(Pacing pacing)
{
    m_pacing = pacing;
    m_audioOut->SetOutputMode(pacing == Pacing::Untimed ? AudioOutputMode::Null : AudioOutputMode::Device);
}

void PlaySpliterSystem::ResetForPlayback()
{
    // After Shutdown a start that was already on its way plays nothing.
    m_isStop = m_shutDown.load();
    m_isPause = false;
    m_isJump = false;
    m_readFinished = false;
    m_readAborted = false;
    m_readFailed = false;
    m_isMvr = false;
    m_audioReady = false;
    m_readerParked = false;
    m_feederParked = false;
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearQueuesLocked();
    m_presenterDone = false;
    m_showedSinceSeek = false;
    m_awaitingLanding = false;
    m_landingMs = -1;
}

void PlaySpliterSystem::StartSpliter(const char* File)
{
    ResetForPlayback();
    m_clock.Reset();
    m_clock.SetPaused(false);
    // The suffix is the text after the last "." (case-sensitive; a path
    // without a "." is its own suffix).
    const QByteArray path = File ? QByteArray(File) : QByteArray();
    const QByteArray suffix = path.split('.').constLast();
    g_currentFile = File;
    if (suffix == "mvr") {
        m_isMvr = true;
        std::thread reader(&PlaySpliterSystem::mvrSpliter, this);
        reader.join();
    } else {
        RunFfmpegPath(File, suffix);
    }
    m_readerParked = true;
    m_feederParked = true;
    // Publishes the reading thread's last writes to whoever takes the lock next.
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearQueuesLocked();
}

// MVR reader thread. A file that cannot be played ends as finished at once;
// a damaged one at its last whole record.
void PlaySpliterSystem::mvrSpliter()
{
    const bool opened = m_mvr.Open(QByteArray(g_currentFile.load()));
    Q_EMIT sigSetSliderLength(m_mvr.DurationMs());
    SetUpAudio(kMvrAudioSampleRateHz, kMvrAudioChannelCount);
    if (!opened)
        m_readFinished = true;
    RunWorkers([this] { MvrReadStep(); });
    m_mvr.Close();
}

void PlaySpliterSystem::MvrReadStep()
{
    const MvrReader::Step step = m_mvr.ReadNext(
        [this](MvrFrame&& frame, int width, int height) { QueueMvrPicture(std::move(frame), width, height); },
        [this](MvrFrame&& frame) { QueueMvrAudio(std::move(frame)); });
    if (step == MvrReader::Step::End)
        m_readFinished = true;
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
    PushPicture(std::move(item));
}

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
    QueueAudio(*pcm, frame.timestamp);
}

void PlaySpliterSystem::SendMessage(EngineMessage message)
{
    Q_EMIT sigSendMessage(EngineMessages::Text(message));
}

bool PlaySpliterSystem::OpenFfmpegInput(const char* file, const QByteArray& suffix)
{
    const OpenStatus status = m_input.Open(file, suffix, [this] {
        Q_EMIT sigSetSliderLength(static_cast<int>(qBound<qint64>(0, m_input.DurationMs(), INT_MAX)));
    });
    switch (status) {
    case OpenStatus::Ok:
        return true;
    case OpenStatus::OpenFailed:
        SendMessage(EngineMessage::OpenFailed);
        break;
    case OpenStatus::StreamInfoFailed:
        SendMessage(EngineMessage::StreamInfoFailed);
        break;
    case OpenStatus::NoVideoDecoder:
        SendMessage(EngineMessage::NoVideoDecoder);
        break;
    case OpenStatus::VideoDecoderOpenFailed:
        break;
    }
    return false;
}

void PlaySpliterSystem::RunFfmpegPath(const char* file, const QByteArray& suffix)
{
    if (!OpenFfmpegInput(file, suffix)) {
        m_readAborted = true;
        return;
    }
    m_packet = ffmpeg::MakePacket();
    m_videoConverter = VideoConverter();
    if (m_input.HasAudio())
        SetUpAudio(m_input.audioSampleRate(), m_input.audioChannels());
    RunWorkers([this] { ReadStep(m_packet.get()); });
    m_packet.reset();
}

// Reading thread: runs the presenter and the audio feeder beside the
// reading loop and returns when all three are done.
void PlaySpliterSystem::RunWorkers(const std::function<void()>& readStep)
{
    std::thread presenter(&PlaySpliterSystem::videoSolution, this);
    std::thread feeder(&PlaySpliterSystem::audioSolution, this);
    ReadLoop(readStep);
    presenter.join();
    feeder.join();
}

void PlaySpliterSystem::SetUpAudio(int sampleRate, int channels)
{
    if (m_audioReady)
        return;
    m_audioOut->Setting(sampleRate, channels);
    m_audioReady = true;
    const QAudioFormat format = m_audioOut->Format();
    PcmFormat target;
    target.sampleRate = format.sampleRate();
    target.channels = format.channelCount();
    target.sampleFormat = SampleFormatOf(format);
    m_audioConverter.SetTarget(target);
    m_tempo.Configure(target.sampleRate, target.channels, target.sampleFormat, 1.0);
}

// The reader parks (and says so) while paused or while a seek runs; see the
// class comment for the handshake with timechange.
bool PlaySpliterSystem::ReaderMayRead()
{
    m_readerParked = false;
    if (m_isPause || m_isJump) {
        m_readerParked = true;
        SleepMs(kIdleMs);
        return false;
    }
    bool full = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        full = m_videoQueue.size() > kMaxQueuedPictures || m_audioQueuedMs > kMaxQueuedAudioMs;
    }
    if (full) {
        SleepMs(kIdleMs);
        return false;
    }
    if (m_readFinished) {
        // At the end of the input: idle until the presenter has shown the
        // rest, or a seek brings the reading back.
        m_readerParked = true;
        SleepMs(kIdleMs);
        return false;
    }
    return true;
}

void PlaySpliterSystem::ReadLoop(const std::function<void()>& readStep)
{
    while (!m_isStop) {
        if (PresenterDone())
            break;
        if (ReaderMayRead())
            readStep();
    }
    m_readerParked = true;
    if (!m_readFinished)
        m_readAborted = true;
}

void PlaySpliterSystem::ReadStep(AVPacket* packet)
{
    const ReadStatus status = m_input.Read(packet);
    if (status == ReadStatus::Again) {
        SleepMs(kIdleMs);
        return;
    }
    if (status == ReadStatus::End) {
        DrainAtEnd();
        m_readFinished = true;
        return;
    }
    if (packet->stream_index == m_input.videoIndex()) {
        m_input.DecodeVideo(packet, [this](const AVFrame& f) { QueuePicture(f); });
    } else if (packet->stream_index == m_input.audioIndex() && !m_readFailed) {
        const AudioStatus audio =
            m_input.DecodeAudio(packet, [this](const AVFrame& f) { QueueAudio(f, m_input.AudioPtsMs(f)); });
        if (!HandleAudioStatus(audio))
            m_readFinished = true;
    }
    av_packet_unref(packet);
}

// Returns false when the failure ends the reading.
bool PlaySpliterSystem::HandleAudioStatus(AudioStatus status)
{
    switch (status) {
    case AudioStatus::Ok:
        return true;
    case AudioStatus::NoDecoder:
        SendMessage(EngineMessage::NoAudioDecoder);
        break;
    case AudioStatus::DecoderOpenFailed:
        SendMessage(EngineMessage::AudioDecoderOpenFailed);
        break;
    case AudioStatus::SendFailed:
        SendMessage(EngineMessage::AudioSendFailed);
        break;
    }
    m_readFailed = true;
    return false;
}

void PlaySpliterSystem::DrainAtEnd()
{
    m_input.DecodeVideo(nullptr, [this](const AVFrame& f) { QueuePicture(f); });
    if (!m_readFailed)
        m_input.DecodeAudio(nullptr, [this](const AVFrame& f) { QueueAudio(f, m_input.AudioPtsMs(f)); });
}

void PlaySpliterSystem::QueuePicture(const AVFrame& frame)
{
    const int size = VideoConverter::PictureSize(frame.width, frame.height);
    if (size == 0)
        return;
    VideoQueueItem item;
    item.data = m_pool.Take(static_cast<size_t>(size));
    if (!m_videoConverter.Convert(frame, item.data.data())) {
        qDebug() << __LINE__ << "PlaySpliterSystem::QueuePicture" << "conversion failed" << frame.format;
        m_pool.Give(std::move(item.data));
        return;
    }
    item.size = size;
    item.width = frame.width;
    item.height = frame.height;
    item.ptsMs = m_input.VideoPtsMs(frame);
    PushPicture(std::move(item));
}

// Reading thread: queues a decoded picture, tagged with the current seek.
void PlaySpliterSystem::PushPicture(VideoQueueItem&& item)
{
    item.seekSerial = m_seekSerial;
    std::lock_guard<std::mutex> lock(m_mutex);
    NoteLandingLocked(item.ptsMs);
    m_videoQueue.push_back(std::move(item));
}

void PlaySpliterSystem::NoteLandingLocked(qint64 ptsMs)
{
    if (!m_awaitingLanding)
        return;
    m_awaitingLanding = false;
    m_landingMs = ptsMs;
}

void PlaySpliterSystem::QueueAudio(const AVFrame& frame, qint64 startMs)
{
    AudioQueueItem item;
    if (!m_audioConverter.Convert(frame, item.pcm)) {
        qDebug() << __LINE__ << "音频帧转码失败";
        return;
    }
    item.startMs = startMs;
    const qint64 spanMs = frame.sample_rate > 0 ? 1000LL * frame.nb_samples / frame.sample_rate : 0;
    item.endMs = item.startMs >= 0 ? item.startMs + spanMs : -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_audioQueuedMs += spanMs;
    m_audioQueue.push_back(std::move(item));
}

// ---- presenting -----------------------------------------------------------

void PlaySpliterSystem::videoSolution()
{
    while (!m_isStop) {
        if (m_isPause && m_pacing == Pacing::Realtime) {
            SleepMs(kIdleMs);
            continue;
        }
        VideoQueueItem item;
        qint64 waitMs = 0;
        const PresentStep step = TakeDuePicture(item, waitMs);
        if (step == PresentStep::Finished) {
            Q_EMIT sigPlayFinish();
            break;
        }
        if (step == PresentStep::Wait) {
            SleepMs(qBound<qint64>(1, waitMs, kIdleMs));
            continue;
        }
        if (!m_isStop && !m_isJump && item.seekSerial == m_seekSerial) {
            // The position first, so that a receiver of the picture knows its time.
            Q_EMIT sigSetLengthing(static_cast<int>(item.ptsMs));
            Q_EMIT sigYuv(item.data.data(), static_cast<uint>(item.width), static_cast<uint>(item.height),
                          item.size);
        }
        m_pool.Give(std::move(item.data));
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearQueuesLocked();
    m_presenterDone = true;
}

PlaySpliterSystem::PresentStep PlaySpliterSystem::TakeDuePicture(VideoQueueItem& item, qint64& waitMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_videoQueue.empty()) {
        // The end comes once the pictures are shown and the sound has left.
        if (m_readFinished && !m_isJump && m_audioQueue.empty()) {
            m_presenterDone = true;
            return PresentStep::Finished;
        }
        waitMs = kIdleMs;
        return PresentStep::Wait;
    }
    if (m_pacing == Pacing::Realtime) {
        m_clock.Anchor(m_videoQueue.front().ptsMs);
        const qint64 nowMs = m_clock.NowMs();
        if (m_showedSinceSeek)
            DropLatePicturesLocked(nowMs);
        const qint64 aheadMs = m_videoQueue.front().ptsMs - nowMs;
        if (aheadMs > 0) {
            waitMs = aheadMs;
            return PresentStep::Wait;
        }
    }
    item = std::move(m_videoQueue.front());
    m_videoQueue.pop_front();
    m_showedSinceSeek = true;
    return PresentStep::Deliver;
}

// When the presenter has fallen behind, pictures whose successor is already
// due are skipped, so the picture catches up with the sound.
void PlaySpliterSystem::DropLatePicturesLocked(qint64 nowMs)
{
    while (m_videoQueue.size() > 1 && m_videoQueue[1].ptsMs <= nowMs) {
        m_pool.Give(std::move(m_videoQueue.front().data));
        m_videoQueue.pop_front();
    }
}

void PlaySpliterSystem::ClearQueuesLocked()
{
    for (VideoQueueItem& item : m_videoQueue)
        m_pool.Give(std::move(item.data));
    m_videoQueue.clear();
    m_audioQueue.clear();
    m_audioQueuedMs = 0;
}

// ---- audio feeding --------------------------------------------------------

void PlaySpliterSystem::audioSolution()
{
    while (!m_isStop) {
        m_feederParked = false;
        if (m_isPause || m_isJump) {
            m_feederParked = true;
            SleepMs(kIdleMs);
            continue;
        }
        AudioQueueItem item;
        if (!TakeAudio(item)) {
            if (PresenterDone())
                break;
            m_feederParked = true;
            SleepMs(kIdleMs);
            continue;
        }
        FeedAudio(item);
    }
    m_feederParked = true;
}

bool PlaySpliterSystem::PresenterDone()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_presenterDone;
}

bool PlaySpliterSystem::TakeAudio(AudioQueueItem& item)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // Until the first picture after a seek is known, the sound waits (unless
    // the input has no picture left to land on, or holds nothing but sound
    // for longer than the queue takes).
    if (m_awaitingLanding && !m_readFinished && m_audioQueuedMs <= kMaxQueuedAudioMs)
        return false;
    while (!m_audioQueue.empty()) {
        item = std::move(m_audioQueue.front());
        m_audioQueue.pop_front();
        m_audioQueuedMs = qMax<qint64>(0, m_audioQueuedMs - (item.endMs - item.startMs));
        if (m_landingMs < 0 || item.endMs < 0 || item.endMs > m_landingMs) {
            m_landingMs = -1;
            return true;
        }
    }
    return false;
}

// Audio feeder. The tempo follows the speed multiple at every chunk, so a
// speed change is heard within the device's buffer.
void PlaySpliterSystem::FeedAudio(AudioQueueItem& item)
{
    const double tempo = m_multiple.load();
    if (tempo != m_tempo.tempo()) {
        const QAudioFormat format = m_audioOut->Format();
        m_tempo.Configure(format.sampleRate(), format.channelCount(), SampleFormatOf(format), tempo);
    }
    QByteArray pcm;
    const int bytesPerFrame = qMax(1, m_audioOut->Format().bytesPerFrame());
    m_tempo.Process(reinterpret_cast<const uint8_t*>(item.pcm.constData()), item.pcm.size() / bytesPerFrame,
                    pcm);
    const bool written = m_audioOut->Write(pcm, [this] { return !m_isStop && !m_isJump; });
    if (written && item.endMs >= 0)
        m_clock.OnAudioWritten(item.endMs);
}

// ---- control --------------------------------------------------------------

void PlaySpliterSystem::ClosePlay()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_isStop = true;
    m_isPause = false;
    qDebug() << __LINE__ << "PlaySpliterSystem::ClosePlay" << "closeplay";
}

void PlaySpliterSystem::StopPlay()
{
    m_isPause = true;
    m_clock.SetPaused(true);
    m_audioOut->SetPaused(SinkPause::Paused);
    qDebug() << __LINE__ << "PlaySpliterSystem::StopPlay" << "stopplay!";
}

void PlaySpliterSystem::PlayAgain()
{
    m_isPause = false;
    m_clock.SetPaused(false);
    m_audioOut->SetPaused(SinkPause::Running);
    qDebug() << __LINE__ << "PlaySpliterSystem::PlayAgain" << "PlayAgain!";
}

void PlaySpliterSystem::setMultiple(float multiple)
{
    std::lock_guard<std::mutex> lock(m_mutex);
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
    m_isStop = true;
    m_isPause = true;
    QProcess::startDetached(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1),
                            QDir::currentPath());
    QCoreApplication::exit(0);
}

// ---- seeking --------------------------------------------------------------

// GUI thread. Returns false when the playback stopped while waiting.
bool PlaySpliterSystem::WaitForWorkersParked()
{
    while (!m_readerParked || !m_feederParked) {
        if (m_isStop)
            return false;
        SleepMs(kParkPollMs);
    }
    return true;
}

void PlaySpliterSystem::timechange(int length)
{
    if (m_isStop || m_isJump)
        return;
    m_isJump = true;
    if (!WaitForWorkersParked()) {
        m_isJump = false;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_presenterDone && !m_isStop)
            SeekLocked(length);
        m_isPause = false;
        m_isJump = false;
    }
    m_clock.SetPaused(false);
    m_audioOut->SetPaused(SinkPause::Running);
}

void PlaySpliterSystem::SeekLocked(int length)
{
    ++m_seekSerial;
    ClearQueuesLocked();
    m_showedSinceSeek = false;
    m_awaitingLanding = true;
    m_landingMs = -1;
    if (m_isMvr)
        m_mvr.Seek(length);
    else
        m_input.Seek(qMax(0, length));
    m_audioConverter.Reset();
    m_tempo.Restart();
    m_audioOut->Flush();
    m_clock.Reset();
    if (!m_readFailed)
        m_readFinished = false;
}
