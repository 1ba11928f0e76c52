// The worker threads of PlaySpliterSystem: the FFmpeg path's reading step
// and its two decoders, the presenter and the audio feeder. See the class
// header for what each thread owns and the lock order.

#include "PlaySpliterSystem.h"

#include "AudioOut.h"
#include "EngineLog.h"
#include "EngineMessages.h"
#include "PictureDescription.h"
#include "PipelineLimits.h"

#include <QDebug>

extern "C" {
#include <libavutil/imgutils.h>
}

#include <chrono>
#include <thread>

using namespace PipelineLimits;

namespace
{
using Steady = std::chrono::steady_clock;

void SleepMs(qint64 ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool StreamHasEnough(const PacketQueue& queue)
{
    const qint64 ms = queue.durationMs();
    return queue.count() > kEnoughPackets && (ms == 0 || ms > kEnoughPacketMs);
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

// ---- FFmpeg path: the reading thread (the engine thread) -----------------------

bool PlaySpliterSystem::OpenFfmpegInput(const char* file, const QByteArray& suffix)
{
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
        m_input.SetAudioChoice(m_trackChoice.audioId, m_trackChoice.audioLanguage);
    }
    const OpenStatus status = m_input.Open(
        file, suffix,
        [this] {
            if (!StopRequested())
                Q_EMIT sigSetSliderLength(
                    static_cast<int>(qBound<qint64>(0, m_input.DurationMs(), INT_MAX)));
        },
        [this] { return StopRequested(); });
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
    case OpenStatus::VideoDecoderOpenFailed:
        SendMessage(EngineMessage::NoVideoDecoder);
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
    m_hasVideo = m_input.HasVideo();
    m_coverArt = m_input.VideoIsCoverArt();
    AnnounceTracks(QByteArray(file));
    if (AVStream* stream = m_input.videoStream())
        m_videoPackets.SetTimeBase(stream->time_base);
    if (AVStream* stream = m_input.audioStream())
        m_audioPackets.SetTimeBase(stream->time_base);
    m_packet = ffmpeg::MakePacket();
    m_videoConverter = VideoConverter();
    if (m_input.HasAudio())
        SetUpAudio(m_input.audioSampleRate(), m_input.audioChannels());
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_videoDrained = !m_input.HasVideo();
        m_audioDrained = !m_input.HasAudio();
        m_frameStepMs = m_input.FrameStepMs();
    }
    QueueCoverArt();
    RunWorkers([this] { FfmpegReadStep(m_packet.get()); }, [this] { RunFfmpegWorkers(); });
    m_videoPackets.Flush();
    m_audioPackets.Flush();
    m_packet.reset();
}

// The decoding threads of one FFmpeg playback.
void PlaySpliterSystem::RunFfmpegWorkers()
{
    std::thread video;
    if (m_input.HasVideo())
        video = std::thread(&PlaySpliterSystem::VideoDecodeLoop, this);
    if (m_input.HasAudio())
        AudioDecodeLoop();
    if (video.joinable())
        video.join();
}

// The cover art of a sound file is one picture outside the packets: it is
// queued at the start and after every seek, followed by its end.
void PlaySpliterSystem::QueueCoverArt()
{
    if (!m_coverArt)
        return;
    ffmpeg::PacketPtr art = m_input.CoverArtPacket();
    if (art)
        m_videoPackets.Put(art.get(), m_serial);
    m_videoPackets.PutEnd(m_serial);
}

bool PlaySpliterSystem::PacketQueuesFull() const
{
    if (m_videoPackets.bytes() + m_audioPackets.bytes() > kMaxPacketBytes)
        return true;
    if (m_videoPackets.durationMs() > kMaxPacketAheadMs ||
        m_audioPackets.durationMs() > kMaxPacketAheadMs)
        return true;
    const bool videoEnough = !m_hasVideo || m_coverArt || StreamHasEnough(m_videoPackets);
    const bool audioEnough = !m_audioReady || m_audioFailed || StreamHasEnough(m_audioPackets);
    return videoEnough && audioEnough;
}

void PlaySpliterSystem::FfmpegReadStep(AVPacket* packet)
{
    const ReadStatus status = m_input.Read(packet);
    if (status == ReadStatus::Again) {
        if (!StopRequested())
            SleepMs(kIdleMs);
        return;
    }
    if (status == ReadStatus::End) {
        EndOfInput();
        return;
    }
    const unsigned serial = m_serial;
    if (packet->stream_index == m_input.videoIndex() && !m_coverArt)
        m_videoPackets.Put(packet, serial);
    else if (packet->stream_index == m_input.audioIndex() && !m_audioFailed)
        m_audioPackets.Put(packet, serial);
    else if (packet->stream_index == m_subtitles.StreamIndex())
        DecodeSubtitlePacket(packet);
    av_packet_unref(packet);
}

void PlaySpliterSystem::EndOfInput()
{
    const unsigned serial = m_serial;
    if (m_hasVideo && !m_coverArt)
        m_videoPackets.PutEnd(serial);
    if (m_input.HasAudio())
        m_audioPackets.PutEnd(serial);
    m_readFinished = true;
    qDebug() << __LINE__ << "finish spliter!";
}

// ---- FFmpeg path: the decoding threads --------------------------------------------

void PlaySpliterSystem::VideoDecodeLoop()
{
    unsigned serial = 0;
    while (!StopRequested()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_presenterDone)
                break;
        }
        PacketQueue::Entry entry;
        if (m_videoPackets.Take(entry, kIdleMs))
            DecodeVideoEntry(entry, serial);
    }
    m_heldFrame.reset();
}

