// mvr-mux round trip: a generated clip is muxed, then parsed back and its
// pictures and audio decoded with the player's own decoders.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "ACodec/ACodec.h"
#include "MvrFile.h"
#include "MvrTestMedia.h"
#include "PictureDecoder.h"

namespace {

std::vector<MvrRecord> AllRecords(const MvrParser& parser, MvrRecordStatus* end)
{
    std::vector<MvrRecord> records;
    MvrRecord record;
    std::int64_t offset = parser.recordsOffset();
    while ((*end = parser.readRecord(offset, &record)) == MvrRecordStatus::kRecord) {
        records.push_back(record);
        offset = record.nextOffset;
    }
    return records;
}

}  // namespace

class TestMvrRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void headerAndIndex();
    void recordLayout();
    void everyPictureDecodes();
    void everyIndexedRecordDecodesAlone();
    void rawStreamHoldsTheVideoRecords();
    void seekLandsOnKeyFrames();
    void audioKeepsTheTone();
    void videoWithoutAudioKeepsItsSize();
    void rejectsBadUse_data();
    void rejectsBadUse();

private:
    std::vector<MvrRecord> records(std::uint8_t type) const;

    MvrFile m_clip;
    std::vector<MvrRecord> m_records;
};

void TestMvrRoundTrip::initTestCase()
{
    QCOMPARE(m_clip.open(MvrTestMedia("clip.mvr")), MvrOpenResult::kOpened);
    MvrRecordStatus end = MvrRecordStatus::kRecord;
    m_records = AllRecords(m_clip.parser(), &end);
    QCOMPARE(end, MvrRecordStatus::kEndOfData);
}

std::vector<MvrRecord> TestMvrRoundTrip::records(std::uint8_t type) const
{
    std::vector<MvrRecord> matching;
    for (const MvrRecord& record : m_records) {
        if (record.header.type == type) {
            matching.push_back(record);
        }
    }
    return matching;
}

void TestMvrRoundTrip::headerAndIndex()
{
    const MvrParser& parser = m_clip.parser();
    const rf_fhdr_t& header = parser.header();
    QCOMPARE(header.width, 160);
    QCOMPARE(header.height, 120);
    QVERIFY2(header.duration_ms >= 1960 && header.duration_ms <= 2100, qPrintable(QString::number(header.duration_ms)));
    // 50 pictures, a key frame every 10.
    QCOMPARE(header.index_count, 5u);
    QCOMPARE(parser.index().size(), std::size_t(5));
    QVERIFY(header.index_size >= header.index_count * 8);
    QCOMPARE(parser.findings().droppedIndexEntries, 0u);
    QCOMPARE(parser.findings().indexCountPastArea, false);

    const std::vector<MvrRecord> keys = records(kMvrRecordVideoKey);
    QCOMPARE(keys.size(), parser.index().size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        QCOMPARE(std::int64_t(parser.index()[i].second), keys[i].offset);
        QCOMPARE(parser.index()[i].first, keys[i].header.timestamp);
        QCOMPARE(keys[i].header.timestamp, int(i) * 400);
    }
}

void TestMvrRoundTrip::recordLayout()
{
    int pictures = 0;
    int previousVideoMs = -1;
    for (const MvrRecord& record : m_records) {
        const std::uint8_t type = record.header.type;
        QVERIFY(type == kMvrRecordVideoKey || type == kMvrRecordVideo || type == kMvrRecordAudio);
        if (type == kMvrRecordAudio) {
            continue;
        }
        QCOMPARE(type, pictures % 10 == 0 ? kMvrRecordVideoKey : kMvrRecordVideo);
        QCOMPARE(record.header.timestamp, pictures * 40);
        QVERIFY(record.header.timestamp > previousVideoMs);
        previousVideoMs = record.header.timestamp;
        ++pictures;
    }
    QCOMPARE(pictures, 50);

    const std::vector<MvrRecord> audio = records(kMvrRecordAudio);
    QVERIFY2(audio.size() >= 49 && audio.size() <= 52, qPrintable(QString::number(audio.size())));
    for (std::size_t i = 0; i < audio.size(); ++i) {
        if (i + 1 < audio.size()) {
            QCOMPARE(audio[i].header.length, 640u);  // 40 ms at 16 kHz, one byte a sample
        } else {
            QVERIFY(audio[i].header.length > 0 && audio[i].header.length <= 640u);
        }
        QCOMPARE(audio[i].header.timestamp, audio.front().header.timestamp + int(i) * 40);
    }
}

