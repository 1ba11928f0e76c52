#pragma once
// Records what one engine reports, for the engine tests. Picture callbacks
// run on the engine's presenter thread (direct connection, as the player
// wires them); counters are atomics or guarded by m_mutex.

#include "PlaySpliterSystem.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QStringList>
#include <QThread>
#include <mutex>

#include <atomic>
#include <functional>
#include <vector>

class EngineProbe
{
public:
    explicit EngineProbe(PlaySpliterSystem& engine) : m_engine(engine)
    {
        QObject::connect(
            &engine, &PlaySpliterSystem::sigYuv, &engine,
            [this](uchar* p, uint w, uint h, int size) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_lastPicture = QByteArray(reinterpret_cast<const char*>(p), size);
                m_lastWidth = w;
                m_lastHeight = h;
                ++m_frames;
            },
            Qt::DirectConnection);
        QObject::connect(
            &engine, &PlaySpliterSystem::sigSetLengthing, &engine,
            [this](int ms) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_positions.push_back(ms);
            },
            Qt::DirectConnection);
        QObject::connect(
            &engine, &PlaySpliterSystem::sigSetSliderLength, &engine,
            [this](int ms) {
                m_durationMs = ms;
                ++m_durations;
            },
            Qt::DirectConnection);
        QObject::connect(
            &engine, &PlaySpliterSystem::sigPictureFormat, &engine,
            [this](const PictureFormat& format) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_formats.push_back(format);
                m_formatAtPicture.push_back(m_frames);
            },
            Qt::DirectConnection);
        QObject::connect(
            &engine, &PlaySpliterSystem::sigPlayFinish, &engine, [this] { ++m_finishes; },
            Qt::DirectConnection);
        QObject::connect(
            &engine, &PlaySpliterSystem::sigSendMessage, &engine,
            [this](const QString& text) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_messages << text;
            },
            Qt::DirectConnection);
    }

    // Queues a playback of `path`; the bytes must outlive it, as in the player.
    void Start(const QByteArray& path)
    {
        m_path = path;
        StartRaw(m_path.constData());
    }

    // Queues a playback of the bytes at `path`, which the caller keeps.
    void StartRaw(const char* path)
    {
        ++m_starts;
        QMetaObject::invokeMethod(&m_engine, "StartSpliter", Qt::QueuedConnection,
                                  Q_ARG(const char*, path));
        // StartSpliter queues the playback behind what is already queued;
        // this hop queues the mark behind that playback, on the engine thread.
        QMetaObject::invokeMethod(
            &m_engine,
            [this] {
                QMetaObject::invokeMethod(
                    &m_engine, [this] { ++m_returns; }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }

    // Waits (processing events) until `done` holds or `ms` passed.
    static bool WaitFor(const std::function<bool()>& done, int ms = 20000)
    {
        QDeadlineTimer deadline(ms);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(2);
        }
        return true;
    }
    // Every playback queued so far has run and returned.
    bool WaitReturned(int ms = 30000)
    {
        return WaitFor([this] { return m_returns.load() >= m_starts.load(); }, ms);
    }

    void Reset()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames = 0;
        m_finishes = 0;
        m_durationMs = -1;
        m_durations = 0;
        m_positions.clear();
        m_formats.clear();
        m_formatAtPicture.clear();
        m_messages.clear();
    }
    int frames() const { return m_frames; }
    int finishes() const { return m_finishes; }
    int durationMs() const { return m_durationMs; }
    int durations() const { return m_durations; }
    std::vector<PictureFormat> formats()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_formats;
    }
    // For each format announced: how many pictures had arrived before it.
    std::vector<int> formatAtPicture()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_formatAtPicture;
    }
    QStringList messages()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }
    std::vector<int> positions()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_positions;
    }
    QByteArray lastPicture(uint* width = nullptr, uint* height = nullptr)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (width)
            *width = m_lastWidth;
        if (height)
            *height = m_lastHeight;
        return m_lastPicture;
    }

private:
    PlaySpliterSystem& m_engine;
    QByteArray m_path;
    std::mutex m_mutex;
    std::atomic<int> m_frames{0};
    std::atomic<int> m_finishes{0};
    std::atomic<int> m_durationMs{-1};
    std::atomic<int> m_durations{0};
    std::atomic<int> m_starts{0};
    std::atomic<int> m_returns{0};
    std::vector<PictureFormat> m_formats; // guarded by m_mutex
    std::vector<int> m_formatAtPicture;   // guarded by m_mutex
    std::vector<int> m_positions;         // guarded by m_mutex
    QStringList m_messages;               // guarded by m_mutex
    QByteArray m_lastPicture;             // guarded by m_mutex
    uint m_lastWidth = 0;
    uint m_lastHeight = 0;
};

inline QByteArray MediaPath(const char* name)
{
    return QByteArray(VOREL_TEST_MEDIA) + '/' + name;
}