void PlaySpliterSystem::DecodeVideoEntry(PacketQueue::Entry& entry, unsigned& serial)
{
    if (entry.serial != m_serial)
        return; // read before a seek
    if (entry.serial != serial) {
        m_input.FlushVideo();
        m_heldFrame.reset();
        serial = entry.serial;
    }
    const unsigned current = serial;
    m_input.SkipUnreferencedPictures(entry.packet && FarBeforeExactTarget(*entry.packet, current));
    m_input.DecodeVideo(entry.packet.get(), [this, current](const AVFrame& frame) {
        const qint64 ptsMs = m_input.VideoPtsMs(frame);
        if (!BeforeExactTarget(frame, ptsMs, current))
            QueueDecodedPicture(frame, ptsMs, current);
    });
    if (entry.packet)
        return;
    // The end of the input: a seek past the last picture shows the last one.
    if (m_heldFrame && m_heldSerial == current) {
        QueueDecodedPicture(*m_heldFrame, m_heldPtsMs, current);
        m_heldFrame.reset();
    }
    MarkDrained(true, current);
}

// Exact seek: a packet whose picture lies well before the target need not
// be decoded unless other pictures refer to it (mpv's precise seek does the
// same). Pictures near the target are always decoded.
bool PlaySpliterSystem::FarBeforeExactTarget(const AVPacket& packet, unsigned serial)
{
    const qint64 ptsMs = m_input.VideoPacketMs(packet);
    if (ptsMs < 0)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    return serial == m_exactSerial && m_exactTargetMs >= 0 &&
           ptsMs + 3 * m_frameStepMs < m_exactTargetMs;
}

// Exact seek: pictures that end at or before the target are decoded but not
// shown; the last of them is kept in case the input ends before the target.
bool PlaySpliterSystem::BeforeExactTarget(const AVFrame& frame, qint64 ptsMs, unsigned serial)
{
    bool landed = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (serial != m_exactSerial || m_exactTargetMs < 0)
            return false;
        landed = ptsMs + m_frameStepMs > m_exactTargetMs;
        if (landed)
            m_exactTargetMs = -1; // every later picture is shown
    }
    if (landed) {
        // Only a seek past the last picture shows the one before its
        // target; kept, it would be shown again at the end of the input.
        m_heldFrame.reset();
        return false;
    }
    if (!m_heldFrame)
        m_heldFrame = ffmpeg::MakeFrame();
    av_frame_unref(m_heldFrame.get());
    if (av_frame_ref(m_heldFrame.get(), &frame) < 0) {
        m_heldFrame.reset();
        return true;
    }
    m_heldSerial = serial;
    m_heldPtsMs = ptsMs;
    return true;
}

