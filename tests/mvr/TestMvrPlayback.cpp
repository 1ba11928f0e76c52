// MVR recordings played by the engine: pictures as FFmpeg decodes the same
// H.264, sound, positions, seeks, and damaged files that end cleanly.

#include "AudioOut.h"
#include "EngineProbe.h"
#include "MvrBuilder.h"
#include "MvrFormat.h"
#include "MvrParser.h"
#include "MvrTestMedia.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace
{
QList<QByteArray> FfmpegH264FrameMd5s(const QString& file)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-nostdin", "-loglevel", "error", "-threads", "1", "-f", "h264", "-i", file,
                  "-pix_fmt", "yuv420p", "-f", "framemd5", "-"});
    ffmpeg.waitForFinished(60000);
    QList<QByteArray> md5s;
    for (const QByteArray& line : ffmpeg.readAllStandardOutput().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            md5s << line.split(',').last().trimmed();
    return md5s;
}
} // namespace

class MvrPlaybackTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void picturesMatchFfmpegAndSoundIsDecoded();
    void suffixInAnyCaseIsARecording();
    void exactSeekLandsOnThePictureAtTheTarget();
    void keyFrameSeekLandsOnIndexedPictures();
    void damagedFilesEndAsFinished_data();
    void damagedFilesEndAsFinished();
    void pictureThatDoesNotDecodeArrivesEmpty();
    void closePlayEndsWithoutFinish();
    void soundWithoutTimeStampsPlaysToTheEnd();
    void recordingTruncatedWhilePlayingEndsCleanly();
    void picturesAnnounceTheirFormat();

private:
    QByteArray WriteFile(const char* name, const QByteArray& bytes);
    QTemporaryDir m_dir;
};

void MvrPlaybackTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir::setCurrent(m_dir.path());
}

