// Pictures packed where the decoder left them. The decoder's buffers are laid
// out so that a picture can be packed inside its own buffer once the decoder
// no longer refers to it; packing one it still refers to would corrupt the
// pictures predicted from it. Every picture, packed in place or copied, must
// equal FFmpeg's own decode, through FfmpegInput directly and through
// vorel-decode. The media (sizes with and without rows below the picture,
// B-frames, two decoders, and a size whose strides need padding) are made
// here with the ffmpeg tool.

#include "FfmpegInput.h"
#include "PackedFrameAllocator.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

extern "C" {
#include <libavutil/imgutils.h>
}

#include <deque>

namespace
{
QByteArray Md5(const uint8_t* data, int size)
{
    return QCryptographicHash::hash(
               QByteArray::fromRawData(reinterpret_cast<const char*>(data), size),
               QCryptographicHash::Md5)
        .toHex();
}

QList<QByteArray> RunLines(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return {};
    QList<QByteArray> lines;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            lines << line;
    return lines;
}

QList<QByteArray> FfmpegFrameMd5s(const QString& file)
{
    QList<QByteArray> md5s;
    for (const QByteArray& line :
         RunLines(QStringLiteral("ffmpeg"),
                  {"-nostdin", "-loglevel", "error", "-i", file, "-map", "0:v:0", "-fps_mode",
                   "passthrough", "-pix_fmt", "yuv420p", "-f", "framemd5", "-"}))
        if (!line.startsWith('#'))
            md5s << line.split(',').last().trimmed();
    return md5s;
}

QList<QByteArray> VorelDecodeMd5s(const QStringList& args)
{
    QList<QByteArray> md5s;
    for (const QByteArray& line : RunLines(QStringLiteral(VOREL_DECODE), args))
        if (line.startsWith("frame,"))
            md5s << line.split(',').last();
    return md5s;
}

bool IsSubsequence(const QList<QByteArray>& part, const QList<QByteArray>& whole)
{
    int at = 0;
    for (const QByteArray& item : part) {
        while (at < whole.size() && whole[at] != item)
            ++at;
        if (at++ == whole.size())
            return false;
    }
    return true;
}

// The packed picture of `frame`: in place when it may be, else a copy.
QByteArray PackedMd5(AVFrame& frame, bool& inPlace)
{
    const int size = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, frame.width, frame.height, 1);
    if (const uint8_t* packed = PackedFrameAllocator::PackInPlace(frame)) {
        inPlace = true;
        return Md5(packed, size);
    }
    inPlace = false;
    std::vector<uint8_t> copy(static_cast<size_t>(size));
    av_image_copy_to_buffer(copy.data(), size, frame.data, frame.linesize, AV_PIX_FMT_YUV420P,
                            frame.width, frame.height, 1);
    return Md5(copy.data(), size);
}
} // namespace

class PackedFramesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void picturesPackedAfterAnyDelayEqualFfmpegs_data();
    void picturesPackedAfterAnyDelayEqualFfmpegs();
    void onlyTheSoleHolderOfThisLayoutPacksInPlace();
    void vorelDecodeDeliversFfmpegsPictures_data();
    void vorelDecodeDeliversFfmpegsPictures();

private:
    QString Make(const char* name, const QStringList& encode);

    QTemporaryDir m_dir;
};

QString PackedFramesTest::Make(const char* name, const QStringList& encode)
{
    const QString path = m_dir.filePath(QLatin1String(name));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{"-nostdin", "-loglevel", "error", "-y"} + encode + QStringList{path});
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0 ? path : QString();
}

void PackedFramesTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const auto source = [](const char* size) {
        return QStringList{"-f", "lavfi", "-i",
                           QStringLiteral("testsrc2=size=%1:rate=25:duration=2").arg(size)};
    };
    // H.264 codes whole 16-row blocks: 136 rows leave 8 below the picture.
    const QStringList h264{"-c:v", "libx264", "-preset", "veryfast", "-bf",
                           "3",    "-g",      "25",      "-pix_fmt", "yuv420p"};
    QVERIFY(!Make("rows_below.mp4", source("256x136") + h264).isEmpty());
    QVERIFY(!Make("whole_blocks.mp4", source("256x144") + h264).isEmpty());
    QVERIFY(!Make("mpeg4.avi", source("256x144") + QStringList{"-c:v", "mpeg4", "-bf", "2", "-g",
                                                               "12", "-q:v", "4"})
                 .isEmpty());
    // Chroma rows of 160 bytes need a wider stride: FFmpeg's own buffers.
    QVERIFY(!Make("padded_strides.mp4", source("320x240") + h264).isEmpty());
}

void PackedFramesTest::picturesPackedAfterAnyDelayEqualFfmpegs_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("delay");
    QTest::addColumn<bool>("laidOut");
    for (const int delay : {0, 2, 4, 8}) {
        const QByteArray tag = " held for " + QByteArray::number(delay);
        QTest::newRow("rows below" + tag) << "rows_below.mp4" << delay << true;
        QTest::newRow("whole blocks" + tag) << "whole_blocks.mp4" << delay << true;
        QTest::newRow("MPEG-4 with B-frames" + tag) << "mpeg4.avi" << delay << true;
    }
    QTest::newRow("padded strides") << "padded_strides.mp4" << 8 << false;
}

