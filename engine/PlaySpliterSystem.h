#pragma once
// The playback engine: opens one file at a time, reads and decodes it,
// presents its pictures against the playback clock and feeds its audio to
// the sink, and reports duration, position, the end of the file and
// failures through signals.
//
// Threads:
//  - GUI thread: construction, destruction, ClosePlay, StopPlay, PlayAgain,
//    timechange, ForceStop, changeLanguage (direct calls).
//  - engine thread (m_thread): StartSpliter, which opens the input and runs
//    the reading loop until the playback ends; it owns the FFmpeg objects.
//  - presenter (videoSolution, one std::thread per playback): takes pictures
//    off m_videoQueue when they are due and emits sigYuv/sigSetLengthing.
//  - audio feeder (audioSolution, one std::thread per playback): takes PCM
//    off m_audioQueue, applies the speed's tempo and writes it to the sink,
//    so that waiting for the device never holds up decoding pictures.
//  - setMultiple may be called from any thread.
// Lifetime: the presenter, the feeder and the MVR reader are started and
// joined inside StartSpliter, so none outlives the playback; Shutdown (also
// run by the destructor) joins the engine thread, and the audio sink joins
// its own thread when the engine destroys it, after the engine thread.
// Locks, in order: m_mutex (the engine lock), then AudioOut's lock; the
// clock's and the buffer pool's locks are leaves.
// A seek runs on the GUI thread while the reader and the feeder are parked:
// each sets its parked flag before idling at the top of its loop and clears
// it before touching the input (or the sink) again, and the seek waits for
// both.

#include "AudioConverter.h"
#include "AudioTempo.h"
#include "FfmpegInput.h"
#include "MvrReader.h"
#include "PictureBufferPool.h"
#include "PictureFormat.h"
#include "PlaybackClock.h"
#include "VideoConverter.h"
#include "XAudioPlay.h"

#include <QByteArray>
#include <mutex>
#include <QObject>
#include <QThread>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class AudioOut;
enum class EngineMessage;

// Path of the file being played, as handed to StartSpliter (not a copy).
extern std::atomic<const char*> g_currentFile;

// One decoded picture waiting for presentation. It owns its bytes, so a
// picture handed out through sigYuv never changes while it is delivered.
struct VideoQueueItem {
    PictureBufferPool::Buffer data; // packed YUV420P
    int size = 0;
    int width = 0;
    int height = 0;
    qint64 ptsMs = 0;
    unsigned seekSerial = 0; // pictures decoded before a seek are never shown after it
};

// Decoded PCM in the sink's format, at normal speed, waiting for the feeder.
struct AudioQueueItem {
    QByteArray pcm;
    qint64 startMs = 0; // media time of its first sample, -1 when unknown
    qint64 endMs = 0;
};

// One decoded MVR record (picture or PCM), owning its bytes.
struct MvrFrame {
    uint8_t type = 0;
    int timestamp = 0; // ms
    unsigned length = 0;
    std::vector<uint8_t> data;
};

// How pictures and audio are timed.
enum class Pacing {
    Realtime, // pictures at their time stamps, audio at the device's pace
    Untimed   // everything at once, audio to a sink that never waits
};

class PlaySpliterSystem : public QObject {
    Q_OBJECT
public:
    PlaySpliterSystem();
    ~PlaySpliterSystem() override;

    // Sets m_isStop and m_isPause without the lock (window closing).
    void ForceStop();
    // Stops the playback and joins the engine thread, and with it every
    // thread of the playback (presenter, feeder, MVR reader): afterwards no
    // thread of the engine runs, emits or reads the path it was given.
    // Idempotent; the destructor calls it. The owner calls it before it
    // destroys anything those threads touch (the path buffer, the objects
    // its directly connected slots use).
    void Shutdown();
    // Before a playback starts; tools and tests use Untimed.
    void SetPacing(Pacing pacing);
    AudioOut* audioOut() const { return m_audioOut.get(); }
    // The playback clock in media ms (any thread); for sync measurements.
    qint64 ClockMs() const { return m_clock.NowMs(); }

public Q_SLOTS:
    void StartSpliter(const char* File);
    void ClosePlay();
    void StopPlay();
    void PlayAgain();
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
    void sigSendMessage(QString text);
    void sigdeleteqmap(int time);
    void sigPlayOver();
    void sigSpliterResult(bool isSuc);
    void sigDecodedFrame(uchar* frameData);

private:
    enum class PresentStep { Deliver, Wait, Finished };

