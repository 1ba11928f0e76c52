#include "AudioTempo.h"

#include <QDebug>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

bool AudioTempo::Configure(int sampleRate, int channels, AVSampleFormat format, double tempo)
{
    Reset();
    m_tempo = tempo;
    m_sampleRate = sampleRate;
    m_channels = channels;
    m_format = format;
    if (tempo == 1.0 || sampleRate <= 0 || channels <= 0)
        return true;

    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    char layoutName[64] = {};
    av_channel_layout_describe(&layout, layoutName, sizeof layoutName);
    av_channel_layout_uninit(&layout);

    ffmpeg::FilterGraphPtr graph(avfilter_graph_alloc());
    const QByteArray srcArgs = QStringLiteral("sample_rate=%1:sample_fmt=%2:channel_layout=%3:time_base=1/%1")
                                   .arg(sampleRate)
                                   .arg(QString::fromLatin1(av_get_sample_fmt_name(format)))
                                   .arg(QString::fromLatin1(layoutName))
                                   .toLatin1();
    const QByteArray tempoArgs = QByteArray::number(tempo, 'f', 4);
    AVFilterContext *src = nullptr, *atempo = nullptr, *sink = nullptr;
    const bool built =
        graph &&
        avfilter_graph_create_filter(&src, avfilter_get_by_name("abuffer"), "in", srcArgs.constData(),
                                     nullptr, graph.get()) >= 0 &&
        avfilter_graph_create_filter(&atempo, avfilter_get_by_name("atempo"), "tempo",
                                     tempoArgs.constData(), nullptr, graph.get()) >= 0 &&
        avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out", nullptr,
                                     nullptr, graph.get()) >= 0;
    const AVSampleFormat sinkFormats[] = {format, AV_SAMPLE_FMT_NONE};
    if (!built ||
        av_opt_set_int_list(sink, "sample_fmts", sinkFormats, AV_SAMPLE_FMT_NONE,
                            AV_OPT_SEARCH_CHILDREN) < 0 ||
        avfilter_link(src, 0, atempo, 0) < 0 || avfilter_link(atempo, 0, sink, 0) < 0 ||
        avfilter_graph_config(graph.get(), nullptr) < 0) {
        qDebug() << __LINE__ << "AudioTempo::Configure" << "atempo unavailable" << tempo;
        return false;
    }
    m_graph = std::move(graph);
    m_source = src;
    m_sink = sink;
    return true;
}

void AudioTempo::Reset()
{
    m_graph.reset();
    m_source = m_sink = nullptr;
    m_nextPts = 0;
}

void AudioTempo::Process(const uint8_t* data, int samples, QByteArray& out)
{
    const int bytesPerFrame = av_get_bytes_per_sample(m_format) * m_channels;
    if (!m_graph) {
        out.append(reinterpret_cast<const char*>(data), samples * bytesPerFrame);
        return;
    }
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
    frame->format = m_format;
    frame->sample_rate = m_sampleRate;
    frame->nb_samples = samples;
    av_channel_layout_default(&frame->ch_layout, m_channels);
    frame->pts = m_nextPts;
    m_nextPts += samples;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return;
    memcpy(frame->data[0], data, static_cast<size_t>(samples) * bytesPerFrame);
    if (av_buffersrc_add_frame(m_source, frame.get()) < 0)
        return;
    Drain(out);
}

void AudioTempo::Drain(QByteArray& out)
{
    ffmpeg::FramePtr filtered = ffmpeg::MakeFrame();
    const int bytesPerFrame = av_get_bytes_per_sample(m_format) * m_channels;
    while (av_buffersink_get_frame(m_sink, filtered.get()) >= 0) {
        out.append(reinterpret_cast<const char*>(filtered->data[0]),
                   filtered->nb_samples * bytesPerFrame);
        av_frame_unref(filtered.get());
    }
}
