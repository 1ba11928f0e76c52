// The MVR parser on synthetic files: index layouts, record walking, both
// seek paths and files that contradict themselves.
#include <QTemporaryDir>
#include <QtTest>
#include <vector>

#include "ExactBytes.h"
#include "MvrBuilder.h"
#include "MvrFile.h"
#include "MvrParser.h"

Q_DECLARE_METATYPE(MvrRecordStatus)

namespace {

struct Walk {
    std::vector<MvrRecord> records;
    MvrRecordStatus end = MvrRecordStatus::kRecord;
};

Walk WalkRecords(const MvrParser& parser)
{
    Walk walk;
    MvrRecord record;
    std::int64_t offset = parser.recordsOffset();
    while ((walk.end = parser.readRecord(offset, &record)) == MvrRecordStatus::kRecord) {
        walk.records.push_back(record);
        offset = record.nextOffset;
    }
    return walk;
}

MvrBuilder::Record RecordWithLength(std::uint8_t type, int timestampMs, int payloadBytes, std::int64_t length)
{
    MvrBuilder::Record record;
    record.type = type;
    record.timestampMs = timestampMs;
    record.payload = QByteArray(payloadBytes, 'p');
    record.lengthOverride = length;
    return record;
}

}  // namespace

class TestMvrParser : public QObject {
    Q_OBJECT

private slots:
    void readsHeaderFields();
    void indexSizes_data();
    void indexSizes();
    void walksEveryRecordType();
    void lastRecord_data();
    void lastRecord();
    void seekByIndex_data();
    void seekByIndex();
    void seekWithoutIndexScansRecords_data();
    void seekWithoutIndexScansRecords();
    void malformedFiles_data();
    void malformedFiles();
    void openingFiles();
};

void TestMvrParser::readsHeaderFields()
{
    MvrBuilder builder;
    builder.setPictureSize(1920, 1080).setDurationMs(-5).setIndexSize(64).indexRecord(0, 0).addRecord(1, 0, 8);
    QByteArray bytes = builder.build();
    bytes[0] = char(0x78);
    bytes[19] = char(0x12);
    bytes[20] = char(0x34);
    bytes[23] = char(0x56);
    const ExactBytes file(bytes);
    const MvrParser parser = file.parser();
    QVERIFY(parser.isValid());
    QCOMPARE(parser.header().tag, 0x78u);
    QCOMPARE(parser.header().width, 1920);
    QCOMPARE(parser.header().height, 1080);
    QCOMPARE(parser.header().field16, 0x12000000u);
    QCOMPARE(parser.header().field20, std::uint16_t(0x34));
    QCOMPARE(parser.header().field22, std::uint16_t(0x5600));
    QCOMPARE(parser.header().duration_ms, -5);
    QCOMPARE(parser.header().index_size, 64u);
    QCOMPARE(parser.header().index_count, 1u);
}

void TestMvrParser::indexSizes_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<qint64>("indexSize");  // -1: exactly the entries
    QTest::addColumn<qint64>("indexCount"); // -1: the entries written
    QTest::addColumn<qint64>("recordsOffset");
    QTest::addColumn<int>("usableEntries");
    QTest::addColumn<bool>("countPastArea");

    QTest::newRow("no index") << 0 << qint64(0) << qint64(-1) << qint64(512) << 0 << false;
    QTest::newRow("entries fill the area") << 3 << qint64(-1) << qint64(-1) << qint64(536) << 3 << false;
    QTest::newRow("area larger than the entries") << 3 << qint64(100) << qint64(-1) << qint64(612) << 3 << false;
    QTest::newRow("count larger than the area") << 3 << qint64(16) << qint64(3) << qint64(528) << 2 << true;
    QTest::newRow("count of 2^32-1") << 2 << qint64(16) << qint64(0xFFFFFFFF) << qint64(528) << 2 << true;
}

