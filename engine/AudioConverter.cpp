#include "AudioConverter.h"

#include <QDebug>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

int PcmFormat::BytesPerSecond() const
{
    return sampleRate * channels * av_get_bytes_per_sample(sampleFormat);
}

AudioConverter::~AudioConverter()
{
    av_channel_layout_uninit(&m_sourceLayout);
}

void AudioConverter::SetTarget(const PcmFormat& target)
{
    m_target = target;
    m_swrCtx.reset();
}

void AudioConverter::Reset()
{
    m_swrCtx.reset();
}

bool AudioConverter::EnsureResampler(const AVFrame& frame)
{
    AVChannelLayout layout{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels <= 0)
        av_channel_layout_default(&layout, frame.ch_layout.nb_channels > 0 ? frame.ch_layout.nb_channels : 1);
    else
        av_channel_layout_copy(&layout, &frame.ch_layout);

    if (m_swrCtx && frame.format == m_sourceFormat && frame.sample_rate == m_sourceRate &&
        av_channel_layout_compare(&layout, &m_sourceLayout) == 0) {
        av_channel_layout_uninit(&layout);
        return true;
    }
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, m_target.channels);
    SwrContext* swr = nullptr;
    int ret = swr_alloc_set_opts2(&swr, &outLayout, m_target.sampleFormat, m_target.sampleRate, &layout,
                                  static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&outLayout);
    m_swrCtx.reset(swr);
    if (ret >= 0)
        ret = swr_init(swr);
    av_channel_layout_uninit(&m_sourceLayout);
    m_sourceLayout = layout;
    m_sourceRate = frame.sample_rate;
    m_sourceFormat = frame.format;
    if (ret < 0) {
        qDebug() << __LINE__ << "AudioConverter::EnsureResampler" << "swr_init failed" << ret;
        m_swrCtx.reset();
        return false;
    }
    return true;
}

bool AudioConverter::Convert(const AVFrame& frame, QByteArray& out)
{
    if (m_target.sampleRate <= 0 || m_target.channels <= 0 || frame.nb_samples <= 0)
        return false;
    if (!EnsureResampler(frame))
        return false;
    const int capacity = swr_get_out_samples(m_swrCtx.get(), frame.nb_samples);
    const int bytesPerFrame = av_get_bytes_per_sample(m_target.sampleFormat) * m_target.channels;
    if (capacity <= 0 || bytesPerFrame <= 0)
        return false;
    m_scratch.resize(capacity * bytesPerFrame);
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(m_scratch.data())};
    const int samples = swr_convert(m_swrCtx.get(), outPlanes, capacity,
                                    const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    if (samples <= 0)
        return false;
    out.append(m_scratch.constData(), samples * bytesPerFrame);
    return true;
}
