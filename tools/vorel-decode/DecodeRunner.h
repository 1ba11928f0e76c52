#pragma once
// Drives one playback of the real engine without a window and prints what
// comes out of it, one line per event (see main.cpp for the line formats).
//
// Threads: the main thread owns the runner and runs the event loop; the
// engine's presenter calls OnPicture directly (the picture is only valid
// during the call); OnAudio runs on the engine's reading thread. m_mutex
// guards the output stream and the counters written from those threads.

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <mutex>

#include <atomic>

class PlaySpliterSystem;
struct SubtitleEvent;

struct DecodeOptions {
    bool untimed = false;
    bool hash = true;
    float speed = 1.0f;
    int seekMs = -1;
    int seekAtMs = 0;
    bool fastSeek = false; // land on the key frame before the target
    int maxFrames = -1;
    bool avStats = false;
    int audioId = 0;     // 1-based; 0: the engine's choice
    int subtitleId = -1; // 1-based; 0: none; -1: the engine's choice
    QStringList subtitleFiles;
    QByteArray file;
};

class DecodeRunner : public QObject
{
    Q_OBJECT
public:
    DecodeRunner(PlaySpliterSystem& engine, const DecodeOptions& options);
    // Queues the playback; the event loop exits with the run's exit code.
    void Start();

private:
    void OnPicture(uchar* ptr, uint width, uint height, int size);
    void OnAudio(const QByteArray& pcm);
    void OnPosition(int positionMs);
    void OnSubtitle(const SubtitleEvent& event);
    void OnPlaybackReturned();
    void PrintLine(const QByteArray& line);
    QByteArray Md5Text(const QByteArray& bytes) const;

    PlaySpliterSystem& m_engine;
    const DecodeOptions m_options;
    std::mutex m_mutex;
    int m_frames = 0;                                        // guarded by m_mutex
    qint64 m_audioBytes = 0;                                 // guarded by m_mutex
    QCryptographicHash m_audioHash{QCryptographicHash::Md5}; // guarded by m_mutex
    std::atomic<int> m_lastPositionMs{0};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_messageSent{false};
    std::atomic<bool> m_stoppedAtLimit{false};
    bool m_seekDone = false;   // main thread
    QElapsedTimer m_seekTimer; // started on the main thread before the seek
    std::atomic<bool> m_seekPending{false};
    // picture time minus playback clock at delivery, guarded by m_mutex
    qint64 m_syncMaxMs = 0;
    double m_syncSumMs = 0;
    int m_syncCount = 0;
};