// A picture in a buffer laid out for packing waits as a reference to the
// decoder's frame (packed at delivery); any other is converted now.
void PlaySpliterSystem::QueueDecodedPicture(const AVFrame& frame, qint64 ptsMs, unsigned serial)
{
    const int size = VideoConverter::PictureSize(frame.width, frame.height);
    if (size == 0 || !WaitForPictureRoom(serial))
        return;
    VideoQueueItem item;
    if (PackedFrameAllocator::LaidOutForPacking(frame)) {
        item.frame = ffmpeg::MakeFrame();
        if (!item.frame || av_frame_ref(item.frame.get(), &frame) < 0)
            return;
    } else {
        item.data = m_pool.Take(static_cast<size_t>(size));
        if (!m_videoConverter.Convert(frame, item.data.data())) {
            qCDebug(lcEngineFrames) << __LINE__ << "PlaySpliterSystem::QueuePicture"
                                    << "conversion failed" << frame.format;
            m_pool.Give(std::move(item.data));
            return;
        }
    }
    item.size = size;
    item.width = frame.width;
    item.height = frame.height;
    item.ptsMs = ptsMs;
    item.serial = serial;
    item.format = PictureDescription::Describe(frame, &m_input.videoInfo());
    qCDebug(lcEngineFrames) << __LINE__ << "picture decoded" << ptsMs << frame.width
                            << frame.height;
    PushPicture(std::move(item));
}

void PlaySpliterSystem::MarkDrained(bool video, unsigned serial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (serial != m_serial)
        return;
    (video ? m_videoDrained : m_audioDrained) = true;
    NotifyAll();
}

void PlaySpliterSystem::AudioDecodeLoop()
{
    unsigned serial = 0;
    while (!StopRequested()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_presenterDone)
                break;
        }
        PacketQueue::Entry entry;
        if (m_audioPackets.Take(entry, kIdleMs))
            DecodeAudioEntry(entry, serial);
    }
}

void PlaySpliterSystem::DecodeAudioEntry(PacketQueue::Entry& entry, unsigned& serial)
{
    if (entry.serial != m_serial)
        return;
    if (entry.serial != serial) {
        m_input.FlushAudio();
        m_audioConverter.Reset();
        serial = entry.serial;
    }
    const unsigned current = serial;
    if (!m_audioFailed) {
        const AudioStatus status =
            m_input.DecodeAudio(entry.packet.get(), [this, current](const AVFrame& f) {
                if (WaitForAudioRoom(current))
                    QueueAudio(f, m_input.AudioPtsMs(f), current);
            });
        HandleAudioStatus(status);
    }
    if (!entry.packet || m_audioFailed)
        MarkDrained(false, current);
}

// A sound that cannot be decoded is reported once; the picture plays on silently.
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
    m_audioFailed = true;
    m_audioPackets.Flush();
    return false;
}

// ---- presenter -------------------------------------------------------------

void PlaySpliterSystem::videoSolution()
{
    m_lastPositionReportMs = -1;
    while (!StopRequested()) {
        if (m_isPause && m_pacing == Pacing::Realtime) {
            SleepMs(kIdleMs);
            continue;
        }
        VideoQueueItem item;
        qint64 waitMs = 0;
        const PresentStep step = TakeDuePicture(item, waitMs);
        if (step == PresentStep::Finished) {
            if (!WaitForSoundToEnd())
                continue; // a seek came in while the sound ended
            bool done;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                done = PlaybackDoneLocked();
                m_presenterDone = done;
            }
            if (!done)
                continue;
            if (!StopRequested())
                Q_EMIT sigPlayFinish();
            break;
        }
        if (step == PresentStep::Wait) {
            if (!m_hasVideo || m_coverArt)
                ReportAudioPosition();
            std::lock_guard<std::mutex> lock(m_mutex);
            m_videoChanged.wait_for(m_mutex,
                                    std::chrono::milliseconds(qBound<qint64>(1, waitMs, kIdleMs)));
            continue;
        }
        Deliver(item);
        m_pool.Give(std::move(item.data));
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearQueuesLocked();
    m_presenterDone = true;
}

