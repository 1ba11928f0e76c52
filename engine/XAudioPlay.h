#pragma once
// QAudioOutput-backed AudioPlay that gathers small writes until a whole
// device period is pending. All members are guarded by m_mutex; every
// operation may be called from any one thread at a time per call.

#include "AudioPlay.h"

#include <QByteArray>
#include <QMutex>

#include <memory>

#include <QAudioOutput>
class QIODevice;

class XAudioPlay : public AudioPlay {
    Q_OBJECT
public:
    using AudioPlay::AudioPlay;
    ~XAudioPlay() override;

    bool Open() override;
    void SetPause(bool play) override;
    bool Write(const char* data, int size) override;
    void Close() override;
    int GetFree() override;
    // 0 to 100
    void SetVolume(int volume) override;

private:
    void CloseLocked();

    std::unique_ptr<QAudioOutput> m_output;
    QIODevice* m_device = nullptr; // owned by m_output
    QMutex m_mutex;
    int m_periodSize = 0;
    QByteArray m_pending;
};
