#pragma once
// Interface of a buffered PCM player: opened for one format, written in
// chunks of any size. The engine keeps one (XAudioPlay) beside its sink.

#include <QObject>

class AudioPlay : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioPlay() override = default;

    int sampleRate = 48000;
    int sampleSize = 16; // bits
    int channel = 2;

public Q_SLOTS:
    virtual bool Open() = 0;
    // true resumes, false suspends
    virtual void SetPause(bool play) = 0;
    virtual bool Write(const char* data, int size) = 0;
    virtual void Close() = 0;
    // bytes the device can take now; 0 without an output
    virtual int GetFree() = 0;
    virtual void SetVolume(int volume) = 0;
};
