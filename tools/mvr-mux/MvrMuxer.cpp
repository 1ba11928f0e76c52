#include "MvrMuxer.h"

#include <algorithm>

extern "C" {
#include <libavutil/mathematics.h>
}

bool MvrMuxer::run(const MuxSettings& settings)
{
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_frame || !m_packet) {
        return fail(QStringLiteral("out of memory"));
    }
    if (!openInput(settings.inputPath) || !openEncoders(settings)) {
        return false;
    }
    if (!m_writer.open(settings.outputPath)) {
        return fail(m_writer.errorString());
    }
    if (!settings.h264OutputPath.isEmpty()) {
        m_h264Output = std::make_unique<QSaveFile>(settings.h264OutputPath);
        if (!m_h264Output->open(QIODevice::WriteOnly)) {
            return fail(QStringLiteral("cannot write %1").arg(settings.h264OutputPath));
        }
    }
    if (!readAll() || !flushAll()) {
        return false;
    }
    const int durationMs = std::max(m_videoEndMs, m_audioEndMs);
    if (!m_writer.finish(m_widthPixels, m_heightPixels, durationMs)) {
        return fail(m_writer.errorString());
    }
    if (m_h264Output && !m_h264Output->commit()) {
        return fail(QStringLiteral("cannot finish %1").arg(settings.h264OutputPath));
    }
    return true;
}

bool MvrMuxer::openInput(const QString& path)
{
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        return fail(QStringLiteral("cannot open %1").arg(path));
    }
    m_input.reset(input);
    if (avformat_find_stream_info(input, nullptr) < 0) {
        return fail(QStringLiteral("no stream information in %1").arg(path));
    }
    m_startMs = input->start_time == AV_NOPTS_VALUE ? 0 : av_rescale(input->start_time, 1000, AV_TIME_BASE);
    if (!openDecoder(AVMEDIA_TYPE_VIDEO, &m_video)) {
        return false;
    }
    if (av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0) {
        return openDecoder(AVMEDIA_TYPE_AUDIO, &m_audio);
    }
    return true;
}

bool MvrMuxer::openDecoder(AVMediaType type, InputStream* stream)
{
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(m_input.get(), type, -1, -1, &codec, 0);
    const char* kind = type == AVMEDIA_TYPE_VIDEO ? "video" : "audio";
    if (index < 0 || codec == nullptr) {
        return fail(QStringLiteral("no decodable %1 stream").arg(QLatin1String(kind)));
    }
    stream->index = index;
    stream->decoder.reset(avcodec_alloc_context3(codec));
    if (!stream->decoder
        || avcodec_parameters_to_context(stream->decoder.get(), m_input->streams[index]->codecpar) < 0
        || avcodec_open2(stream->decoder.get(), codec, nullptr) < 0) {
        return fail(QStringLiteral("cannot open the %1 decoder").arg(QLatin1String(kind)));
    }
    stream->decoder->pkt_timebase = m_input->streams[index]->time_base;
    return true;
}

bool MvrMuxer::openEncoders(const MuxSettings& settings)
{
    AVStream* stream = m_input->streams[m_video.index];
    // YUV420P with libx264 needs even sizes.
    m_widthPixels = (settings.widthPixels > 0 ? settings.widthPixels : m_video.decoder->width) & ~1;
    m_heightPixels = (settings.heightPixels > 0 ? settings.heightPixels : m_video.decoder->height) & ~1;
    if (m_widthPixels <= 0 || m_heightPixels <= 0) {
        return fail(QStringLiteral("the video has no usable picture size"));
    }
    VideoEncoder::Settings video;
    video.widthPixels = m_widthPixels;
    video.heightPixels = m_heightPixels;
    video.gopFrames = settings.gopFrames;
    const AVRational rate = av_guess_frame_rate(m_input.get(), stream, nullptr);
    if (rate.num > 0 && rate.den > 0) {
        video.frameRate = rate;
    }
    m_frameIntervalMs = std::max(1, int(av_rescale(1000, video.frameRate.den, video.frameRate.num)));
    if (!m_videoEncoder.open(video)) {
        return fail(m_videoEncoder.errorString());
    }
    if (m_audio.decoder && !m_audioEncoder.open()) {
        return fail(m_audioEncoder.errorString());
    }
    return true;
}

