#pragma once
// The subtitle track of one playback. One of the file's own tracks is
// decoded as the reading thread meets its packets; a subtitle file is read
// whole when it is chosen (such files are small; one over kMaxFileBytes, or
// one that is not text, is skipped with a note in the log, and playback goes
// on without subtitles).
//
// Threads: the reading thread of the playback only.

#include "MediaTrack.h"
#include "SubtitleDecoder.h"

#include <QSize>

#include <functional>

class SubtitleSource
{
public:
    using Sink = std::function<void(const SubtitleEvent&)>;
    static constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;

    // Chooses track `id` of `tracks` (0: none) of the file `format` holds.
    // A subtitle file's events all go to `sink` before it returns. What the
    // display needs before the events is returned; its trackId is 0 when
    // the track could not be opened.
    SubtitleTrackStart Select(const AVFormatContext& format, const MediaTrackList& tracks, int id,
                              QSize videoSize, const Sink& sink);
    // The stream whose packets go to Decode; -1 for none or a file.
    int StreamIndex() const { return m_streamIndex; }
    int TrackId() const { return m_trackId; }
    bool IsFile() const { return m_isFile; }
    // A packet of StreamIndex(), at `packetMs` from the file's start.
    void Decode(AVPacket* packet, qint64 packetMs, const Sink& sink);
    // After a seek of the file.
    void Flush();

private:
    bool ReadFile(const QString& path, QSize videoSize, const Sink& sink);

    SubtitleDecoder m_decoder;
    int m_streamIndex = -1;
    int m_trackId = 0;
    bool m_isFile = false;
};
