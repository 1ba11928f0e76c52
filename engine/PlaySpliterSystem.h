#pragma once
// The playback engine: opens one file at a time, reads and decodes it,
// presents its pictures against the playback clock and feeds its audio to
// the sink, and reports duration, position, the end of the file and
// failures through signals.
//
// Threads of one playback (ffplay's pipeline):
//  - GUI thread: construction, destruction and the commands ClosePlay,
//    StopPlay, PlayAgain, timechange/Seek, setMultiple, ForceStop. A command
//    only records a request (flags and serials, under m_requestMutex); the
//    worker threads serve it, so no command waits for a worker, the audio
//    device or the disk.
//  - engine thread (m_thread): StartSpliter records the request and queues
//    its run behind any other request already queued; RunRequest plays the
//    newest request only (a start that a later start or ClosePlay overtook
//    is dropped) and, on the FFmpeg path, is the reading thread: it owns the
//    demuxer, serves seeks (ServeSeek) and track choices (ServeTrackChoices),
//    fills the packet queues and decodes the subtitle track shown
//    (m_tracks, m_subtitles).
//  - MVR reader (mvrSpliter, std::thread): the reading thread of an MVR
//    playback; it decodes records itself and fills the decoded queues.
//  - video decoder (VideoDecodeLoop, FFmpeg path): owns the video codec and
//    the picture converter; packets in, pictures into m_videoQueue.
//  - audio decoder (AudioDecodeLoop, FFmpeg path): owns the audio codec and
//    the resampler; packets in, PCM into m_audioQueue.
//  - presenter (videoSolution): takes pictures off m_videoQueue when the
//    clock reaches them, packs those still in the decoder's buffers
//    (PackedFrameAllocator); emits sigPictureFormat, sigSetLengthing, sigYuv
//    and sigPlayFinish. Without pictures it reports the clock as the position.
//  - audio feeder (audioSolution): owns the sink's stream: writes PCM with
//    the speed's tempo, flushes it after a seek, pauses and resumes it.
// Every start and every seek takes a new serial (m_serial); packets,
// pictures and sound carry the serial they were made for, and whatever
// carries an older one is dropped instead of being shown, heard or reported.
//
// Lifetime: every thread of a playback is started and joined inside
// RunRequest, so none outlives it; Shutdown (also run by the destructor)
// joins the engine thread, and the audio sink joins its own thread when the
// engine destroys it, after the engine thread.
// Locks, in order: m_mutex (the engine lock: decoded queues, drain state),
// then AudioOut's lock, then its device's (libpulse's main loop). Waits on
// the condition variables below are made under a lock_guard of m_mutex,
// which the wait releases and takes again (std::mutex, so that the thread
// sanitizer sees every hand-over). Each waiter waits on the one that tells
// it what it waits for (and looks again at least every kIdleMs): the
// presenter and the video decoder on m_videoChanged, the feeder and the audio
// decoder on m_audioChanged, the reader on m_readerWake; stops, seeks, drains
// and the end of reading notify all three. m_requestMutex, the packet
// queues' locks, the clock's, the buffer pool's and the picture allocator's
// (FfmpegInput's, taken on FFmpeg's decoding threads) are leaves (nothing
// else is taken while one is held).

#include "AudioConverter.h"
#include "AudioTempo.h"
#include "FfmpegInput.h"
#include "MvrReader.h"
#include "PacketQueue.h"
#include "PictureBufferPool.h"
#include "PictureFormat.h"
#include "PlaybackClock.h"
#include "SubtitleSource.h"
#include "TrackChoice.h"
#include "VideoConverter.h"
#include "XAudioPlay.h"

#include <QByteArray>
#include <QObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class AudioOut;
enum class EngineMessage;

// Path of the file being played, as handed to StartSpliter (not a copy).
extern std::atomic<const char*> g_currentFile;

// One decoded picture waiting for presentation. It owns its bytes, so a
// picture handed out through sigYuv never changes while it is delivered.
// Pictures in buffers laid out for packing wait as the decoder's frame and
// are packed when they are delivered: inside that buffer once the decoder no
// longer refers to it, else by a copy into `data`.
struct VideoQueueItem {
    PictureBufferPool::Buffer data; // packed YUV420P
    ffmpeg::FramePtr frame;         // or the decoded 8-bit 4:2:0 picture, still to pack
    int size = 0;
    int width = 0;
    int height = 0;
    qint64 ptsMs = 0;
    PictureFormat format;
    unsigned serial = 0; // the start or seek it was decoded for
};

