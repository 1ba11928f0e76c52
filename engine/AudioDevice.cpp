#include "AudioDevice.h"

#include "QtAudioDevice.h"
#ifdef VOREL_PULSEAUDIO
#include "PulseAudioDevice_unix.h"
#endif

AudioDevice::~AudioDevice() = default;

std::unique_ptr<AudioDevice> AudioDevice::Open(const QAudioFormat& format, qint64 bufferUs,
                                               double volume)
{
#ifdef VOREL_PULSEAUDIO
    if (std::unique_ptr<AudioDevice> pulse = PulseAudioDevice::Open(format, bufferUs, volume))
        return pulse;
#endif
    return QtAudioDevice::Open(format, bufferUs, volume);
}