// The input was read to its end and every picture and sound of the current
// serial has left the queues.
bool PlaySpliterSystem::PlaybackDoneLocked() const
{
    return m_readFinished && m_videoDrained && m_audioDrained && m_videoQueue.empty() &&
           m_audioQueue.empty() && !m_feederBusy;
}

PlaySpliterSystem::PresentStep PlaySpliterSystem::TakeDuePicture(VideoQueueItem& item,
                                                                 qint64& waitMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    while (!m_videoQueue.empty() && m_videoQueue.front().serial != m_serial) {
        m_pool.Give(std::move(m_videoQueue.front().data));
        m_videoQueue.pop_front();
    }
    if (m_videoQueue.empty()) {
        waitMs = kIdleMs;
        return PlaybackDoneLocked() ? PresentStep::Finished : PresentStep::Wait;
    }
    if (m_pacing == Pacing::Untimed && HoldForPackingInPlaceLocked()) {
        waitMs = kIdleMs;
        return PresentStep::Wait;
    }
    // A sound file's cover is a still outside the timeline: shown at once,
    // it neither sets the clock nor waits for it.
    if (m_pacing == Pacing::Realtime && !m_coverArt) {
        const VideoQueueItem& next = m_videoQueue.front();
        m_clock.Anchor(next.ptsMs);
        const qint64 nowMs = m_clock.NowMs();
        if (!m_showedSinceSeek) {
            // The clock stands still until the sound device starts playing;
            // the first picture after a start or seek does not wait for that.
            waitMs = next.ptsMs - nowMs > kFirstPictureLeadMs ? next.ptsMs - nowMs : 0;
        } else if (!PacedByFrameStepLocked(next, nowMs, waitMs)) {
            DropLatePicturesLocked(nowMs);
            waitMs = m_videoQueue.front().ptsMs - nowMs;
        }
        if (waitMs > 0)
            return PresentStep::Wait;
    }
    item = std::move(m_videoQueue.front());
    m_videoQueue.pop_front();
    NotifyTaken(m_videoChanged);
    m_showedSinceSeek = true;
    m_lastShownPtsMs = item.ptsMs;
    m_lastShownAt = Steady::now();
    return PresentStep::Deliver;
}

// Untimed: a picture the decoder still refers to waits (unless it is the
// first since a start or seek, or the queue is full, or nothing more comes)
// while the decoder goes on, which usually lets it go, so that it can be
// packed where it lies instead of being copied.
bool PlaySpliterSystem::HoldForPackingInPlaceLocked() const
{
    const VideoQueueItem& front = m_videoQueue.front();
    return m_showedSinceSeek && front.frame && !m_videoDrained &&
           m_videoQueue.size() < MaxQueuedPictures() &&
           !PackedFrameAllocator::CanPackInPlace(*front.frame);
}

// A picture far from the clock lies across a jump in the time stamps. It is
// shown one picture step after the previous one; without sound to follow,
// the clock itself moves to it.
bool PlaySpliterSystem::PacedByFrameStepLocked(const VideoQueueItem& next, qint64 nowMs,
                                               qint64& waitMs)
{
    if (qAbs(next.ptsMs - nowMs) <= kNoSyncMs)
        return false;
    if (!m_audioReady || m_audioFailed) {
        m_clock.Reset();
        m_clock.Anchor(next.ptsMs);
        waitMs = 0;
        return true;
    }
    qint64 stepMs = next.ptsMs - m_lastShownPtsMs;
    if (stepMs <= 0 || stepMs > kMaxFrameStepMs)
        stepMs = m_frameStepMs;
    const double speed = qMax(0.1, double(m_multiple.load()));
    const auto due = m_lastShownAt + std::chrono::milliseconds(static_cast<qint64>(stepMs / speed));
    waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(due - Steady::now()).count();
    return true;
}