// Decoded PCM in the sink's format, at normal speed, waiting for the feeder.
struct AudioQueueItem {
    QByteArray pcm;
    qint64 startMs = 0; // media time of its first sample, -1 when unknown
    qint64 endMs = 0;
    qint64 spanMs = 0; // its length, known even without a time stamp
    unsigned serial = 0;
};

// One decoded MVR record (picture or PCM), owning its bytes.
struct MvrFrame {
    uint8_t type = 0;
    int timestamp = 0; // ms
    unsigned length = 0;
    std::vector<uint8_t> data;
    PictureFormat format; // pictures only
};

// How pictures and audio are timed.
enum class Pacing {
    Realtime, // pictures at their time stamps, audio at the device's pace
    Untimed   // everything at once, audio to a sink that never waits
};

// Where a seek lands.
enum class SeekMode {
    Exact,   // on the picture shown at the target (decoded from the key frame before it)
    KeyFrame // on the key frame at or before the target (fast)
};

class PlaySpliterSystem : public QObject
{
    Q_OBJECT
public:
    PlaySpliterSystem();
    ~PlaySpliterSystem() override;

    // Sets m_isStop and m_isPause (window closing).
    void ForceStop();
    // Stops the playback and joins the engine thread, and with it every
    // thread of the playback: afterwards no thread of the engine runs, emits
    // or reads the path it was given, and a start still on its way plays
    // nothing. Idempotent; the destructor calls it. The owner calls it
    // before it destroys anything those threads touch (the path buffer, the
    // objects its directly connected slots use).
    void Shutdown();
    // Before a playback starts; tools and tests use Untimed.
    void SetPacing(Pacing pacing);
    AudioOut* audioOut() const { return m_audioOut.get(); }
    // The playback clock in media ms (any thread); for sync measurements.
    qint64 ClockMs() const { return m_clock.NowMs(); }
    // Any thread; served by the reading thread. Ignored without a playback.
    void Seek(int positionMs, SeekMode mode);
    // Any thread: the tracks the next start plays (sigTracks lists them).
    void SetTrackChoice(const TrackChoice& choice);
    // Any thread; served by the reading thread: shows subtitle track `id`
    // of the playing file (0: none), announced by sigSubtitleTrack.
    void SelectSubtitle(int id);
    // Any thread; served by the reading thread: plays sound track `id` of
    // the playing file from where it is, through an exact seek there.
    void SelectAudio(int id);
    // Any thread; served by the reading thread: adds a subtitle file to the
    // playing file's tracks (sigTracks again) and shows it.
    void LoadSubtitleFile(const QString& path);

public Q_SLOTS:
    void StartSpliter(const char* File);
    void ClosePlay();
    void StopPlay();
    void PlayAgain();
    // An exact seek to `length` ms.
    void timechange(int length);
    // Thread-safe; acts on the running playback at once.
    void setMultiple(float multiple);
    void startRecord();
    void stopRecord();
    void changeLanguage();

Q_SIGNALS:
    void sigSetSliderLength(int Length);
    void sigSetLengthing(int Length);
    // ptr is valid only while the signal is delivered: connect directly and copy.
    void sigYuv(uchar* ptr, uint width, uint height, int size);
    // Emitted on the presenter thread right before the sigYuv of the first
    // picture of every playback and of every picture whose format differs
    // from the one before it; the format holds for the pictures that follow.
    void sigPictureFormat(PictureFormat format);
    void sigPlayFinish();
    // Reading thread, once a file is open (also empty, for an MVR file).
    void sigTracks(MediaTrackList tracks);
    // Reading thread: the subtitle track whose events follow (trackId 0:
    // none). Every event before it belongs to an earlier track or file.
    void sigSubtitleTrack(SubtitleTrackStart start);
    // Reading thread: one subtitle of the current track, usually well ahead
    // of its time (read ahead with the file), or all of a subtitle file's.
    // After a seek the file's own track sends what it reads again, also
    // subtitles sent before.
    void sigSubtitle(SubtitleEvent event);
    void sigSendMessage(QString text);
    void sigdeleteqmap(int time);
    void sigPlayOver();
    void sigSpliterResult(bool isSuc);
    void sigDecodedFrame(uchar* frameData);

private:
    enum class PresentStep { Deliver, Wait, Finished };
    struct SeekRequest {
        unsigned id = 0;
        int targetMs = 0;
        SeekMode mode = SeekMode::Exact;
    };