// Each decoded picture is held while `delay` later ones come out, then packed
// (as the presenter does with its queue); a picture packed in place while the
// decoder still predicted from it would spoil the pictures after it.
void PackedFramesTest::picturesPackedAfterAnyDelayEqualFfmpegs()
{
    QFETCH(QString, name);
    QFETCH(int, delay);
    QFETCH(bool, laidOut);
    const QString file = m_dir.filePath(name);
    const QList<QByteArray> expected = FfmpegFrameMd5s(file);
    QVERIFY(!expected.isEmpty());

    FfmpegInput input;
    QCOMPARE(input.Open(file.toUtf8().constData(), file.section('.', -1).toUtf8(), {}),
             OpenStatus::Ok);
    std::deque<ffmpeg::FramePtr> held;
    QList<QByteArray> packed;
    int inPlace = 0, layoutMismatches = 0;
    const auto packFront = [&] {
        bool wasInPlace = false;
        packed << PackedMd5(*held.front(), wasInPlace);
        inPlace += wasInPlace ? 1 : 0;
        held.pop_front();
    };
    const auto onFrame = [&](const AVFrame& frame) {
        if (PackedFrameAllocator::LaidOutForPacking(frame) != laidOut)
            ++layoutMismatches;
        held.push_back(ffmpeg::MakeFrame());
        av_frame_ref(held.back().get(), &frame);
        while (held.size() > size_t(delay))
            packFront();
    };
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    while (input.Read(packet.get()) == ReadStatus::Packet) {
        if (packet->stream_index == input.videoIndex())
            input.DecodeVideo(packet.get(), onFrame);
        av_packet_unref(packet.get());
    }
    input.DecodeVideo(nullptr, onFrame);
    while (!held.empty())
        packFront();

    QCOMPARE(layoutMismatches, 0);
    QCOMPARE(packed, expected);
    if (!laidOut || delay == 0)
        QCOMPARE(inPlace, 0); // the decoder still holds every picture it just gave out
    else if (delay >= 4)
        QVERIFY2(inPlace > 0, qPrintable(QString::number(inPlace)));
}

void PackedFramesTest::onlyTheSoleHolderOfThisLayoutPacksInPlace()
{
    const QString file = m_dir.filePath(QStringLiteral("rows_below.mp4"));
    FfmpegInput input;
    QCOMPARE(input.Open(file.toUtf8().constData(), "mp4", {}), OpenStatus::Ok);
    ffmpeg::FramePtr first;
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    while (!first && input.Read(packet.get()) == ReadStatus::Packet) {
        if (packet->stream_index == input.videoIndex())
            input.DecodeVideo(packet.get(), [&](const AVFrame& frame) {
                if (!first) {
                    first = ffmpeg::MakeFrame();
                    av_frame_ref(first.get(), &frame);
                }
            });
        av_packet_unref(packet.get());
    }
    QVERIFY(first);
    input.FlushVideo(); // the decoder lets go of every picture
    ffmpeg::FramePtr second = ffmpeg::MakeFrame();
    av_frame_ref(second.get(), first.get());
    QVERIFY(!PackedFrameAllocator::CanPackInPlace(*first));
    QVERIFY(!PackedFrameAllocator::PackInPlace(*first));
    second.reset();
    QVERIFY(PackedFrameAllocator::CanPackInPlace(*first));
    uint8_t* packed = PackedFrameAllocator::PackInPlace(*first);
    QCOMPARE(packed, first->data[0]);
    QCOMPARE(first->data[1], packed + 256 * 136);
    QCOMPARE(first->data[2], packed + 256 * 136 + 128 * 68);
    QCOMPARE(PackedFrameAllocator::PackInPlace(*first), packed); // packing twice changes nothing

    // A writable picture in any other buffer is not taken for this layout.
    ffmpeg::FramePtr foreign = ffmpeg::MakeFrame();
    foreign->format = AV_PIX_FMT_YUV420P;
    foreign->width = 256;
    foreign->height = 144;
    QVERIFY(av_frame_get_buffer(foreign.get(), 1) >= 0);
    QVERIFY(!PackedFrameAllocator::LaidOutForPacking(*foreign));
    QVERIFY(!PackedFrameAllocator::PackInPlace(*foreign));
}

void PackedFramesTest::vorelDecodeDeliversFfmpegsPictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("rows below") << "rows_below.mp4";
    QTest::newRow("MPEG-4 with B-frames") << "mpeg4.avi";
}

// Untimed, every picture comes out; in real time late ones may be skipped,
// but those shown are FFmpeg's, in order.
void PackedFramesTest::vorelDecodeDeliversFfmpegsPictures()
{
    QFETCH(QString, name);
    const QString file = m_dir.filePath(name);
    const QList<QByteArray> expected = FfmpegFrameMd5s(file);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(VorelDecodeMd5s({"--untimed", file}), expected);
    const QList<QByteArray> shown = VorelDecodeMd5s({file});
    QVERIFY(shown.size() >= expected.size() / 4);
    QVERIFY(IsSubsequence(shown, expected));
}

QTEST_GUILESS_MAIN(PackedFramesTest)
#include "tst_PackedFrames.moc"
