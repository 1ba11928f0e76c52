#pragma once
// Records what one engine reports, for the engine tests. Picture callbacks
// run on the engine's presenter thread (direct connection, as the player
// wires them); counters are atomics or guarded by m_mutex.

#include "PlaySpliterSystem.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <mutex>
#include <mutex>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>
#include <vector>

class EngineProbe {
public:
    explicit EngineProbe(PlaySpliterSystem& engine) : m_engine(engine)
    {
        QObject::connect(&engine, &PlaySpliterSystem::sigYuv, &engine,
                         [this](uchar* p, uint w, uint h, int size) {
                             std::lock_guard<std::mutex> lock(m_mutex);
                             m_lastPicture = QByteArray(reinterpret_cast<const char*>(p), size);
                             m_lastWidth = w;
                             m_lastHeight = h;
                             ++m_frames;
                         },
                         Qt::DirectConnection);
        QObject::connect(&engine, &PlaySpliterSystem::sigSetLengthing, &engine,
                         [this](int ms) {
                             std::lock_guard<std::mutex> lock(m_mutex);
                             m_positions.push_back(ms);
                         },
                         Qt::DirectConnection);
        QObject::connect(&engine, &PlaySpliterSystem::sigSetSliderLength, &engine,
                         [this](int ms) { m_durationMs = ms; }, Qt::DirectConnection);
        QObject::connect(&engine, &PlaySpliterSystem::sigPlayFinish, &engine, [this] { ++m_finishes; },
                         Qt::DirectConnection);
        QObject::connect(&engine, &PlaySpliterSystem::sigSendMessage, &engine,
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
        m_returned = false;
        QMetaObject::invokeMethod(&m_engine, "StartSpliter", Qt::QueuedConnection,
                                  Q_ARG(const char*, m_path.constData()));
        // Runs on the engine thread once StartSpliter has returned.
        QMetaObject::invokeMethod(&m_engine, [this] { m_returned = true; }, Qt::QueuedConnection);
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
    bool WaitReturned(int ms = 30000) { return WaitFor([this] { return m_returned.load(); }, ms); }

    void Reset()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames = 0;
        m_finishes = 0;
        m_durationMs = -1;
        m_positions.clear();
        m_messages.clear();
    }
    int frames() const { return m_frames; }
    int finishes() const { return m_finishes; }
    int durationMs() const { return m_durationMs; }
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
    std::atomic<bool> m_returned{false};
    std::vector<int> m_positions; // guarded by m_mutex
    QStringList m_messages;       // guarded by m_mutex
    QByteArray m_lastPicture;     // guarded by m_mutex
    uint m_lastWidth = 0;
    uint m_lastHeight = 0;
};

inline QByteArray MediaPath(const char* name)
{
    return QByteArray(VOREL_TEST_MEDIA) + '/' + name;
}