    // requests (engine thread)
    void RunRequest(unsigned request, const QByteArray& path);
    bool RequestIsCurrent(unsigned request);
    void ResetForPlayback();
    bool StopRequested() const;

    // FFmpeg path: reading thread
    void RunFfmpegPath(const char* file, const QByteArray& suffix);
    bool OpenFfmpegInput(const char* file, const QByteArray& suffix);
    void RunFfmpegWorkers();
    void FfmpegReadStep(AVPacket* packet);
    bool PacketQueuesFull() const;
    void QueueCoverArt();
    void EndOfInput();
    // subtitles and track list (PlaySpliterSystemTracks.cpp), reading thread
    void AnnounceTracks(const QByteArray& path);
    void ServeTrackChoices();
    void ServeSubtitleChoice(int id);
    void ServeAudioChoice(int id);
    void ServeFileLoad(const QString& path);
    void MarkSelectedTracks();
    void StartSubtitleTrack(int id);
    void DecodeSubtitlePacket(AVPacket* packet);
    void FlushSubtitles();

    // FFmpeg path: decoding threads
    void VideoDecodeLoop();
    void DecodeVideoEntry(PacketQueue::Entry& entry, unsigned& serial);
    void QueueDecodedPicture(const AVFrame& frame, qint64 ptsMs, unsigned serial);
    bool BeforeExactTarget(const AVFrame& frame, qint64 ptsMs, unsigned serial);
    bool FarBeforeExactTarget(const AVPacket& packet, unsigned serial);
    void AudioDecodeLoop();
    void DecodeAudioEntry(PacketQueue::Entry& entry, unsigned& serial);
    bool HandleAudioStatus(AudioStatus status);
    void MarkDrained(bool video, unsigned serial);

    // MVR path: reading thread
    void mvrSpliter();
    void MvrReadStep();
    void QueueMvrPicture(MvrFrame&& frame, int width, int height);
    void QueueMvrAudio(MvrFrame&& frame);
    bool HoldBeforeExactTarget(VideoQueueItem& item);
    void ReleaseHeldMvrPicture(unsigned serial);

    // both paths, reading thread
    void SetUpAudio(int sampleRate, int channels);
    void RunWorkers(const std::function<void()>& readStep, const std::function<void()>& decoders);
    void ReadLoop(const std::function<void()>& readStep);
    void ServeSeek();
    void SeekInput(const SeekRequest& request);
    bool DecodedQueuesFull();

    // decoded queues (any producer thread)
    void PushPicture(VideoQueueItem&& item);
    void QueueAudio(const AVFrame& frame, qint64 startMs, unsigned serial);
    bool WaitForPictureRoom(unsigned serial);
    std::size_t MaxQueuedPictures() const;
    bool WaitForAudioRoom(unsigned serial);
    void NoteLandingLocked(qint64 ptsMs);
    void NotifyAll();
    // A picture or sound left its queue: its producer may go on (the MVR
    // reader decodes both).
    void NotifyTaken(std::condition_variable_any& changed);
    void SendMessage(EngineMessage message);

    // presenter
    void videoSolution();
    PresentStep TakeDuePicture(VideoQueueItem& item, qint64& waitMs);
    bool PlaybackDoneLocked() const;
    bool PacedByFrameStepLocked(const VideoQueueItem& next, qint64 nowMs, qint64& waitMs);
    void DropLatePicturesLocked(qint64 nowMs);
    void Deliver(VideoQueueItem& item);
    uint8_t* PackedBytes(VideoQueueItem& item);
    bool HoldForPackingInPlaceLocked() const;
    void ReportAudioPosition();
    bool WaitForSoundToEnd();
    void ClearQueuesLocked();

    // audio feeder
    void audioSolution();
    bool TakeAudio(AudioQueueItem& item);
    void FollowPauseAndSeek();
    void FeedAudio(AudioQueueItem& item);

    std::unique_ptr<AudioOut> m_audioOut;
    QThread m_thread;