bool MvrMuxer::readAll()
{
    for (;;) {
        const int read = av_read_frame(m_input.get(), m_packet.get());
        if (read == AVERROR_EOF) {
            return true;
        }
        if (read < 0) {
            return fail(QStringLiteral("reading the input failed"));
        }
        bool decoded = true;
        if (m_packet->stream_index == m_video.index) {
            decoded = decodePacket(m_video, m_packet.get());
        } else if (m_audio.decoder && m_packet->stream_index == m_audio.index) {
            decoded = decodePacket(m_audio, m_packet.get());
        }
        av_packet_unref(m_packet.get());
        if (!decoded) {
            return false;
        }
    }
}

bool MvrMuxer::decodePacket(InputStream& stream, const AVPacket* packet)
{
    // A packet the decoder rejects is skipped, as a player would.
    if (avcodec_send_packet(stream.decoder.get(), packet) < 0 && packet != nullptr) {
        return true;
    }
    for (;;) {
        const int received = avcodec_receive_frame(stream.decoder.get(), m_frame.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return true;
        }
        if (received < 0) {
            return true;
        }
        const bool taken = takeFrame(stream);
        av_frame_unref(m_frame.get());
        if (!taken) {
            return false;
        }
    }
}

bool MvrMuxer::takeFrame(const InputStream& stream)
{
    const int frameMs = timestampMs(stream, m_frame->best_effort_timestamp);
    if (&stream == &m_video) {
        if (!m_videoEncoder.encode(*m_frame, frameMs, [this](const AVPacket& p) { return writeVideo(p); })) {
            return fail(m_error.isEmpty() ? m_videoEncoder.errorString() : m_error);
        }
        return true;
    }
    const auto sink = [this](int ms, const std::uint8_t* data, int size) { return writeAudio(ms, data, size); };
    if (!m_audioEncoder.encode(*m_frame, frameMs, sink)) {
        return fail(m_error.isEmpty() ? m_audioEncoder.errorString() : m_error);
    }
    return true;
}

bool MvrMuxer::flushAll()
{
    if (!decodePacket(m_video, nullptr)
        || !m_videoEncoder.flush([this](const AVPacket& p) { return writeVideo(p); })) {
        return fail(m_error.isEmpty() ? m_videoEncoder.errorString() : m_error);
    }
    if (m_audio.decoder) {
        const auto sink = [this](int ms, const std::uint8_t* data, int size) { return writeAudio(ms, data, size); };
        if (!decodePacket(m_audio, nullptr) || !m_audioEncoder.flush(sink)) {
            return fail(m_error.isEmpty() ? m_audioEncoder.errorString() : m_error);
        }
    }
    return true;
}

int MvrMuxer::timestampMs(const InputStream& stream, std::int64_t pts) const
{
    if (pts == AV_NOPTS_VALUE) {
        return 0;
    }
    const AVRational timeBase = m_input->streams[stream.index]->time_base;
    const std::int64_t ms = av_rescale_q(pts, timeBase, AVRational{1, 1000}) - m_startMs;
    return int(std::max<std::int64_t>(ms, 0));
}

bool MvrMuxer::writeVideo(const AVPacket& packet)
{
    const bool key = (packet.flags & AV_PKT_FLAG_KEY) != 0;
    const int ms = int(packet.pts);
    if (!m_writer.writeRecord(key ? kMvrRecordVideoKey : kMvrRecordVideo, ms, packet.data,
            std::uint32_t(packet.size), key ? MvrIndexing::kIndexed : MvrIndexing::kNotIndexed)) {
        return fail(m_writer.errorString());
    }
    if (m_h264Output && m_h264Output->write(reinterpret_cast<const char*>(packet.data), packet.size) != packet.size) {
        return fail(QStringLiteral("cannot write the H.264 stream: %1").arg(m_h264Output->errorString()));
    }
    m_videoEndMs = std::max(m_videoEndMs, ms + m_frameIntervalMs);
    return true;
}

bool MvrMuxer::writeAudio(int timestampMs, const std::uint8_t* data, int sizeBytes)
{
    if (!m_writer.writeRecord(kMvrRecordAudio, timestampMs, data, std::uint32_t(sizeBytes),
            MvrIndexing::kNotIndexed)) {
        return fail(m_writer.errorString());
    }
    const int chunkMs = int(std::int64_t(sizeBytes) * 1000 / kMvrAudioSampleRateHz);
    m_audioEndMs = std::max(m_audioEndMs, timestampMs + chunkMs);
    return true;
}

QString MvrMuxer::errorString() const
{
    return m_error;
}

bool MvrMuxer::fail(const QString& message)
{
    m_error = message;
    return false;
}