void TestMvrParser::indexSizes()
{
    QFETCH(int, entries);
    QFETCH(qint64, indexSize);
    QFETCH(qint64, indexCount);
    QFETCH(qint64, recordsOffset);
    QFETCH(int, usableEntries);
    QFETCH(bool, countPastArea);

    MvrBuilder builder;
    for (int i = 0; i < entries; ++i) {
        builder.indexRecord(i * 1000, i);
    }
    for (int i = 0; i < std::max(entries, 1); ++i) {
        builder.addRecord(kMvrRecordVideoKey, i * 1000, 20 + i);
    }
    if (indexSize >= 0) {
        builder.setIndexSize(std::uint32_t(indexSize));
    }
    if (indexCount >= 0) {
        builder.setIndexCount(std::uint32_t(indexCount));
    }
    const ExactBytes file(builder.build());
    const MvrParser parser = file.parser();

    QCOMPARE(parser.recordsOffset(), recordsOffset);
    QCOMPARE(int(parser.index().size()), usableEntries);
    QCOMPARE(parser.findings().indexCountPastArea, countPastArea);
    for (int i = 0; i < usableEntries; ++i) {
        QCOMPARE(parser.index()[std::size_t(i)].first, i * 1000);
        QCOMPARE(std::int64_t(parser.index()[std::size_t(i)].second), builder.recordOffset(i));
    }
    MvrRecord first;
    QCOMPARE(parser.readRecord(parser.recordsOffset(), &first), MvrRecordStatus::kRecord);
    QCOMPARE(first.header.type, kMvrRecordVideoKey);
    QCOMPARE(first.header.length, 20u);
}

void TestMvrParser::walksEveryRecordType()
{
    const std::vector<std::uint8_t> types = {0, 5, kMvrRecordAudio, 1, 3, 2, 200};
    MvrBuilder builder;
    for (std::size_t i = 0; i < types.size(); ++i) {
        builder.addRecord(types[i], int(i) * 40, int(i * 7) % 5);
    }
    const ExactBytes file(builder.build());
    const Walk walk = WalkRecords(file.parser());

    QCOMPARE(walk.end, MvrRecordStatus::kEndOfData);
    QCOMPARE(walk.records.size(), types.size());
    for (std::size_t i = 0; i < types.size(); ++i) {
        const MvrRecord& record = walk.records[i];
        QCOMPARE(record.header.type, types[i]);
        QCOMPARE(record.header.timestamp, int(i) * 40);
        QCOMPARE(record.offset, builder.recordOffset(int(i)));
        QCOMPARE(record.nextOffset, builder.recordOffset(int(i) + 1));
        QCOMPARE(int(record.header.length), int(i * 7) % 5);
    }
    QCOMPARE(walk.records.back().nextOffset, file.size());
}

void TestMvrParser::lastRecord_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("goodRecords");
    QTest::addColumn<MvrRecordStatus>("end");

    const auto base = [] {
        MvrBuilder builder;
        builder.addRecord(kMvrRecordVideoKey, 0, 30).addRecord(kMvrRecordAudio, 0, 12);
        return builder;
    };
    QTest::newRow("payload ends exactly at the end")
        << base().addRecord(kMvrRecordVideo, 40, 25).build() << 3 << MvrRecordStatus::kEndOfData;
    QTest::newRow("empty payload at the very end")
        << base().addRecord(kMvrRecordVideo, 40, 0).build() << 3 << MvrRecordStatus::kEndOfData;
    QTest::newRow("payload one byte past the end")
        << base().addRecord(RecordWithLength(kMvrRecordVideo, 40, 25, 26)).build() << 2
        << MvrRecordStatus::kPayloadPastEnd;
    QTest::newRow("length that wraps 32-bit offsets")
        << base().addRecord(RecordWithLength(kMvrRecordVideo, 40, 25, 0xFFFFFFFF)).build() << 2
        << MvrRecordStatus::kPayloadPastEnd;
    QTest::newRow("record header cut short")
        << base().build() + QByteArray(15, '\x01') << 2 << MvrRecordStatus::kHeaderPastEnd;
}

void TestMvrParser::lastRecord()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, goodRecords);
    QFETCH(MvrRecordStatus, end);

    const ExactBytes file(bytes);
    const Walk walk = WalkRecords(file.parser());
    QCOMPARE(int(walk.records.size()), goodRecords);
    QCOMPARE(walk.end, end);
}

