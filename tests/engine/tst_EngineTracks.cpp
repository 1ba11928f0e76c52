// Tracks chosen while a file plays: another sound track goes on from where
// the playback is, in the new track's sound; another subtitle track, or a
// subtitle file loaded by the user, is announced and its subtitles follow.

#include "AudioOut.h"
#include "EngineProbe.h"
#include "PlaySpliterSystem.h"

#include <QtTest>

#include <mutex>

namespace
{
// Tracks, subtitle starts and subtitles as the engine announces them.
class TrackProbe
{
public:
    explicit TrackProbe(PlaySpliterSystem& engine)
    {
        QObject::connect(
            &engine, &PlaySpliterSystem::sigTracks, &engine,
            [this](const MediaTrackList& tracks) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_tracks = tracks;
            },
            Qt::DirectConnection);
        QObject::connect(
            &engine, &PlaySpliterSystem::sigSubtitleTrack, &engine,
            [this](const SubtitleTrackStart& start) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_starts.push_back(start);
                m_texts.clear();
            },
            Qt::DirectConnection);
        QObject::connect(
            &engine, &PlaySpliterSystem::sigSubtitle, &engine,
            [this](const SubtitleEvent& event) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_texts.append(event.assEvent);
            },
            Qt::DirectConnection);
    }
    MediaTrackList tracks()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_tracks;
    }
    int shownSubtitle()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_starts.empty() ? -1 : m_starts.back().trackId;
    }
    // The texts of the current track's subtitles, joined.
    QByteArray texts()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts.join('|');
    }

private:
    std::mutex m_mutex;
    MediaTrackList m_tracks;
    std::vector<SubtitleTrackStart> m_starts;
    QList<QByteArray> m_texts;
};

int SelectedId(const MediaTrackList& tracks, TrackKind kind)
{
    for (const MediaTrack& track : tracks)
        if (track.kind == kind && track.selected)
            return track.id;
    return 0;
}

// Sign changes per second of the first channel of 16-bit PCM: twice the
// frequency of a pure tone.
double CrossingsPerSecond(const QByteArray& pcm, const QAudioFormat& format)
{
    const int channels = format.channelCount();
    const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
    const int frames = pcm.size() / (2 * channels);
    int crossings = 0;
    for (int i = 1; i < frames; ++i)
        crossings += (samples[i * channels] >= 0) != (samples[(i - 1) * channels] >= 0);
    return frames > 0 ? crossings * double(format.sampleRate()) / frames : 0;
}
} // namespace

class EngineTracksTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tracksAreListedWithTheirLanguages();
    void soundTrackSwitchKeepsThePosition();
    void subtitleChoicesWhilePlaying();
    void subtitlesComeAgainAfterASeekBack();
};

void EngineTracksTest::tracksAreListedWithTheirLanguages()
{
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    TrackChoice choice;
    choice.audioLanguage = QStringLiteral("fr");
    choice.subtitleLanguage = QStringLiteral("zh");
    engine.SetTrackChoice(choice);
    TrackProbe tracks(engine);
    EngineProbe probe(engine);
    probe.Start(MediaPath("subs.mkv"));
    QVERIFY(probe.WaitReturned());
    const MediaTrackList list = tracks.tracks();
    QCOMPARE(list.size(), 4);
    QCOMPARE(list[0].kind, TrackKind::Audio);
    QCOMPARE(list[0].language, QStringLiteral("eng"));
    QCOMPARE(list[1].language, QStringLiteral("fre"));
    QCOMPARE(list[2].kind, TrackKind::Subtitle);
    QCOMPARE(list[2].title, QStringLiteral("Dialogue"));
    QCOMPARE(list[2].codec, QStringLiteral("subrip"));
    QCOMPARE(list[3].codec, QStringLiteral("ass"));
    // The remembered languages chose the French sound and Chinese subtitles.
    QCOMPARE(SelectedId(list, TrackKind::Audio), 2);
    QCOMPARE(SelectedId(list, TrackKind::Subtitle), 2);
    QVERIFY(tracks.texts().contains("Red at the top"));
}