void TestMvrRoundTrip::everyPictureDecodes()
{
    const std::shared_ptr<PictureDecoder> decoder = MakePictureDecoder(kMvrVideoCodecId);
    QVERIFY(decoder);
    int pictures = 0;
    for (const MvrRecord& record : m_records) {
        if (!IsMvrVideoRecord(record.header.type)) {
            continue;
        }
        DecodedPicture picture;
        QCOMPARE(DecodePicture(decoder.get(), &picture, const_cast<std::uint8_t*>(record.payload),
                     int(record.header.length)), int(kPictureDecoderOk));
        QCOMPARE(picture.width, 160);
        QCOMPARE(picture.height, 120);
        const std::vector<std::uint8_t> bytes = BuildPictureBytes(picture);
        QCOMPARE(int(bytes.size()), 160 * 120 * 3 / 2);
        // Red in limited-range BT.601: Y 81, U 90, V 240.
        const std::size_t luma = 160 * 120;
        QVERIFY(qAbs(MeanOf(bytes.data(), luma) - 81) < 4);
        QVERIFY(qAbs(MeanOf(bytes.data() + luma, luma / 4) - 90) < 4);
        QVERIFY(qAbs(MeanOf(bytes.data() + luma + luma / 4, luma / 4) - 240) < 4);
        ++pictures;
    }
    QCOMPARE(pictures, 50);
}

void TestMvrRoundTrip::everyIndexedRecordDecodesAlone()
{
    const MvrParser& parser = m_clip.parser();
    for (const auto& entry : parser.index()) {
        MvrRecord record;
        QCOMPARE(parser.readRecord(entry.second, &record), MvrRecordStatus::kRecord);
        const std::shared_ptr<PictureDecoder> fresh = MakePictureDecoder(kMvrVideoCodecId);
        DecodedPicture picture;
        QCOMPARE(DecodePicture(fresh.get(), &picture, const_cast<std::uint8_t*>(record.payload),
                     int(record.header.length)), int(kPictureDecoderOk));
        QCOMPARE(picture.width, 160);
    }
}

void TestMvrRoundTrip::rawStreamHoldsTheVideoRecords()
{
    QByteArray expected;
    for (const MvrRecord& record : m_records) {
        if (IsMvrVideoRecord(record.header.type)) {
            expected.append(reinterpret_cast<const char*>(record.payload), int(record.header.length));
        }
    }
    QVERIFY(!expected.isEmpty());
    QVERIFY(ReadMvrTestMedia("clip.h264") == expected);
}

void TestMvrRoundTrip::seekLandsOnKeyFrames()
{
    const MvrParser& parser = m_clip.parser();
    const auto keyAt = [&parser](std::int64_t offset) {
        MvrRecord record;
        return parser.readRecord(offset, &record) == MvrRecordStatus::kRecord
                && record.header.type == kMvrRecordVideoKey ? record.header.timestamp : -1;
    };
    QCOMPARE(keyAt(parser.seekOffset(-50)), 0);
    QCOMPARE(keyAt(parser.seekOffset(1000)), 800);
    QCOMPARE(keyAt(parser.seekOffset(1200)), 1200);
    QCOMPARE(keyAt(parser.seekOffset(60000)), 1600);
}

