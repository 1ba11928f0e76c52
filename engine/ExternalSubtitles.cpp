#include "ExternalSubtitles.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace
{

const QStringList kSubtitleSuffixes = {"srt", "ass", "ssa", "vtt"};

enum class NameMatch {
    None,
    Exact,    // clip.srt
    Language, // clip.en.srt
};

// How a subtitle file name belongs to the video `video`; the language part
// goes to *language. A name that repeats the video's suffix (clip.mkv.srt)
// is named after the whole file name, not a language.
NameMatch MatchOf(const QString& fileName, const QFileInfo& video, QString* language)
{
    const QString videoBase = video.completeBaseName();
    const int lastDot = fileName.lastIndexOf('.');
    if (lastDot <= 0)
        return NameMatch::None;
    if (!kSubtitleSuffixes.contains(fileName.mid(lastDot + 1), Qt::CaseInsensitive))
        return NameMatch::None;
    const QString stem = fileName.left(lastDot);
    if (stem == videoBase)
        return NameMatch::Exact;
    const QString prefix = videoBase + '.';
    if (!stem.startsWith(prefix))
        return NameMatch::None;
    const QString part = stem.mid(prefix.size());
    if (part.isEmpty() || part.contains('.'))
        return NameMatch::None;
    if (part == video.suffix())
        return NameMatch::Exact;
    if (language)
        *language = part;
    return NameMatch::Language;
}

// Names in an order people read: letters' case aside, then by case so that
// the order is total.
bool NameLess(const QString& a, const QString& b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

} // namespace

namespace ExternalSubtitles
{

QStringList Find(const QString& videoPath)
{
    if (videoPath.isEmpty())
        return QStringList();
    const QFileInfo video(videoPath);
    const QDir folder = video.absoluteDir();
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::Readable);
    QStringList exact;
    QStringList withLanguage;
    for (const QString& name : names) {
        if (name == video.fileName())
            continue;
        switch (MatchOf(name, video, nullptr)) {
        case NameMatch::Exact:
            exact.append(name);
            break;
        case NameMatch::Language:
            withLanguage.append(name);
            break;
        case NameMatch::None:
            break;
        }
    }
    std::sort(exact.begin(), exact.end(), NameLess);
    std::sort(withLanguage.begin(), withLanguage.end(), NameLess);
    QStringList paths;
    for (const QString& name : exact + withLanguage)
        paths.append(folder.absoluteFilePath(name));
    return paths;
}

QString LanguageOf(const QString& subtitlePath, const QString& videoPath)
{
    QString language;
    MatchOf(QFileInfo(subtitlePath).fileName(), QFileInfo(videoPath), &language);
    return language;
}

} // namespace ExternalSubtitles
