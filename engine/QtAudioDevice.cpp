#include "QtAudioDevice.h"

#include <QAudioDeviceInfo>
#include <QAudioOutput>
#include <QDebug>

std::unique_ptr<QtAudioDevice> QtAudioDevice::Open(const QAudioFormat& requested, qint64 bufferUs,
                                                   double volume)
{
    QAudioFormat format = requested;
    const QAudioDeviceInfo info = QAudioDeviceInfo::defaultOutputDevice();
    if (!info.isNull() && !info.isFormatSupported(format))
        format = info.nearestFormat(format);
    std::unique_ptr<QtAudioDevice> device(new QtAudioDevice);
    device->m_format = format;
    device->m_output = std::make_unique<QAudioOutput>(format);
    device->m_output->setBufferSize(format.bytesForDuration(bufferUs));
    device->m_output->setVolume(volume);
    device->m_device = device->m_output->start();
    device->m_periodSize = device->m_output->periodSize();
    if (!device->m_device) {
        qDebug() << __LINE__ << "QtAudioDevice::Open"
                 << "output did not start" << device->m_output->error();
        return nullptr;
    }
    return device;
}

QtAudioDevice::~QtAudioDevice()
{
    if (m_output)
        m_output->stop();
}

qint64 QtAudioDevice::BytesFree()
{
    return m_output->bytesFree();
}

qint64 QtAudioDevice::Write(const char* data, qint64 size)
{
    return m_device->write(data, size);
}

qint64 QtAudioDevice::LatencyUs()
{
    const int buffered = m_output->bufferSize() - m_output->bytesFree();
    return buffered > 0 ? m_format.durationForBytes(buffered) : 0;
}

qint64 QtAudioDevice::PeriodUs() const
{
    return m_format.durationForBytes(m_periodSize);
}

void QtAudioDevice::SetVolume(double volume)
{
    m_output->setVolume(volume);
}

void QtAudioDevice::SetPaused(SinkPause pause)
{
    if (pause == SinkPause::Paused)
        m_output->suspend();
    else
        m_output->resume();
}