void TestMvrParser::seekByIndex_data()
{
    QTest::addColumn<int>("targetMs");
    QTest::addColumn<int>("landsOnRecord");

    // Key records 0, 2 and 4 are indexed at 0, 1000 and 2000 ms.
    QTest::newRow("before the first entry") << -300 << 0;
    QTest::newRow("at the first entry") << 0 << 0;
    QTest::newRow("just before the second entry") << 999 << 0;
    QTest::newRow("exactly at the second entry") << 1000 << 2;
    QTest::newRow("between entries") << 1500 << 2;
    QTest::newRow("at the last entry") << 2000 << 4;
    QTest::newRow("past the last entry") << 90000 << 4;
}

void TestMvrParser::seekByIndex()
{
    QFETCH(int, targetMs);
    QFETCH(int, landsOnRecord);

    MvrBuilder builder;
    builder.indexRecord(0, 0).indexRecord(1000, 2).indexRecord(2000, 4).setIndexSize(40);
    for (int i = 0; i < 6; ++i) {
        builder.addRecord(i % 2 == 0 ? kMvrRecordVideoKey : kMvrRecordVideo, i * 500, 10);
    }
    const ExactBytes file(builder.build());
    QCOMPARE(file.parser().seekOffset(targetMs), builder.recordOffset(landsOnRecord));
}

void TestMvrParser::seekWithoutIndexScansRecords_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("targetMs");
    QTest::addColumn<qint64>("expectedOffset");

    MvrBuilder mixed;
    mixed.addRecord(kMvrRecordAudio, 0, 6)    // 0
        .addRecord(kMvrRecordVideoKey, 10, 9) // 1
        .addRecord(kMvrRecordAudio, 40, 6)    // 2
        .addRecord(kMvrRecordVideo, 50, 4)    // 3
        .addRecord(5, 60, 3)                  // 4
        .addRecord(0, 70, 3)                  // 5
        .addRecord(kMvrRecordVideoOther, 90, 4) // 6
        .addRecord(kMvrRecordAudio, 95, 6);   // 7
    const QByteArray mixedBytes = mixed.build();
    QTest::newRow("before the first picture") << mixedBytes << -10 << qint64(mixed.recordOffset(1));
    QTest::newRow("at a picture") << mixedBytes << 50 << qint64(mixed.recordOffset(3));
    QTest::newRow("between pictures, past skipped types") << mixedBytes << 89 << qint64(mixed.recordOffset(3));
    QTest::newRow("past the last picture") << mixedBytes << 5000 << qint64(mixed.recordOffset(6));

    MvrBuilder audioOnly;
    audioOnly.addRecord(kMvrRecordAudio, 0, 6).addRecord(7, 40, 6);
    QTest::newRow("no picture at all") << audioOnly.build() << 20 << qint64(MvrParser::kNoRecord);

    MvrBuilder cut;
    cut.addRecord(kMvrRecordVideoKey, 0, 6)
        .addRecord(kMvrRecordVideo, 40, 6)
        .addRecord(RecordWithLength(kMvrRecordVideo, 80, 6, 600));
    QTest::newRow("stops at the last good record") << cut.build() << 5000 << qint64(cut.recordOffset(1));
}

void TestMvrParser::seekWithoutIndexScansRecords()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, targetMs);
    QFETCH(qint64, expectedOffset);

    const ExactBytes file(bytes);
    const MvrParser parser = file.parser();
    QVERIFY(parser.index().empty());
    QCOMPARE(parser.seekOffset(targetMs), expectedOffset);
}

