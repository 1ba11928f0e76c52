#include "XAudioPlay.h"

#include "EngineLog.h"

#include <QAudioFormat>
#include <QAudioOutput>
#include <QDebug>
#include <QMutexLocker>

#include <algorithm>

XAudioPlay::~XAudioPlay()
{
    Close();
}

bool XAudioPlay::Open()
{
    Close();
    QMutexLocker lock(&m_mutex);
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setSampleSize(sampleSize);
    format.setChannelCount(channel);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleType(QAudioFormat::UnSignedInt);
    m_output = std::make_unique<QAudioOutput>(format);
    m_device = m_output->start();
    m_periodSize = m_output->periodSize();
    return true;
}

void XAudioPlay::SetPause(bool play)
{
    QMutexLocker lock(&m_mutex);
    if (!m_output)
        return;
    if (play)
        m_output->resume();
    else
        m_output->suspend();
}

bool XAudioPlay::Write(const char* data, int size)
{
    QMutexLocker lock(&m_mutex);
    if (data && size > 0)
        m_pending.append(data, size);
    qCDebug(lcEngineFrames) << __LINE__ << "XAudioPlay::Write" << size << m_pending.size() << m_periodSize;
    if (m_device && m_pending.size() >= m_periodSize) {
        m_device->write(m_pending);
        m_pending.clear();
    }
    return true;
}

void XAudioPlay::Close()
{
    QMutexLocker lock(&m_mutex);
    CloseLocked();
}

void XAudioPlay::CloseLocked()
{
    if (!m_output)
        return;
    m_output->stop();
    m_output.reset();
    m_device = nullptr;
}

int XAudioPlay::GetFree()
{
    QMutexLocker lock(&m_mutex);
    return m_output ? m_output->bytesFree() : 0;
}

void XAudioPlay::SetVolume(int volume)
{
    QMutexLocker lock(&m_mutex);
    if (m_output)
        m_output->setVolume(std::clamp(volume, 0, 100) / 100.0);
}