QByteArray MvrPlaybackTest::WriteFile(const char* name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(QLatin1String(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return QFile::encodeName(path);
}

void MvrPlaybackTest::picturesMatchFfmpegAndSoundIsDecoded()
{
    QByteArray md5s;
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    QByteArray pcm;
    engine.audioOut()->SetTap([&](const QByteArray& chunk) { pcm += chunk; });
    QList<QByteArray> pictures;
    QObject::connect(
        &engine, &PlaySpliterSystem::sigYuv, &engine,
        [&](uchar* p, uint w, uint h, int size) {
            QCOMPARE(w, 160u);
            QCOMPARE(h, 120u);
            pictures << QCryptographicHash::hash(QByteArray(reinterpret_cast<char*>(p), size),
                                                 QCryptographicHash::Md5)
                            .toHex();
        },
        Qt::DirectConnection);
    EngineProbe probe(engine);
    probe.Start(QFile::encodeName(MvrTestMedia("clip.mvr")));
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
    QVERIFY(probe.messages().isEmpty());
    QVERIFY(probe.durationMs() >= 1960 && probe.durationMs() <= 2100);
    QCOMPARE(pictures, FfmpegH264FrameMd5s(MvrTestMedia("clip.h264")));
    const std::vector<int> positions = probe.positions();
    for (size_t i = 0; i < positions.size(); ++i)
        QCOMPARE(positions[i], int(i) * 40);
    // Two seconds of 16 kHz mono, 16-bit, within one 40 ms record.
    QVERIFY2(qAbs(pcm.size() - 64000) <= 1280, qPrintable(QString::number(pcm.size())));
}

// "CLIP.MVR" and "Clip.Mvr" are recordings as "clip.mvr" is (FFmpeg cannot
// open them).
void MvrPlaybackTest::suffixInAnyCaseIsARecording()
{
    const QByteArray clip = ReadMvrTestMedia("clip.mvr");
    int expected = -1;
    for (const QByteArray& path : {QFile::encodeName(MvrTestMedia("clip.mvr")),
                                   WriteFile("CLIP.MVR", clip), WriteFile("Clip.Mvr", clip)}) {
        PlaySpliterSystem engine;
        engine.SetPacing(Pacing::Untimed);
        EngineProbe probe(engine);
        probe.Start(path);
        QVERIFY(probe.WaitReturned());
        QVERIFY2(probe.messages().isEmpty(), qPrintable(probe.messages().join(';')));
        QCOMPARE(probe.finishes(), 1);
        if (expected < 0)
            expected = probe.frames();
        QVERIFY(expected > 0);
        QCOMPARE(probe.frames(), expected);
    }
}

namespace
{
struct SeekCase {
    int target;
    int landing;
};

// clip.mvr has a picture every 40 ms and a key picture, with an index
// entry, every 400 ms. Seeks a paused playback to each target in turn.
void CheckSeekLandings(SeekMode mode, const std::vector<SeekCase>& cases)
{
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(QFile::encodeName(MvrTestMedia("clip.mvr")));
    QVERIFY(EngineProbe::WaitFor([&] { return probe.frames() >= 2; }));
    for (const SeekCase& c : cases) {
        engine.StopPlay();
        QTest::qWait(50);
        probe.Reset();
        engine.Seek(c.target, mode);
        QVERIFY(EngineProbe::WaitFor([&] { return !probe.positions().empty(); }));
        QCOMPARE(probe.positions().front(), c.landing);
    }
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
}
} // namespace

void MvrPlaybackTest::exactSeekLandsOnThePictureAtTheTarget()
{
    // The last case lies past the last picture: it is shown, and the file ends.
    CheckSeekLandings(SeekMode::Exact,
                      {{1000, 1000}, {-50, 0}, {1030, 1000}, {440, 440}, {99999, 1960}});
}

void MvrPlaybackTest::keyFrameSeekLandsOnIndexedPictures()
{
    CheckSeekLandings(SeekMode::KeyFrame, {{1000, 800}, {-50, 0}, {400, 400}, {99999, 1600}});
}

void MvrPlaybackTest::damagedFilesEndAsFinished_data()
{
    const QByteArray clip = ReadMvrTestMedia("clip.mvr");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("minFrames");
    QTest::addColumn<int>("maxFrames");
    QTest::newRow("empty") << QByteArray() << 0 << 0;
    QTest::newRow("shorter than the header") << clip.left(300) << 0 << 0;
    QTest::newRow("cut in the middle") << clip.left(clip.size() / 2) << 5 << 45;
    QByteArray countPastData = clip;
    qToLittleEndian<quint32>(0x7fffffff, countPastData.data() + 60);
    QTest::newRow("index_count past the data") << countPastData << 50 << 50;
    QByteArray areaPastData = clip;
    qToLittleEndian<quint32>(0xfffffff0u, areaPastData.data() + 52);
    QTest::newRow("index area past the data") << areaPastData << 0 << 0;
    QByteArray random(4096, '\0');
    for (int i = 0; i < random.size(); ++i)
        random[i] = char((i * 2654435761u) >> 13);
    QTest::newRow("noise") << random << 0 << 0;
}

void MvrPlaybackTest::damagedFilesEndAsFinished()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, minFrames);
    QFETCH(int, maxFrames);
    const QByteArray path = WriteFile("damaged.mvr", bytes);
    QVERIFY(!path.isEmpty());
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    probe.Start(path);
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
    QVERIFY2(probe.frames() >= minFrames && probe.frames() <= maxFrames,
             qPrintable(QString::number(probe.frames())));
    probe.Reset();
    probe.Start(QFile::encodeName(MvrTestMedia("clip.mvr"))); // the engine plays on normally
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.frames(), 50);
}

void MvrPlaybackTest::pictureThatDoesNotDecodeArrivesEmpty()
{
    MvrBuilder builder;
    builder.setPictureSize(64, 48).setDurationMs(80);
    MvrBuilder::Record garbage;
    garbage.type = kMvrRecordVideoKey;
    garbage.payload = QByteArray(64, '\x5a');
    builder.addRecord(garbage).addRecord(kMvrRecordAudio, 0, 640).addRecord(9, 40, 10);
    const QByteArray path = WriteFile("garbage.mvr", builder.build());
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    QList<int> sizes;
    QList<uint> widths;
    QObject::connect(
        &engine, &PlaySpliterSystem::sigYuv, &engine,
        [&](uchar*, uint w, uint, int size) {
            sizes << size;
            widths << w;
        },
        Qt::DirectConnection);
    EngineProbe probe(engine);
    probe.Start(path);
    QVERIFY(probe.WaitReturned());
    // The unknown type 9 queues nothing; the bad picture comes with size 0.
    QCOMPARE(sizes, QList<int>{0});
    QCOMPARE(widths, QList<uint>{64});
    QCOMPARE(probe.finishes(), 1);
}