// When the presenter has fallen behind, pictures whose successor is already
// due are skipped, so the picture catches up with the sound.
void PlaySpliterSystem::DropLatePicturesLocked(qint64 nowMs)
{
    while (m_videoQueue.size() > 1 && m_videoQueue[1].ptsMs <= nowMs &&
           nowMs - m_videoQueue[1].ptsMs <= kNoSyncMs) {
        m_pool.Give(std::move(m_videoQueue.front().data));
        m_videoQueue.pop_front();
    }
}

void PlaySpliterSystem::Deliver(VideoQueueItem& item)
{
    if (StopRequested() || item.serial != m_serial)
        return;
    uint8_t* bytes = PackedBytes(item);
    if (!bytes)
        return;
    if (!m_formatSent || item.format != m_lastFormat) {
        m_lastFormat = item.format;
        m_formatSent = true;
        Q_EMIT sigPictureFormat(item.format);
    }
    qCDebug(lcEngineFrames) << __LINE__ << "picture shown" << item.ptsMs;
    // The position first, so that a receiver of the picture knows its time;
    // a cover's time stamp is the file's start, so there the sound's rules.
    if (!m_coverArt)
        Q_EMIT sigSetLengthing(static_cast<int>(item.ptsMs));
    Q_EMIT sigYuv(bytes, static_cast<uint>(item.width), static_cast<uint>(item.height), item.size);
}

// The packed picture of `item`: its own bytes, its frame packed where it
// lies, or a copy of its frame when the decoder still refers to that.
uint8_t* PlaySpliterSystem::PackedBytes(VideoQueueItem& item)
{
    if (!item.frame)
        return item.data.data();
    AVFrame& frame = *item.frame;
    if (uint8_t* packed = PackedFrameAllocator::PackInPlace(frame)) {
        qCDebug(lcEngineFrames) << __LINE__ << "picture packed in place" << item.ptsMs;
        return packed;
    }
    qCDebug(lcEngineFrames) << __LINE__ << "picture packed by a copy" << item.ptsMs;
    item.data = m_pool.Take(static_cast<size_t>(item.size));
    if (av_image_copy_to_buffer(item.data.data(), item.size, frame.data, frame.linesize,
                                AV_PIX_FMT_YUV420P, frame.width, frame.height, 1) < 0)
        return nullptr;
    return item.data.data();
}

// Without pictures the position follows the sound.
void PlaySpliterSystem::ReportAudioPosition()
{
    if (!m_clock.IsAnchored() || StopRequested() || (m_isPause && m_pacing == Pacing::Realtime))
        return;
    const qint64 nowMs = m_clock.NowMs();
    if (m_lastPositionReportMs >= 0 && qAbs(nowMs - m_lastPositionReportMs) < kAudioPositionStepMs)
        return;
    m_lastPositionReportMs = nowMs;
    Q_EMIT sigSetLengthing(static_cast<int>(nowMs));
}

// Lets the device play what it still holds before the end is reported, so
// the next file does not cut the last of this one's sound. False when a
// seek or a stop came in meanwhile.
bool PlaySpliterSystem::WaitForSoundToEnd()
{
    const unsigned serial = m_serial;
    if (m_pacing == Pacing::Realtime && m_audioReady) {
        const qint64 limitMs = m_audioOut->BufferedUs() / 1000 + kSoundEndSlackMs;
        const auto deadline = Steady::now() + std::chrono::milliseconds(limitMs);
        while (m_audioOut->BufferedUs() > 0 && Steady::now() < deadline) {
            if (StopRequested() || serial != m_serial)
                break;
            SleepMs(kIdleMs);
        }
    }
    return !StopRequested() && serial == m_serial;
}

// ---- audio feeder ------------------------------------------------------------

void PlaySpliterSystem::audioSolution()
{
    m_sinkPaused = false;
    while (!StopRequested()) {
        FollowPauseAndSeek();
        if (m_isPause && m_pacing == Pacing::Realtime) {
            SleepMs(kIdleMs);
            continue;
        }
        AudioQueueItem item;
        if (!TakeAudio(item)) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_presenterDone)
                break;
            m_audioChanged.wait_for(m_mutex, std::chrono::milliseconds(kIdleMs));
            continue;
        }
        FeedAudio(item);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_feederBusy = false;
        m_audioChanged.notify_all();
    }
    if (m_sinkPaused)
        m_audioOut->SetPaused(SinkPause::Running);
}