void EngineTracksTest::soundTrackSwitchKeepsThePosition()
{
    PlaySpliterSystem engine;
    QByteArray pcm;
    std::mutex pcmMutex;
    engine.audioOut()->SetTap([&](const QByteArray& chunk) {
        std::lock_guard<std::mutex> lock(pcmMutex);
        pcm += chunk;
    });
    TrackProbe tracks(engine);
    EngineProbe probe(engine);
    probe.Start(MediaPath("subs.mkv"));
    QTRY_VERIFY(!probe.positions().empty() && probe.positions().back() >= 1000);
    const size_t before = probe.positions().size();
    const int switchedAtMs = probe.positions().back();
    QByteArray first;
    {
        std::lock_guard<std::mutex> lock(pcmMutex);
        first = pcm;
        pcm.clear();
    }
    engine.SelectAudio(2);
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
    QCOMPARE(SelectedId(tracks.tracks(), TrackKind::Audio), 2);
    // The playback went on from where it was, not from the start, to the
    // last picture.
    const std::vector<int> positions = probe.positions();
    for (size_t i = before; i < positions.size(); ++i)
        QVERIFY2(positions[i] >= switchedAtMs - 200, qPrintable(QString::number(positions[i])));
    QVERIFY(positions.back() >= 2900);
    // 440 Hz before, 880 Hz after.
    const QAudioFormat format = engine.audioOut()->Format();
    QCOMPARE(format.sampleSize(), 16);
    const double before440 = CrossingsPerSecond(first.right(format.bytesForDuration(400000)), format);
    const double after880 = CrossingsPerSecond(pcm.right(format.bytesForDuration(400000)), format);
    QVERIFY2(qAbs(before440 - 880) < 60, qPrintable(QString::number(before440)));
    QVERIFY2(qAbs(after880 - 1760) < 100, qPrintable(QString::number(after880)));
}

void EngineTracksTest::subtitleChoicesWhilePlaying()
{
    PlaySpliterSystem engine;
    TrackProbe tracks(engine);
    EngineProbe probe(engine);
    probe.Start(MediaPath("subs.mkv"));
    QTRY_VERIFY(!probe.positions().empty() && probe.positions().back() >= 200);
    QCOMPARE(tracks.shownSubtitle(), 1);
    // The ASS track's subtitle starts at 0.8 s: read again from here, it comes.
    engine.SelectSubtitle(2);
    QTRY_COMPARE(tracks.shownSubtitle(), 2);
    QTRY_VERIFY(tracks.texts().contains("Red at the top"));
    // A file loaded by hand joins the list and shows, all its subtitles at once.
    engine.LoadSubtitleFile(QString::fromUtf8(MediaPath("cues.srt")));
    QTRY_COMPARE(tracks.shownSubtitle(), 3);
    QCOMPARE(tracks.tracks().size(), 5);
    QCOMPARE(tracks.tracks().last().externalPath, QString::fromUtf8(MediaPath("cues.srt")));
    QVERIFY(tracks.tracks().last().selected);
    QTRY_VERIFY(tracks.texts().contains("Second, with a comma"));
    engine.SelectSubtitle(0);
    QTRY_COMPARE(tracks.shownSubtitle(), 0);
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
}

void EngineTracksTest::subtitlesComeAgainAfterASeekBack()
{
    PlaySpliterSystem engine;
    TrackProbe tracks(engine);
    EngineProbe probe(engine);
    probe.Start(MediaPath("subs.mkv"));
    QTRY_VERIFY(!probe.positions().empty() && probe.positions().back() >= 1600);
    QCOMPARE(tracks.texts().count("First cue"), 1);
    engine.timechange(100);
    QTRY_COMPARE(tracks.texts().count("First cue"), 2);
    QVERIFY(probe.WaitReturned());
}

QTEST_GUILESS_MAIN(EngineTracksTest)
#include "tst_EngineTracks.moc"