void MvrPlaybackTest::closePlayEndsWithoutFinish()
{
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(QFile::encodeName(MvrTestMedia("clip.mvr")));
    QVERIFY(EngineProbe::WaitFor([&] { return probe.frames() >= 2; }));
    engine.ClosePlay();
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 0);
}

void MvrPlaybackTest::soundWithoutTimeStampsPlaysToTheEnd()
{
    // long.mvr: 8 s, 200 pictures. Every audio record after the first is
    // stamped -1, as some recorders write them.
    QByteArray bytes = ReadMvrTestMedia("long.mvr");
    QVERIFY(!bytes.isEmpty());
    {
        const MvrParser parser(reinterpret_cast<const unsigned char*>(bytes.constData()),
                               bytes.size());
        MvrRecord record;
        bool first = true;
        for (std::int64_t offset = parser.recordsOffset();
             parser.readRecord(offset, &record) == MvrRecordStatus::kRecord;
             offset = record.nextOffset) {
            if (record.header.type != kMvrRecordAudio)
                continue;
            if (!first)
                qToLittleEndian<qint32>(-1, bytes.data() + offset + 4);
            first = false;
        }
    }
    const QByteArray path = WriteFile("unstamped.mvr", bytes);
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    QByteArray pcm;
    engine.audioOut()->SetTap([&](const QByteArray& chunk) { pcm += chunk; });
    EngineProbe probe(engine);
    probe.Start(path);
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.finishes(), 1);
    QCOMPARE(probe.frames(), 200);
    // Eight seconds of 16 kHz mono, 16-bit.
    QVERIFY2(qAbs(pcm.size() - 256000) <= 1280, qPrintable(QString::number(pcm.size())));
}

void MvrPlaybackTest::recordingTruncatedWhilePlayingEndsCleanly()
{
    // A recorder still writing it, a disk pulled: the file shrinks under
    // the playing engine. The playback ends; the next file plays.
    const QByteArray bytes = ReadMvrTestMedia("long.mvr");
    const QByteArray path = WriteFile("shrinking.mvr", bytes);
    QVERIFY(!path.isEmpty());
    PlaySpliterSystem engine;
    EngineProbe probe(engine);
    probe.Start(path);
    QVERIFY(EngineProbe::WaitFor([&] { return probe.frames() >= 3; }));
    QVERIFY(QFile::resize(QFile::decodeName(path), bytes.size() / 3));
    engine.timechange(6000); // a seek into what is gone
    QVERIFY(probe.WaitReturned());
    QVERIFY(probe.finishes() <= 1);
    QVERIFY(probe.frames() < 200);

    probe.Reset();
    engine.SetPacing(Pacing::Untimed);
    probe.Start(QFile::encodeName(MvrTestMedia("clip.mvr")));
    QVERIFY(probe.WaitReturned());
    QCOMPARE(probe.frames(), 50);
    QCOMPARE(probe.finishes(), 1);
}

void MvrPlaybackTest::picturesAnnounceTheirFormat()
{
    PlaySpliterSystem engine;
    engine.SetPacing(Pacing::Untimed);
    EngineProbe probe(engine);
    probe.Start(QFile::encodeName(MvrTestMedia("clip.mvr")));
    QVERIFY(probe.WaitReturned());
    const std::vector<PictureFormat> formats = probe.formats();
    QCOMPARE(int(formats.size()), 1);
    QCOMPARE(probe.formatAtPicture().front(), 0);
    QCOMPARE(int(formats.front().range), int(YuvRange::Limited));
    QCOMPARE(formats.front().rotationCwDeg, 0);
}

QTEST_GUILESS_MAIN(MvrPlaybackTest)
#include "TestMvrPlayback.moc"
