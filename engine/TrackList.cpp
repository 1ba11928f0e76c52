#include "TrackList.h"

#include <QFileInfo>
#include <QHash>

namespace
{
TrackKind KindOf(AVMediaType type, bool* known)
{
    *known = type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_SUBTITLE;
    return type == AVMEDIA_TYPE_AUDIO ? TrackKind::Audio : TrackKind::Subtitle;
}

QString Tag(const AVStream& stream, const char* key)
{
    const AVDictionaryEntry* entry = av_dict_get(stream.metadata, key, nullptr, 0);
    return entry ? QString::fromUtf8(entry->value) : QString();
}

MediaTrack TrackOf(const AVStream& stream, TrackKind kind, int id)
{
    MediaTrack track;
    track.kind = kind;
    track.id = id;
    track.language = Tag(stream, "language");
    if (track.language == QLatin1String("und"))
        track.language.clear();
    track.title = Tag(stream, "title");
    track.codec = QString::fromLatin1(avcodec_get_name(stream.codecpar->codec_id));
    track.isDefault = stream.disposition & AV_DISPOSITION_DEFAULT;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(stream.codecpar->codec_id);
    track.isBitmap = descriptor && (descriptor->props & AV_CODEC_PROP_BITMAP_SUB);
    return track;
}

// "clip.en.srt" beside "clip.mp4" is in English.
QString FileLanguage(const QString& path)
{
    const QStringList parts = QFileInfo(path).completeBaseName().split(QLatin1Char('.'));
    if (parts.size() < 2)
        return {};
    const QString last = parts.last();
    return last.size() >= 2 && last.size() <= 8 ? last : QString();
}

// ISO 639-1 and -2 codes and regional forms name one language alike:
// "en" and "eng", "zh", "chi", "zho" and "zh-CN".
QString Normalised(const QString& language)
{
    static const QHash<QString, QString> kTwoLetter = {
        {QStringLiteral("eng"), QStringLiteral("en")}, {QStringLiteral("chi"), QStringLiteral("zh")},
        {QStringLiteral("zho"), QStringLiteral("zh")}, {QStringLiteral("fre"), QStringLiteral("fr")},
        {QStringLiteral("fra"), QStringLiteral("fr")}, {QStringLiteral("ger"), QStringLiteral("de")},
        {QStringLiteral("deu"), QStringLiteral("de")}, {QStringLiteral("jpn"), QStringLiteral("ja")},
        {QStringLiteral("kor"), QStringLiteral("ko")}, {QStringLiteral("spa"), QStringLiteral("es")},
        {QStringLiteral("rus"), QStringLiteral("ru")}, {QStringLiteral("ita"), QStringLiteral("it")},
        {QStringLiteral("por"), QStringLiteral("pt")}};
    const QString base = language.toLower().section(QLatin1Char('-'), 0, 0).section('_', 0, 0);
    return kTwoLetter.value(base, base);
}

bool SameLanguage(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() && Normalised(a) == Normalised(b);
}
} // namespace

MediaTrackList TrackList::Describe(const AVFormatContext& format, const QStringList& subtitleFiles)
{
    MediaTrackList tracks;
    int audio = 0;
    int subtitles = 0;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVStream& stream = *format.streams[i];
        bool known = false;
        const TrackKind kind = KindOf(stream.codecpar->codec_type, &known);
        if (known)
            tracks.append(TrackOf(stream, kind, kind == TrackKind::Audio ? ++audio : ++subtitles));
    }
    for (const QString& path : subtitleFiles) {
        MediaTrack track;
        track.kind = TrackKind::Subtitle;
        track.id = ++subtitles;
        track.language = FileLanguage(path);
        track.title = QFileInfo(path).fileName();
        track.codec = QFileInfo(path).suffix().toLower();
        track.externalPath = path;
        tracks.append(track);
    }
    return tracks;
}

int TrackList::StreamOf(const AVFormatContext& format, TrackKind kind, int id)
{
    const AVMediaType wanted = kind == TrackKind::Audio ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_SUBTITLE;
    int seen = 0;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        if (format.streams[i]->codecpar->codec_type == wanted && ++seen == id)
            return static_cast<int>(i);
    }
    return -1;
}

const MediaTrack* TrackList::Find(const MediaTrackList& tracks, TrackKind kind, int id)
{
    for (const MediaTrack& track : tracks) {
        if (track.kind == kind && track.id == id)
            return &track;
    }
    return nullptr;
}

int TrackList::AutomaticSubtitle(const MediaTrackList& tracks, const QString& language)
{
    const MediaTrack* external = nullptr;
    const MediaTrack* inLanguage = nullptr;
    const MediaTrack* byDefault = nullptr;
    for (const MediaTrack& track : tracks) {
        if (track.kind != TrackKind::Subtitle)
            continue;
        const bool matches = SameLanguage(track.language, language);
        if (!track.externalPath.isEmpty() && matches)
            return track.id;
        if (!track.externalPath.isEmpty() && !external)
            external = &track;
        if (matches && !inLanguage)
            inLanguage = &track;
        if (track.isDefault && track.externalPath.isEmpty() && !byDefault)
            byDefault = &track;
    }
    for (const MediaTrack* track : {inLanguage, external, byDefault}) {
        if (track)
            return track->id;
    }
    return 0;
}

int TrackList::AutomaticAudio(const MediaTrackList& tracks, const QString& language)
{
    for (const MediaTrack& track : tracks) {
        if (track.kind == TrackKind::Audio && SameLanguage(track.language, language))
            return track.id;
    }
    return 0;
}