    void ResetForPlayback();
    void RunFfmpegPath(const char* file, const QByteArray& suffix);
    void mvrSpliter();
    void MvrReadStep();
    void QueueMvrPicture(MvrFrame&& frame, int width, int height);
    void QueueMvrAudio(MvrFrame&& frame);
    bool OpenFfmpegInput(const char* file, const QByteArray& suffix);
    void SetUpAudio(int sampleRate, int channels);
    void RunWorkers(const std::function<void()>& readStep);
    void ReadLoop(const std::function<void()>& readStep);
    bool ReaderMayRead();
    void ReadStep(AVPacket* packet);
    void DrainAtEnd();
    void QueuePicture(const AVFrame& frame);
    void QueueAudio(const AVFrame& frame, qint64 startMs);
    bool HandleAudioStatus(AudioStatus status);
    void SendMessage(EngineMessage message);

    void videoSolution();
    PresentStep TakeDuePicture(VideoQueueItem& item, qint64& waitMs);
    void DropLatePicturesLocked(qint64 nowMs);
    void ClearQueuesLocked();

    void audioSolution();
    bool TakeAudio(AudioQueueItem& item);
    void PushPicture(VideoQueueItem&& item);
    void NoteLandingLocked(qint64 ptsMs);
    bool PresenterDone();
    void FeedAudio(AudioQueueItem& item);

    bool WaitForWorkersParked();
    void SeekLocked(int length);

    std::unique_ptr<AudioOut> m_audioOut;
    QThread m_thread;
    std::mutex m_mutex; // the engine lock

    // shared flags, polled by every thread of a playback
    std::atomic<bool> m_isStop{true};
    std::atomic<bool> m_shutDown{false}; // set once, by Shutdown
    std::atomic<bool> m_isPause{false};
    std::atomic<bool> m_readFinished{false};
    std::atomic<bool> m_readAborted{false};
    std::atomic<bool> m_isJump{false};
    std::atomic<bool> m_audioReady{false};
    std::atomic<bool> m_isRecord{false};
    std::atomic<bool> m_readerParked{true};
    std::atomic<bool> m_feederParked{true};
    std::atomic<bool> m_readFailed{false};
    std::atomic<Pacing> m_pacing{Pacing::Realtime};

    // guarded by m_mutex
    std::deque<VideoQueueItem> m_videoQueue;
    std::deque<AudioQueueItem> m_audioQueue;
    qint64 m_audioQueuedMs = 0;
    bool m_presenterDone = false;
    bool m_showedSinceSeek = false; // the first picture after a start or seek is never skipped
    // After a seek, sound older than the first picture is dropped, so the
    // picture shows at once instead of waiting for the sound to reach it.
    bool m_awaitingLanding = false;
    qint64 m_landingMs = -1;

    // engine thread; the GUI thread during a seek while the reader is parked
    FfmpegInput m_input;
    VideoConverter m_videoConverter;
    AudioConverter m_audioConverter;
    ffmpeg::PacketPtr m_packet;

    std::atomic<float> m_multiple{1.0f};
    std::atomic<unsigned> m_seekSerial{0};
    PictureBufferPool m_pool;
    PlaybackClock m_clock;
    AudioTempo m_tempo; // audio feeder only

    // MVR path: the reading thread; the GUI thread during a seek
    MvrReader m_mvr;
    std::atomic<bool> m_isMvr{false};

    XAudioPlay m_xAudioPlay;
};
