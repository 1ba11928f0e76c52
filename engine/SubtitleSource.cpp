#include "SubtitleSource.h"

#include "SubtitleCharset.h"
#include "TrackList.h"

#include <QDebug>
#include <QFile>

namespace
{
// Character sets the text demuxers turn into UTF-8 themselves.
bool DemuxerConverts(const QByteArray& charset)
{
    return charset.isEmpty() || charset == "UTF-8" || charset.startsWith("UTF-16");
}

qint64 PacketMs(const AVPacket& packet, const AVStream& stream)
{
    const int64_t ts = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
    if (ts == AV_NOPTS_VALUE)
        return 0;
    return av_rescale_q(ts, stream.time_base, AVRational{1, 1000});
}
} // namespace

SubtitleTrackStart SubtitleSource::Select(const AVFormatContext& format,
                                          const MediaTrackList& tracks, int id, QSize videoSize,
                                          const Sink& sink)
{
    m_decoder.Close();
    m_streamIndex = -1;
    m_trackId = 0;
    m_isFile = false;
    const MediaTrack* track = TrackList::Find(tracks, TrackKind::Subtitle, id);
    if (!track)
        return {};
    if (!track->externalPath.isEmpty()) {
        if (!ReadFile(track->externalPath, videoSize, sink))
            return {};
        m_isFile = true;
    } else {
        const int stream = TrackList::StreamOf(format, TrackKind::Subtitle, id);
        if (stream < 0 || !m_decoder.Open(*format.streams[stream], {}, videoSize))
            return {};
        m_streamIndex = stream;
    }
    m_trackId = id;
    return SubtitleTrackStart{id, m_decoder.IsBitmap(), m_decoder.AssHeader()};
}

// Reads a subtitle file whole: its character set is told from its bytes,
// then FFmpeg's demuxer and decoder for its kind turn it into events.
bool SubtitleSource::ReadFile(const QString& path, QSize videoSize, const Sink& sink)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) {
        qWarning() << __LINE__ << "subtitle file skipped (unreadable or over 32 MiB):" << path;
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (!SubtitleCharset::LooksLikeText(bytes)) {
        qWarning() << __LINE__ << "subtitle file skipped (not text):" << path;
        return false;
    }
    QByteArray charset = SubtitleCharset::Detect(bytes);
    if (charset.isEmpty())
        qWarning() << __LINE__ << "subtitle file's character set unknown, read as UTF-8:" << path;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) != 0) {
        qWarning() << __LINE__ << "subtitle file not understood:" << path;
        return false;
    }
    ffmpeg::FormatContextPtr input(raw);
    const int stream = av_find_best_stream(raw, AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
    if (stream < 0 || !m_decoder.Open(*raw->streams[stream],
                                      DemuxerConverts(charset) ? QByteArray() : charset,
                                      videoSize)) {
        qWarning() << __LINE__ << "subtitle file has no subtitles FFmpeg reads:" << path;
        return false;
    }
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    SubtitleEvent event;
    while (av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == stream &&
            m_decoder.Decode(packet.get(), PacketMs(*packet, *raw->streams[stream]), &event))
            sink(event);
        av_packet_unref(packet.get());
    }
    return true;
}

void SubtitleSource::Decode(AVPacket* packet, qint64 packetMs, const Sink& sink)
{
    SubtitleEvent event;
    if (m_decoder.Decode(packet, packetMs, &event))
        sink(event);
}

void SubtitleSource::Flush()
{
    if (!m_isFile)
        m_decoder.Flush();
}