void TestMvrRoundTrip::audioKeepsTheTone()
{
    Vorel::Utility::ACodec::Decoder decoder;
    std::vector<std::int16_t> samples;
    for (const MvrRecord& record : records(kMvrRecordAudio)) {
        Vorel::Utility::ACodec::Buffer input(const_cast<std::uint8_t*>(record.payload), record.header.length,
            Vorel::Utility::ACodec::AudioFrameType(kMvrAudioFrameType));
        Vorel::Utility::ACodec::Buffer output;
        QCOMPARE(int(decoder.Decode(output, input)), 0);
        QCOMPARE(output.size(), record.header.length * 2);
        const auto* pcm = static_cast<const std::uint8_t*>(output.data());
        for (unsigned i = 0; i + 1 < output.size(); i += 2) {
            samples.push_back(std::int16_t(pcm[i] | (pcm[i + 1] << 8)));
        }
    }
    QVERIFY2(samples.size() >= 31000 && samples.size() <= 33000, qPrintable(QString::number(samples.size())));

    // Away from the codec's start-up, the 440 Hz sine of the source.
    const std::size_t from = 3200;
    const std::size_t to = samples.size() - 3200;
    int crossings = 0;
    double energy = 0;
    for (std::size_t i = from; i < to; ++i) {
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        energy += double(samples[i]) * samples[i];
    }
    const double seconds = double(to - from) / kMvrAudioSampleRateHz;
    const double frequencyHz = crossings / 2.0 / seconds;
    const double rms = std::sqrt(energy / double(to - from));
    QVERIFY2(qAbs(frequencyHz - 440) < 10, qPrintable(QString::number(frequencyHz)));
    // The source's level is 4096 / sqrt(2); the stereo-to-mono mix may
    // lower it, but the tone must neither vanish nor clip.
    QVERIFY2(rms > 1400 && rms < 3100, qPrintable(QString::number(rms)));
}

void TestMvrRoundTrip::videoWithoutAudioKeepsItsSize()
{
    MvrFile file;
    QCOMPARE(file.open(MvrTestMedia("noaudio.mvr")), MvrOpenResult::kOpened);
    const MvrParser& parser = file.parser();
    // 99x75 rounds down to even sizes for 4:2:0.
    QCOMPARE(parser.header().width, 98);
    QCOMPARE(parser.header().height, 74);
    QCOMPARE(parser.index().size(), std::size_t(1));
    MvrRecordStatus end = MvrRecordStatus::kRecord;
    const std::vector<MvrRecord> all = AllRecords(parser, &end);
    QCOMPARE(end, MvrRecordStatus::kEndOfData);
    QCOMPARE(all.size(), std::size_t(25));
    const std::shared_ptr<PictureDecoder> decoder = MakePictureDecoder(kMvrVideoCodecId);
    for (const MvrRecord& record : all) {
        QVERIFY(IsMvrVideoRecord(record.header.type));
        DecodedPicture picture;
        QCOMPARE(DecodePicture(decoder.get(), &picture, const_cast<std::uint8_t*>(record.payload),
                     int(record.header.length)), int(kPictureDecoderOk));
        QCOMPARE(picture.width, 98);
        QCOMPARE(picture.height, 74);
    }
}

void TestMvrRoundTrip::rejectsBadUse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");

    const QString input = MvrTestMedia("red.mp4");
    QTest::newRow("one path") << QStringList{input} << 2;
    QTest::newRow("gop of zero") << QStringList{input, QStringLiteral("OUT"), QStringLiteral("--gop"), QStringLiteral("0")} << 2;
    QTest::newRow("size without height") << QStringList{input, QStringLiteral("OUT"), QStringLiteral("--size"), QStringLiteral("320")} << 2;
    QTest::newRow("unknown option") << QStringList{input, QStringLiteral("OUT"), QStringLiteral("--fast")} << 2;
    QTest::newRow("missing input") << QStringList{MvrTestMedia("missing.mp4"), QStringLiteral("OUT")} << 1;
    QTest::newRow("folder as input") << QStringList{MvrTestMedia(""), QStringLiteral("OUT")} << 1;
}

void TestMvrRoundTrip::rejectsBadUse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);

    QTemporaryDir folder;
    const QString output = folder.filePath(QStringLiteral("out.mvr"));
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^OUT$")), output);
    QProcess mux;
    mux.start(QString::fromLocal8Bit(qgetenv("MVR_MUX")), arguments);
    QVERIFY(mux.waitForFinished(60000));
    QCOMPARE(mux.exitStatus(), QProcess::NormalExit);
    QCOMPARE(mux.exitCode(), exitCode);
    QVERIFY(!QFile::exists(output));
}

QTEST_GUILESS_MAIN(TestMvrRoundTrip)
#include "TestMvrRoundTrip.moc"