    // Requests. m_requestMutex guards the seven fields below it.
    mutable std::mutex m_requestMutex;
    unsigned m_startRequests = 0; // StartSpliter calls seen
    unsigned m_cancelledUpTo = 0; // starts that ClosePlay overtook
    SeekRequest m_seekRequest;    // the newest seek asked for
    TrackChoice m_trackChoice;    // for the next start
    int m_subtitleRequest = -1;   // SelectSubtitle's newest id, -1 when served
    int m_audioRequest = 0;       // SelectAudio's newest id, 0 when served
    QStringList m_filesToLoad;    // LoadSubtitleFile's, not yet served
    unsigned m_seekServed = 0;    // reading thread

    // shared flags, polled by every thread of a playback
    std::atomic<bool> m_isStop{true};
    std::atomic<bool> m_shutDown{false}; // set once, by Shutdown
    std::atomic<bool> m_isPause{false};
    std::atomic<bool> m_readFinished{false};
    std::atomic<bool> m_readAborted{false};
    std::atomic<bool> m_isJump{false};
    std::atomic<bool> m_audioReady{false};
    std::atomic<bool> m_isRecord{false};
    std::atomic<bool> m_audioFailed{false};
    std::atomic<bool> m_hasVideo{false};
    std::atomic<Pacing> m_pacing{Pacing::Realtime};
    std::atomic<unsigned> m_serial{0}; // the current start or seek

    // guarded by m_mutex (the engine lock)
    std::mutex m_mutex;
    std::condition_variable_any m_videoChanged; // pictures queued or taken
    std::condition_variable_any m_audioChanged; // sound queued or taken, the feeder idle
    std::condition_variable_any m_readerWake;   // a seek, a stop, room in the MVR queues
    std::deque<VideoQueueItem> m_videoQueue;
    std::deque<AudioQueueItem> m_audioQueue;
    qint64 m_audioQueuedMs = 0;
    bool m_videoDrained = true; // the video decoder gave out all of this serial
    bool m_audioDrained = true;
    bool m_feederBusy = false; // the feeder is writing a chunk it took
    bool m_presenterDone = false;
    bool m_showedSinceSeek = false; // the first picture after a start or seek is never skipped
    // After a key-frame seek, sound older than the first picture is dropped,
    // so the picture shows at once instead of waiting for the sound to reach
    // it; after an exact seek, sound older than the target.
    bool m_awaitingLanding = false;
    qint64 m_landingMs = -1;
    // exact seek: pictures of m_exactSerial before m_exactTargetMs are decoded, not shown
    unsigned m_exactSerial = 0;
    qint64 m_exactTargetMs = -1;

    // reading thread (the demuxer side of m_input); see FfmpegInput for the
    // decoder sides, owned by the decoding threads
    FfmpegInput m_input;
    PacketQueue m_videoPackets;
    PacketQueue m_audioPackets;
    ffmpeg::PacketPtr m_packet;
    bool m_coverArt = false;
    MediaTrackList m_tracks;
    SubtitleSource m_subtitles;

    // video decoding thread (or the MVR reader)
    VideoConverter m_videoConverter;
    ffmpeg::FramePtr m_heldFrame; // the last picture skipped by an exact seek
    unsigned m_heldSerial = 0;
    qint64 m_heldPtsMs = 0;
    // audio decoding thread (or the MVR reader)
    AudioConverter m_audioConverter;

    // presenter
    PictureFormat m_lastFormat;
    bool m_formatSent = false;
    qint64 m_lastPositionReportMs = -1;
    qint64 m_lastShownPtsMs = -1;                        // guarded by m_mutex
    qint64 m_frameStepMs = 40;                           // guarded by m_mutex
    std::chrono::steady_clock::time_point m_lastShownAt; // guarded by m_mutex

    // audio feeder
    AudioTempo m_tempo;
    unsigned m_feederSerial = 0;
    bool m_sinkPaused = false;

    std::atomic<float> m_multiple{1.0f};
    PictureBufferPool m_pool;
    PlaybackClock m_clock;

    // MVR path: the reading thread
    MvrReader m_mvr;
    qint64 m_mvrNextAudioMs = -1; // where sound without a time stamp continues
    VideoQueueItem m_mvrHeld;     // exact seek: the last picture before the target
    bool m_hasMvrHeld = false;
    std::atomic<bool> m_isMvr{false};

    XAudioPlay m_xAudioPlay;
};