void TestMvrParser::malformedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("indexEntries");
    QTest::addColumn<int>("droppedEntries");

    const QByteArray good = MvrBuilder().indexRecord(0, 0).addRecord(1, 0, 64).addRecord(2, 40, 64).build();
    QTest::newRow("empty file") << QByteArray() << false << 0 << 0 << 0;
    QTest::newRow("shorter than the header") << good.left(511) << false << 0 << 0 << 0;
    QTest::newRow("header only") << good.left(512) << true << 0 << 0 << 0;
    QTest::newRow("cut inside the index area") << good.left(515) << true << 0 << 0 << 0;
    QTest::newRow("cut inside a payload") << good.left(good.size() - 1) << true << 1 << 1 << 0;
    QTest::newRow("index area past the data")
        << MvrBuilder().setIndexSize(0x7FFFFFF0).addRecord(1, 0, 64).build() << true << 0 << 0 << 0;
    QTest::newRow("index size wrapping 32 bits")
        << MvrBuilder().setIndexSize(0xFFFFFFFF).addRecord(1, 0, 64).build() << true << 0 << 0 << 0;

    MvrBuilder outside;
    outside.setIndexSize(64)
        .indexOffset(0, 0)            // inside the file header
        .indexOffset(10, 520)         // inside the index area
        .indexRecord(20, 1)           // good
        .indexOffset(30, 0xFFFFFFFF)  // far past the end
        .addRecord(1, 0, 40)
        .addRecord(2, 40, 40);
    const std::int64_t end = outside.recordOffset(2);
    outside.indexOffset(40, std::uint32_t(end))       // exactly the end
        .indexOffset(50, std::uint32_t(end - 15));    // record header would run past the end
    QTest::newRow("index offsets outside the records") << outside.build() << true << 2 << 1 << 5;
}

void TestMvrParser::malformedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(int, records);
    QFETCH(int, indexEntries);
    QFETCH(int, droppedEntries);

    const ExactBytes file(bytes);
    const MvrParser parser = file.parser();
    QCOMPARE(parser.isValid(), valid);
    QVERIFY(parser.recordsOffset() <= file.size());
    QCOMPARE(int(WalkRecords(parser).records.size()), records);
    QCOMPARE(int(parser.index().size()), indexEntries);
    QCOMPARE(int(parser.findings().droppedIndexEntries), droppedEntries);
    // Every seek lands on a record header inside the data, or nowhere.
    for (const int targetMs : {-1, 0, 25, 1000000}) {
        const std::int64_t offset = parser.seekOffset(targetMs);
        QVERIFY(offset == MvrParser::kNoRecord
            || (offset >= parser.recordsOffset() && offset + kMvrRecordHeaderSize <= file.size()));
    }
    QCOMPARE(parser.readRecord(-16, nullptr), MvrRecordStatus::kOutsideData);
    QCOMPARE(parser.readRecord(file.size() + 1, nullptr), MvrRecordStatus::kOutsideData);
}

void TestMvrParser::openingFiles()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    MvrFile file;
    QCOMPARE(file.open(folder.filePath(QStringLiteral("missing.mvr"))), MvrOpenResult::kCannotOpen);

    const auto write = [&folder](const QString& name, const QByteArray& bytes) {
        QFile out(folder.filePath(name));
        return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() ? out.fileName() : QString();
    };
    QCOMPARE(file.open(write(QStringLiteral("empty.mvr"), QByteArray())), MvrOpenResult::kTooShort);
    QCOMPARE(file.open(write(QStringLiteral("short.mvr"), QByteArray(100, 'x'))), MvrOpenResult::kTooShort);

    MvrBuilder builder;
    builder.setPictureSize(640, 360).indexRecord(0, 0).addRecord(1, 0, 100).addRecord(4, 0, 50);
    const QByteArray bytes = builder.build();
    QCOMPARE(file.open(write(QStringLiteral("good.mvr"), bytes)), MvrOpenResult::kOpened);
    QCOMPARE(file.mapping().size(), qint64(bytes.size()));
    QCOMPARE(file.mapping().bytes(), bytes);
    // The byte array shares the mapping instead of copying the file.
    QCOMPARE(static_cast<const void*>(file.mapping().bytes().constData()),
        static_cast<const void*>(file.mapping().data()));
    QCOMPARE(file.parser().header().width, 640);
    QCOMPARE(int(WalkRecords(file.parser()).records.size()), 2);

    file.close();
    QCOMPARE(file.mapping().data(), nullptr);
    QCOMPARE(WalkRecords(file.parser()).end, MvrRecordStatus::kEndOfData);
}

QTEST_GUILESS_MAIN(TestMvrParser)
#include "TestMvrParser.moc"
