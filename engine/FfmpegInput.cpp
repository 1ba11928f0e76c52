#include "FfmpegInput.h"

#include "EngineLog.h"
#include "TrackList.h"

#include <QDebug>

namespace
{
// FFmpeg 4's id of the HEVC decoder, tried for AVI files whose video codec
// has no decoder of its own (cameras that label HEVC with another tag).
constexpr AVCodecID kAviFallbackCodec = AV_CODEC_ID_HEVC;
} // namespace

int FfmpegInput::OnInterrupt(void* opaque)
{
    const auto* self = static_cast<const FfmpegInput*>(opaque);
    return self->m_interrupt && self->m_interrupt() ? 1 : 0;
}

OpenStatus FfmpegInput::Open(const char* path, const QByteArray& suffix,
                             const std::function<void()>& onProbed, Interrupt interrupt)
{
    Close();
    m_interrupt = std::move(interrupt);
    AVFormatContext* raw = avformat_alloc_context();
    if (raw) {
        raw->interrupt_callback.callback = &FfmpegInput::OnInterrupt;
        raw->interrupt_callback.opaque = this;
    }
    // avformat_open_input frees the context itself when it fails.
    if (!path || !raw || avformat_open_input(&raw, path, nullptr, nullptr) != 0) {
        qDebug() << __LINE__ << "avcodec_configuration failed!";
        return OpenStatus::OpenFailed;
    }
    m_formatCtx.reset(raw);
    if (avformat_find_stream_info(m_formatCtx.get(), nullptr) < 0) {
        qDebug() << __LINE__ << "avformat_find_stream_info failed!";
        return OpenStatus::StreamInfoFailed;
    }
    if (onProbed)
        onProbed();
    if (lcEngineFrames().isDebugEnabled())
        av_dump_format(m_formatCtx.get(), 0, path, 0);
    m_videoIndex = av_find_best_stream(m_formatCtx.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    m_videoIndex = qMax(m_videoIndex, -1);
    m_audioIndex = qMax(ChosenAudioStream(), -1);
    if (m_videoIndex < 0 && m_audioIndex < 0) {
        qDebug() << __LINE__ << "avcodec_find_decoder failed!"
                 << "no picture or sound stream";
        return OpenStatus::NoVideoDecoder;
    }
    if (m_videoIndex >= 0 && !OpenVideoDecoder(suffix))
        return m_videoCtx ? OpenStatus::VideoDecoderOpenFailed : OpenStatus::NoVideoDecoder;
    if (AVStream* stream = videoStream()) {
        const AVRational rate = av_guess_frame_rate(m_formatCtx.get(), stream, nullptr);
        m_frameStepMs =
            rate.num > 0 && rate.den > 0 ? qMax<qint64>(1, 1000LL * rate.den / rate.num) : 40;
        m_videoInfo = PictureDescription::ReadStream(*stream);
    }
    m_frame = ffmpeg::MakeFrame();
    m_audioFrame = ffmpeg::MakeFrame();
    if (m_audioIndex >= 0)
        MakeAudioContext();
    return OpenStatus::Ok;
}

void FfmpegInput::SetAudioChoice(int id, const QString& language)
{
    m_audioChoiceId = id;
    m_audioLanguage = language;
}

int FfmpegInput::ChosenAudioStream() const
{
    const AVFormatContext& format = *m_formatCtx;
    int id = m_audioChoiceId;
    if (id <= 0 || TrackList::StreamOf(format, TrackKind::Audio, id) < 0)
        id = TrackList::AutomaticAudio(TrackList::Describe(format, {}), m_audioLanguage);
    const int chosen = id > 0 ? TrackList::StreamOf(format, TrackKind::Audio, id) : -1;
    if (chosen >= 0)
        return chosen;
    return av_find_best_stream(m_formatCtx.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
}

// The audio decoder's context for the sound stream chosen; opened at its
// first packet (EnsureAudioDecoder).
void FfmpegInput::MakeAudioContext()
{
    const int index = m_audioIndex;
    m_audioCtx.reset(avcodec_alloc_context3(nullptr));
    avcodec_parameters_to_context(m_audioCtx.get(), m_formatCtx->streams[index]->codecpar);
    m_audioCtx->pkt_timebase = m_formatCtx->streams[index]->time_base;
    m_audioCtxStream = index;
    m_audioOpened = false;
}

bool FfmpegInput::SwitchAudio(int id)
{
    const int index = m_formatCtx ? TrackList::StreamOf(*m_formatCtx, TrackKind::Audio, id) : -1;
    if (index < 0 || index == m_audioIndex || m_audioIndex < 0)
        return false;
    m_audioIndex = index;
    return true;
}

bool FfmpegInput::VideoIsCoverArt() const
{
    const AVStream* stream = videoStream();
    return stream && (stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

ffmpeg::PacketPtr FfmpegInput::CoverArtPacket() const
{
    if (!VideoIsCoverArt())
        return nullptr;
    return ffmpeg::PacketPtr(av_packet_clone(&videoStream()->attached_pic));
}

AVStream* FfmpegInput::videoStream() const
{
    return m_formatCtx && m_videoIndex >= 0 ? m_formatCtx->streams[m_videoIndex] : nullptr;
}

AVStream* FfmpegInput::audioStream() const
{
    return m_formatCtx && m_audioIndex >= 0 ? m_formatCtx->streams[m_audioIndex] : nullptr;
}

bool FfmpegInput::OpenVideoDecoder(const QByteArray& suffix)
{
    const AVStream* stream = m_formatCtx->streams[m_videoIndex];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder && suffix == "avi")
        decoder = avcodec_find_decoder(kAviFallbackCodec);
    if (!decoder) {
        qDebug() << __LINE__ << "avcodec_find_decoder failed!";
        return false;
    }
    m_videoCtx.reset(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(m_videoCtx.get(), stream->codecpar);
    m_videoCtx->pkt_timebase = stream->time_base;
    m_videoCtx->thread_count = 0; // FFmpeg picks the thread count
    m_pictureAllocator.Attach(m_videoCtx.get());
    const int ret = avcodec_open2(m_videoCtx.get(), decoder, nullptr);
    if (ret != 0) {
        qDebug() << __LINE__ << "avcodec_open2 failed!" << ret;
        return false;
    }
    return true;
}

void FfmpegInput::Close()
{
    m_frame.reset();
    m_audioFrame.reset();
    m_videoCtx.reset();
    m_pictureAllocator.Release();
    m_audioCtx.reset();
    m_formatCtx.reset();
    m_videoIndex = -1;
    m_audioIndex = -1;
    m_audioCtxStream = -1;
    m_audioOpened = false;
    m_lastVideoPtsMs = -1;
    m_nextAudioPtsMs = -1;
    m_frameStepMs = 40;
    m_videoInfo = StreamPictureInfo();
}

qint64 FfmpegInput::DurationMs() const
{
    if (!m_formatCtx || m_formatCtx->duration == AV_NOPTS_VALUE || m_formatCtx->duration < 0)
        return 0;
    return m_formatCtx->duration / 1000;
}

int FfmpegInput::audioSampleRate() const
{
    return m_audioCtx ? m_audioCtx->sample_rate : 0;
}

int FfmpegInput::audioChannels() const
{
    return m_audioCtx ? m_audioCtx->ch_layout.nb_channels : 0;
}

ReadStatus FfmpegInput::Read(AVPacket* packet)
{
    const int ret = av_read_frame(m_formatCtx.get(), packet);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EXIT)
        return ReadStatus::Again;
    return ret < 0 ? ReadStatus::End : ReadStatus::Packet;
}

void FfmpegInput::ReceiveAll(AVCodecContext* ctx, AVFrame* frame, const FrameHandler& onFrame)
{
    while (avcodec_receive_frame(ctx, frame) >= 0) {
        onFrame(*frame);
        av_frame_unref(frame);
    }
}

void FfmpegInput::DecodeVideo(const AVPacket* packet, const FrameHandler& onFrame)
{
    int ret = avcodec_send_packet(m_videoCtx.get(), packet);
    while (ret == AVERROR(EAGAIN)) {
        // The decoder is full: take its pictures out, then hand the packet in.
        ReceiveAll(m_videoCtx.get(), m_frame.get(), onFrame);
        ret = avcodec_send_packet(m_videoCtx.get(), packet);
    }
    if (ret < 0 && ret != AVERROR_EOF)
        qCDebug(lcEngineFrames) << __LINE__ << "avcodec_decode_video2 failed!" << ret;
    ReceiveAll(m_videoCtx.get(), m_frame.get(), onFrame);
}

void FfmpegInput::SkipUnreferencedPictures(bool skip)
{
    if (m_videoCtx)
        m_videoCtx->skip_frame = skip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
}

AudioStatus FfmpegInput::EnsureAudioDecoder()
{
    if (m_audioOpened)
        return AudioStatus::Ok;
    const AVCodec* decoder = avcodec_find_decoder(m_audioCtx->codec_id);
    if (!decoder) {
        qDebug() << __LINE__ << "avcodec_find_decoder failed!";
        return AudioStatus::NoDecoder;
    }
    if (avcodec_open2(m_audioCtx.get(), decoder, nullptr) < 0) {
        qDebug() << __LINE__ << "音频帧打开解码器失败";
        return AudioStatus::DecoderOpenFailed;
    }
    m_audioOpened = true;
    return AudioStatus::Ok;
}

AudioStatus FfmpegInput::DecodeAudio(const AVPacket* packet, const FrameHandler& onFrame)
{
    if (!m_audioCtx)
        return AudioStatus::Ok;
    if (!packet && !m_audioOpened)
        return AudioStatus::Ok;
    const AudioStatus status = EnsureAudioDecoder();
    if (status != AudioStatus::Ok)
        return status;
    int ret = avcodec_send_packet(m_audioCtx.get(), packet);
    while (ret == AVERROR(EAGAIN)) {
        ReceiveAll(m_audioCtx.get(), m_audioFrame.get(), onFrame);
        ret = avcodec_send_packet(m_audioCtx.get(), packet);
    }
    if (ret == AVERROR_INVALIDDATA) {
        // One damaged packet: the stream goes on with the next one.
        qCDebug(lcEngineFrames) << __LINE__ << "音频帧接收失败" << ret;
    } else if (ret < 0 && ret != AVERROR_EOF) {
        qDebug() << __LINE__ << "音频帧发送失败" << ret;
        return AudioStatus::SendFailed;
    }
    ReceiveAll(m_audioCtx.get(), m_audioFrame.get(), onFrame);
    return AudioStatus::Ok;
}

qint64 FfmpegInput::StartUs() const
{
    return m_formatCtx && m_formatCtx->start_time != AV_NOPTS_VALUE ? m_formatCtx->start_time : 0;
}

qint64 FfmpegInput::ToMs(int64_t ts, AVRational timeBase) const
{
    const int64_t us = av_rescale_q(ts, timeBase, AVRational{1, AV_TIME_BASE}) - StartUs();
    return us / 1000;
}

qint64 FfmpegInput::VideoPtsMs(const AVFrame& frame)
{
    const AVStream* stream = m_formatCtx->streams[m_videoIndex];
    qint64 ms;
    if (frame.best_effort_timestamp != AV_NOPTS_VALUE)
        ms = ToMs(frame.best_effort_timestamp, stream->time_base);
    else
        ms = m_lastVideoPtsMs < 0 ? 0 : m_lastVideoPtsMs + FrameStepMs();
    m_lastVideoPtsMs = ms;
    return ms;
}

// Frames without a time stamp (the later frames of a packet that holds
// several) continue where the previous frame ended.
qint64 FfmpegInput::AudioPtsMs(const AVFrame& frame)
{
    qint64 ms = m_nextAudioPtsMs;
    if (frame.best_effort_timestamp != AV_NOPTS_VALUE)
        ms = ToMs(frame.best_effort_timestamp, m_audioCtx->pkt_timebase);
    if (ms >= 0 && frame.sample_rate > 0)
        m_nextAudioPtsMs = ms + 1000LL * frame.nb_samples / frame.sample_rate;
    return ms;
}

qint64 FfmpegInput::VideoPacketMs(const AVPacket& packet) const
{
    if (packet.pts == AV_NOPTS_VALUE || m_videoIndex < 0)
        return -1;
    return ToMs(packet.pts, m_formatCtx->streams[m_videoIndex]->time_base);
}

qint64 FfmpegInput::PacketMs(const AVPacket& packet) const
{
    const int64_t ts = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
    if (ts == AV_NOPTS_VALUE || !m_formatCtx || packet.stream_index < 0 ||
        packet.stream_index >= static_cast<int>(m_formatCtx->nb_streams))
        return -1;
    return ToMs(ts, m_formatCtx->streams[packet.stream_index]->time_base);
}

bool FfmpegInput::Seek(qint64 targetMs)
{
    if (!m_formatCtx)
        return false;
    const int64_t targetUs = targetMs * 1000 + StartUs();
    int ret;
    if (m_videoIndex >= 0 && !VideoIsCoverArt()) {
        const AVStream* stream = m_formatCtx->streams[m_videoIndex];
        // Rounded down: a target inside a picture's span seeks at or before it.
        const int64_t ts = av_rescale_q_rnd(targetUs, AVRational{1, AV_TIME_BASE},
                                            stream->time_base, AV_ROUND_DOWN);
        ret = av_seek_frame(m_formatCtx.get(), m_videoIndex, ts, AVSEEK_FLAG_BACKWARD);
    } else {
        ret = av_seek_frame(m_formatCtx.get(), -1, targetUs, AVSEEK_FLAG_BACKWARD);
    }
    if (ret < 0)
        qDebug() << __LINE__ << "av_seek_frame failed" << ret;
    return ret >= 0;
}

void FfmpegInput::FlushVideo()
{
    if (m_videoCtx)
        avcodec_flush_buffers(m_videoCtx.get());
    m_lastVideoPtsMs = -1;
}

void FfmpegInput::FlushAudio()
{
    if (m_audioCtx && m_audioCtxStream != m_audioIndex)
        MakeAudioContext(); // another sound track was chosen
    else if (m_audioCtx && m_audioOpened)
        avcodec_flush_buffers(m_audioCtx.get());
    m_nextAudioPtsMs = -1;
}
