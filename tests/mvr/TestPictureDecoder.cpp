// The picture decoder: its result codes, the decoder surviving bad input,
// conversion to YUV420P and the tight copy of the planes.
#include <QtTest>
#include <array>

#include "MvrFile.h"
#include "MvrTestMedia.h"
#include "PictureDecoder.h"

namespace {

// The payload of the first record of `type` in the fixture clip.
QByteArray FirstPayload(const MvrParser& parser, std::uint8_t type)
{
    MvrRecord record;
    for (std::int64_t offset = parser.recordsOffset();
         parser.readRecord(offset, &record) == MvrRecordStatus::kRecord; offset = record.nextOffset) {
        if (record.header.type == type) {
            return QByteArray(reinterpret_cast<const char*>(record.payload), int(record.header.length));
        }
    }
    return QByteArray();
}

}  // namespace

class TestPictureDecoder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void creationFailureLeavesOutputAlone();
    void refusesNullDecoder();
    void survivesEmptyAndBrokenPayloads();
    void dependentPictureAloneDoesNotDecode();
    void convertsOtherChromaFormats();
    void copiesTightPlanes();

private:
    MvrFile m_clip;
    QByteArray m_keyPayload;
    QByteArray m_otherPayload;
};

void TestPictureDecoder::initTestCase()
{
    QCOMPARE(m_clip.open(MvrTestMedia("clip.mvr")), MvrOpenResult::kOpened);
    m_keyPayload = FirstPayload(m_clip.parser(), kMvrRecordVideoKey);
    m_otherPayload = FirstPayload(m_clip.parser(), kMvrRecordVideo);
    QVERIFY(!m_keyPayload.isEmpty());
    QVERIFY(!m_otherPayload.isEmpty());
}

void TestPictureDecoder::creationFailureLeavesOutputAlone()
{
    PictureDecoder sentinel;
    PictureDecoder* out = &sentinel;
    QCOMPARE(CreatePictureDecoder(&out, AV_CODEC_ID_NONE), int(kPictureDecoderNotFound));
    QCOMPARE(out, &sentinel);

    int result = -1;
    QVERIFY(MakePictureDecoder(AV_CODEC_ID_NONE, &result) == nullptr);
    QCOMPARE(result, int(kPictureDecoderNotFound));
    QVERIFY(MakePictureDecoder(kMvrVideoCodecId, &result) != nullptr);
    QCOMPARE(result, int(kPictureDecoderOk));
}

void TestPictureDecoder::refusesNullDecoder()
{
    DecodedPicture picture;
    QCOMPARE(DecodePicture(nullptr, &picture, m_keyPayload.data(), m_keyPayload.size()),
        int(kPictureDecoderNull));
}

void TestPictureDecoder::survivesEmptyAndBrokenPayloads()
{
    const std::shared_ptr<PictureDecoder> decoder = MakePictureDecoder(kMvrVideoCodecId);
    QVERIFY(decoder);
    DecodedPicture picture;
    // An empty record must not drain the decoder: the next picture decodes.
    QCOMPARE(DecodePicture(decoder.get(), &picture, nullptr, 0), int(kPictureDecoderNoData));
    QByteArray empty;
    QCOMPARE(DecodePicture(decoder.get(), &picture, empty.data(), 0), int(kPictureDecoderNoData));

    QByteArray garbage(300, '\0');
    for (int i = 0; i < garbage.size(); ++i) {
        garbage[i] = char((i * 37 + 11) & 0xFF);
    }
    QVERIFY(DecodePicture(decoder.get(), &picture, garbage.data(), garbage.size()) != kPictureDecoderOk);

    QCOMPARE(DecodePicture(decoder.get(), &picture, m_keyPayload.data(), m_keyPayload.size()),
        int(kPictureDecoderOk));
    QCOMPARE(picture.width, 160);
    QCOMPARE(picture.height, 120);
}

void TestPictureDecoder::dependentPictureAloneDoesNotDecode()
{
    // What a seek meets on a record that needs earlier pictures.
    const std::shared_ptr<PictureDecoder> decoder = MakePictureDecoder(kMvrVideoCodecId);
    DecodedPicture picture;
    QVERIFY(DecodePicture(decoder.get(), &picture, m_otherPayload.data(), m_otherPayload.size())
        != kPictureDecoderOk);
}

void TestPictureDecoder::convertsOtherChromaFormats()
{
    QByteArray accessUnit = ReadMvrTestMedia("blue444.h264");
    QVERIFY(!accessUnit.isEmpty());
    const std::shared_ptr<PictureDecoder> decoder = MakePictureDecoder(kMvrVideoCodecId);
    DecodedPicture picture;
    QCOMPARE(DecodePicture(decoder.get(), &picture, accessUnit.data(), accessUnit.size()),
        int(kPictureDecoderOk));
    QCOMPARE(picture.width, 64);
    QCOMPARE(picture.height, 48);

    const std::vector<std::uint8_t> bytes = BuildPictureBytes(picture);
    QCOMPARE(int(bytes.size()), 64 * 48 * 3 / 2);
    // Blue in limited-range BT.601: Y 41, U 240, V 110.
    const std::size_t luma = 64 * 48;
    QVERIFY(qAbs(MeanOf(bytes.data(), luma) - 41) < 3);
    QVERIFY(qAbs(MeanOf(bytes.data() + luma, luma / 4) - 240) < 3);
    QVERIFY(qAbs(MeanOf(bytes.data() + luma + luma / 4, luma / 4) - 110) < 3);
}

void TestPictureDecoder::copiesTightPlanes()
{
    // A 5x3 picture with padded rows; chroma halves round down to 2x1.
    std::array<std::uint8_t, 8 * 3> luma{};
    std::array<std::uint8_t, 4 * 2> u{};
    std::array<std::uint8_t, 4 * 2> v{};
    for (std::size_t i = 0; i < luma.size(); ++i) {
        luma[i] = std::uint8_t(i);
    }
    for (std::size_t i = 0; i < u.size(); ++i) {
        u[i] = std::uint8_t(100 + i);
        v[i] = std::uint8_t(200 + i);
    }
    DecodedPicture picture;
    picture.data[0] = luma.data();
    picture.data[1] = u.data();
    picture.data[2] = v.data();
    picture.linesize[0] = 8;
    picture.linesize[1] = 4;
    picture.linesize[2] = 4;
    picture.width = 5;
    picture.height = 3;

    const std::vector<std::uint8_t> expected = {
        0, 1, 2, 3, 4, 8, 9, 10, 11, 12, 16, 17, 18, 19, 20,  // Y rows
        100, 101,                                             // U row
        200, 201,                                             // V row
        0, 0, 0,                                              // rest of 5*3 + 15/2
    };
    QCOMPARE(PictureByteCount(picture), expected.size());
    QCOMPARE(BuildPictureBytes(picture), expected);

    picture.width = 0;
    QCOMPARE(PictureByteCount(picture), std::size_t(0));
    QVERIFY(BuildPictureBytes(picture).empty());
}

QTEST_GUILESS_MAIN(TestPictureDecoder)
#include "TestPictureDecoder.moc"