// The feeder owns the sink's stream: after a seek it drops what the device
// still holds; it suspends and resumes the device with the pause.
void PlaySpliterSystem::FollowPauseAndSeek()
{
    const unsigned serial = m_serial;
    if (serial != m_feederSerial) {
        const bool first = m_feederSerial == 0;
        m_feederSerial = serial;
        m_tempo.Restart();
        if (!first)
            m_audioOut->Flush();
    }
    const bool paused = m_isPause && m_pacing == Pacing::Realtime;
    if (paused != m_sinkPaused) {
        m_sinkPaused = paused;
        m_audioOut->SetPaused(paused ? SinkPause::Paused : SinkPause::Running);
    }
}

bool PlaySpliterSystem::TakeAudio(AudioQueueItem& item)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    while (!m_audioQueue.empty()) {
        if (m_audioQueue.front().serial != m_serial) {
            m_audioQueuedMs = qMax<qint64>(0, m_audioQueuedMs - m_audioQueue.front().spanMs);
            m_audioQueue.pop_front();
            continue;
        }
        // Until the first picture after a key-frame seek is known, the sound
        // waits (unless the input has no picture left to land on, or holds
        // nothing but sound for longer than the queue takes).
        if (m_awaitingLanding && !m_readFinished && m_audioQueuedMs <= kMaxQueuedAudioMs)
            return false;
        item = std::move(m_audioQueue.front());
        m_audioQueue.pop_front();
        m_audioQueuedMs = qMax<qint64>(0, m_audioQueuedMs - item.spanMs);
        NotifyTaken(m_audioChanged);
        if (m_landingMs < 0 || item.endMs < 0 || item.endMs > m_landingMs) {
            m_landingMs = -1;
            m_feederBusy = true;
            return true;
        }
    }
    return false;
}

// The tempo follows the speed multiple at every chunk, so a speed change is
// heard within the device's buffer. The clock learns the media time written
// so far after every piece the device takes, so that it never counts a
// piece the device holds against the end of the chunk before.
void PlaySpliterSystem::FeedAudio(AudioQueueItem& item)
{
    const double tempo = m_multiple.load();
    if (tempo != m_tempo.tempo()) {
        const QAudioFormat format = m_audioOut->Format();
        m_tempo.Configure(format.sampleRate(), format.channelCount(), SampleFormatOf(format),
                          tempo);
    }
    QByteArray pcm;
    const int bytesPerFrame = qMax(1, m_audioOut->Format().bytesPerFrame());
    m_tempo.Process(reinterpret_cast<const uint8_t*>(item.pcm.constData()),
                    item.pcm.size() / bytesPerFrame, pcm);
    const unsigned serial = item.serial;
    m_clock.Anchor(item.startMs >= 0 ? item.startMs : 0);
    // Writing gives way to a pause (the feeder suspends the device itself)
    // and goes on with the rest of the chunk on resume.
    const auto keepWaiting = [this, serial] {
        const bool paused = m_isPause && m_pacing == Pacing::Realtime;
        return !StopRequested() && serial == m_serial && paused == m_sinkPaused;
    };
    const qint64 total = pcm.size();
    const qint64 startMs = item.startMs >= 0 ? item.startMs : item.endMs - item.spanMs;
    qint64 offset = 0;
    const auto progress = [&](qint64 written) {
        if (serial != m_serial || item.endMs < 0 || total == 0)
            return;
        m_clock.OnAudioWritten(startMs + (item.endMs - startMs) * (offset + written) / total);
    };
    while (offset < total) {
        qint64 written = 0;
        const bool whole = m_audioOut->Write(offset ? pcm.mid(static_cast<int>(offset)) : pcm,
                                             keepWaiting, &written, progress);
        offset += written;
        if (whole)
            break;
        if (StopRequested() || serial != m_serial || !m_audioOut->enabled())
            return;
        FollowPauseAndSeek();
        if (written == 0 && m_sinkPaused)
            SleepMs(kIdleMs);
    }
}
