// The engine's building blocks on their own: picture and audio conversion,
// tempo, the playback clock while paused, the buffer pool, the sink, the
// packet queue and the reading of display matrices.

#include "AudioConverter.h"
#include "AudioOut.h"
#include "AudioTempo.h"
#include "PacketQueue.h"
#include "PictureBufferPool.h"
#include "PictureDescription.h"
#include "PlaybackClock.h"
#include "VideoConverter.h"

#include <QtTest>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
}

namespace
{
ffmpeg::FramePtr MakePicture(AVPixelFormat format, int width, int height)
{
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    // A deterministic pattern in every plane, padding included.
    for (int p = 0; p < 4 && frame->buf[p]; ++p)
        for (size_t i = 0; i < frame->buf[p]->size; ++i)
            frame->buf[p]->data[i] = static_cast<uint8_t>((i * 7 + p * 31) & 0xff);
    return frame;
}

// Reference conversion: FFmpeg's scaler into an aligned picture, then packed.
QByteArray ReferenceYuv420(const AVFrame& frame)
{
    ffmpeg::FramePtr scaled = ffmpeg::MakeFrame();
    scaled->format = AV_PIX_FMT_YUV420P;
    scaled->width = frame.width;
    scaled->height = frame.height;
    av_frame_get_buffer(scaled.get(), 0);
    SwsContext* sws =
        sws_getContext(frame.width, frame.height, AVPixelFormat(frame.format), frame.width,
                       frame.height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    sws_scale(sws, frame.data, frame.linesize, 0, frame.height, scaled->data, scaled->linesize);
    sws_freeContext(sws);
    QByteArray out(av_image_get_buffer_size(AV_PIX_FMT_YUV420P, frame.width, frame.height, 1), 0);
    av_image_copy_to_buffer(reinterpret_cast<uint8_t*>(out.data()), out.size(), scaled->data,
                            scaled->linesize, AV_PIX_FMT_YUV420P, frame.width, frame.height, 1);
    return out;
}

ffmpeg::FramePtr MakeTone(int samples, int channels, bool layoutKnown)
{
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
    frame->format = AV_SAMPLE_FMT_S16;
    frame->sample_rate = 48000;
    frame->nb_samples = samples;
    if (layoutKnown)
        av_channel_layout_default(&frame->ch_layout, channels);
    else {
        frame->ch_layout.order = AV_CHANNEL_ORDER_UNSPEC;
        frame->ch_layout.nb_channels = channels;
    }
    av_frame_get_buffer(frame.get(), 0);
    auto* pcm = reinterpret_cast<int16_t*>(frame->data[0]);
    for (int i = 0; i < samples * channels; ++i)
        pcm[i] = static_cast<int16_t>((i * 977) % 20000 - 10000);
    return frame;
}
} // namespace

class EngineUnitsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void displayMatrixGivesTheUprightTurn_data();
    void displayMatrixGivesTheUprightTurn();
    void packetQueueCountsWhatItHoldsAndKeepsOrder();
    void pictureSizesRoundChromaUp();
    void picturesOfEveryLayoutBecomePackedYuv420_data();
    void picturesOfEveryLayoutBecomePackedYuv420();
    void plainPicturesAreCopiedExactlyWhateverTheirPadding();
    void audioWithUnsetLayoutIsConverted();
    void audioConversionFollowsFormatChanges();
    void tempoOneIsBitExactAndTwoHalvesTheSamples();
    void pausedClockStandsStill();
    void clockFollowsAudioWrittenWhenTheDeviceHoldsSome();
    void clockHoldsStillRatherThanGoingBack();
    void poolRecyclesBuffersUpToItsBound();
    void sinkDropsEmptyChunksAndWritesChunksLargerThanTheDevice();
    void sinkWriteStopsWhenToldWhilePaused();
};

void EngineUnitsTest::pictureSizesRoundChromaUp()
{
    QCOMPARE(VideoConverter::PictureSize(1920, 1080), 1920 * 1080 * 3 / 2);
    QCOMPARE(VideoConverter::PictureSize(101, 51), 101 * 51 + 2 * 51 * 26);
    QCOMPARE(VideoConverter::PictureSize(0, 10), 0);
    QCOMPARE(VideoConverter::PictureSize(-4, 10), 0);
}

void EngineUnitsTest::picturesOfEveryLayoutBecomePackedYuv420_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("4:4:4") << int(AV_PIX_FMT_YUV444P) << 64 << 48;
    QTest::newRow("4:2:2") << int(AV_PIX_FMT_YUV422P) << 64 << 48;
    QTest::newRow("10-bit") << int(AV_PIX_FMT_YUV420P10LE) << 64 << 48;
    QTest::newRow("RGB") << int(AV_PIX_FMT_RGB24) << 64 << 48;
    QTest::newRow("NV12") << int(AV_PIX_FMT_NV12) << 64 << 48;
    QTest::newRow("odd RGB") << int(AV_PIX_FMT_BGR0) << 101 << 51;
}

void EngineUnitsTest::picturesOfEveryLayoutBecomePackedYuv420()
{
    QFETCH(int, format);
    QFETCH(int, width);
    QFETCH(int, height);
    ffmpeg::FramePtr frame = MakePicture(AVPixelFormat(format), width, height);
    QVERIFY(frame);
    VideoConverter converter;
    QByteArray out(VideoConverter::PictureSize(width, height), 0);
    QVERIFY(converter.Convert(*frame, reinterpret_cast<uint8_t*>(out.data())));
    QVERIFY(out == ReferenceYuv420(*frame));
}

void EngineUnitsTest::plainPicturesAreCopiedExactlyWhateverTheirPadding()
{
    ffmpeg::FramePtr frame = MakePicture(AV_PIX_FMT_YUV420P, 101, 51);
    QVERIFY(frame->linesize[0] > 101); // the decoder's rows are padded
    VideoConverter converter;
    QByteArray out(VideoConverter::PictureSize(101, 51), 0);
    QVERIFY(converter.Convert(*frame, reinterpret_cast<uint8_t*>(out.data())));
    const auto* packed = reinterpret_cast<const uint8_t*>(out.constData());
    for (int y = 0; y < 51; ++y)
        QCOMPARE(memcmp(packed + y * 101, frame->data[0] + y * frame->linesize[0], 101), 0);
    const uint8_t* u = packed + 101 * 51;
    const uint8_t* v = u + 51 * 26;
    for (int y = 0; y < 26; ++y) {
        QCOMPARE(memcmp(u + y * 51, frame->data[1] + y * frame->linesize[1], 51), 0);
        QCOMPARE(memcmp(v + y * 51, frame->data[2] + y * frame->linesize[2], 51), 0);
    }
}

void EngineUnitsTest::audioWithUnsetLayoutIsConverted()
{
    AudioConverter converter;
    converter.SetTarget({48000, 2, AV_SAMPLE_FMT_S16});
    ffmpeg::FramePtr unset = MakeTone(480, 2, false);
    ffmpeg::FramePtr known = MakeTone(480, 2, true);
    QByteArray fromUnset, fromKnown;
    QVERIFY(converter.Convert(*unset, fromUnset));
    AudioConverter other;
    other.SetTarget({48000, 2, AV_SAMPLE_FMT_S16});
    QVERIFY(other.Convert(*known, fromKnown));
    QCOMPARE(fromUnset.size(), 480 * 4);
    QVERIFY(fromUnset == fromKnown);
    // Same format in and out: the samples pass unchanged.
    QVERIFY(fromKnown == QByteArray(reinterpret_cast<const char*>(known->data[0]), 480 * 4));
}

void EngineUnitsTest::audioConversionFollowsFormatChanges()
{
    // A device that only offers float stereo gets float stereo, whatever comes in.
    AudioConverter converter;
    converter.SetTarget({48000, 2, AV_SAMPLE_FMT_FLT});
    QByteArray out;
    QVERIFY(converter.Convert(*MakeTone(480, 1, true), out));
    QCOMPARE(out.size(), 480 * 2 * 4);
    QVERIFY(converter.Convert(*MakeTone(480, 2, true), out));
    QCOMPARE(out.size(), 2 * 480 * 2 * 4);
    const float* samples = reinterpret_cast<const float*>(out.constData());
    QCOMPARE(samples[0], samples[1]); // mono is spread to both channels
    QVERIFY(samples[0] < -0.1f && samples[0] > -10000 / 32768.0f - 1e-3f);
}

void EngineUnitsTest::tempoOneIsBitExactAndTwoHalvesTheSamples()
{
    ffmpeg::FramePtr tone = MakeTone(48000, 2, true);
    const auto* data = tone->data[0];
    AudioTempo same;
    QVERIFY(same.Configure(48000, 2, AV_SAMPLE_FMT_S16, 1.0));
    QVERIFY(!same.IsActive());
    QByteArray out;
    same.Process(data, 48000, out);
    QVERIFY(out == QByteArray(reinterpret_cast<const char*>(data), 48000 * 4));

    AudioTempo fast;
    QVERIFY(fast.Configure(48000, 2, AV_SAMPLE_FMT_S16, 2.0));
    QVERIFY(fast.IsActive());
    QByteArray quick;
    // Fed as a decoder delivers it: about 1024 samples at a time.
    for (int i = 0; i < 4; ++i)
        for (int offset = 0; offset < 48000; offset += 1000)
            fast.Process(data + offset * 4, 1000, quick);
    const int frames = quick.size() / 4;
    // Four seconds at double speed: about two seconds, less the filter's window.
    QVERIFY2(frames > 48000 * 2 - 4800 && frames <= 48000 * 2, qPrintable(QString::number(frames)));
}

void EngineUnitsTest::pausedClockStandsStill()
{
    PlaybackClock clock;
    QCOMPARE(clock.NowMs(), 0);
    QVERIFY(!clock.IsAnchored());
    clock.Anchor(5000);
    clock.SetPaused(true);
    const qint64 held = clock.NowMs();
    QVERIFY(held >= 5000 && held < 5100);
    QTest::qWait(30);
    QCOMPARE(clock.NowMs(), held);
    clock.Anchor(9000); // already running: ignored
    QCOMPARE(clock.NowMs(), held);
    clock.Reset();
    QVERIFY(!clock.IsAnchored());
}

void EngineUnitsTest::clockFollowsAudioWrittenWhenTheDeviceHoldsSome()
{
    qint64 bufferedUs = 200000;
    PlaybackClock clock([&] { return bufferedUs; });
    clock.Anchor(0);
    clock.OnAudioWritten(1200);
    // 1200 ms written, 200 ms still in the device: 1000 ms is playing now.
    QVERIFY(qAbs(clock.NowMs() - 1000) < 20);
    clock.SetSpeed(2.0);
    bufferedUs = 100000;
    QVERIFY(qAbs(clock.NowMs() - 1000) < 20); // 100 ms of device time is 200 ms of media
    // The device ran dry: the clock goes on by itself from there.
    bufferedUs = 0;
    QVERIFY(clock.NowMs() >= 1000);
}

void EngineUnitsTest::clockHoldsStillRatherThanGoingBack()
{
    qint64 bufferedUs = 0;
    PlaybackClock clock([&] { return bufferedUs; });
    clock.Anchor(0);
    // No report from the device yet: the clock runs by itself.
    QTest::qWait(60);
    const qint64 early = clock.NowMs();
    QVERIFY(early >= 50);
    // The device then says the sound written (up to 100 ms) is heard 400 ms
    // from now: the clock holds still until the sound catches up.
    clock.OnAudioWritten(100);
    bufferedUs = 400000;
    QVERIFY(clock.NowMs() >= early);
    QTest::qWait(30);
    QVERIFY(clock.NowMs() >= early);
    QVERIFY(clock.NowMs() < early + 20);
    // The sound caught up: the clock follows it again.
    clock.OnAudioWritten(1000);
    bufferedUs = 200000;
    QVERIFY(qAbs(clock.NowMs() - 800) < 20);
    // Sound whose time stamps went back takes the clock back with it.
    clock.OnAudioWritten(300);
    bufferedUs = 100000;
    QVERIFY(qAbs(clock.NowMs() - 200) < 20);
    // So does a reset.
    clock.Reset();
    clock.Anchor(50);
    bufferedUs = 0;
    QVERIFY(clock.NowMs() < 100);
}

void EngineUnitsTest::poolRecyclesBuffersUpToItsBound()
{
    PictureBufferPool pool;
    PictureBufferPool::Buffer a = pool.Take(1000);
    QCOMPARE(a.size(), size_t(1000));
    const uint8_t* storage = a.data();
    pool.Give(std::move(a));
    PictureBufferPool::Buffer b = pool.Take(800);
    QCOMPARE(b.size(), size_t(800));
    QCOMPARE(b.data(), storage); // the same block, reused
    std::vector<PictureBufferPool::Buffer> many;
    for (int i = 0; i < 20; ++i)
        many.push_back(pool.Take(10));
    for (auto& buffer : many)
        pool.Give(std::move(buffer));
    int recycled = 0;
    std::vector<PictureBufferPool::Buffer> again;
    for (int i = 0; i < 20; ++i) {
        again.push_back(pool.Take(10));
        recycled += again.back().capacity() >= 10 ? 0 : 1;
    }
    QCOMPARE(recycled, 0);
}

void EngineUnitsTest::sinkDropsEmptyChunksAndWritesChunksLargerThanTheDevice()
{
    AudioOut sink;
    QByteArray tapped;
    sink.SetTap([&](const QByteArray& piece) { tapped += piece; });
    sink.Setting(16000, 1);
    QVERIFY(sink.enabled());
    sink.GetAudioFrameSlot(QByteArray());
    QVERIFY(tapped.isEmpty());
    // Two seconds in one chunk: several times the device's whole buffer. It
    // goes in pieces, every byte once, in order.
    QByteArray big(sink.Format().bytesForDuration(2000000), '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + i / 251);
    qint64 written = 0;
    QVERIFY(sink.Write(big, nullptr, &written));
    QCOMPARE(written, qint64(big.size()));
    QVERIFY(tapped == big);
    QVERIFY(sink.BufferedUs() >= 0);
}

void EngineUnitsTest::sinkWriteStopsWhenToldWhilePaused()
{
    AudioOut sink;
    sink.Setting(48000, 2);
    sink.SetPaused(SinkPause::Paused);
    std::atomic<int> polls{0};
    const QByteArray chunk(sink.Format().bytesForDuration(1000000), '\0');
    // A paused device takes nothing; the writer gives up when asked to and
    // says that nothing went.
    qint64 written = -1;
    QVERIFY(!sink.Write(
        chunk, [&] { return ++polls < 20; }, &written));
    QVERIFY(polls >= 20);
    QCOMPARE(written, qint64(0));
    sink.SetPaused(SinkPause::Running);
    sink.SetVolume(0.2);
}

void EngineUnitsTest::displayMatrixGivesTheUprightTurn_data()
{
    // The matrices as FFmpeg writes them for a clockwise turn of `setCwDeg`
    // (av_display_rotation_set), optionally followed by a mirror.
    QTest::addColumn<double>("setCwDeg");
    QTest::addColumn<bool>("flip");
    QTest::addColumn<int>("cwDeg");
    QTest::newRow("none") << 0.0 << false << 0;
    QTest::newRow("90 cw (phones in portrait)") << 90.0 << false << 90;
    QTest::newRow("90 ccw") << -90.0 << false << 270;
    QTest::newRow("180") << 180.0 << false << 180;
    QTest::newRow("almost 90 cw") << 89.6 << false << 90;
    // Mirroring the turned picture is mirroring first and turning back.
    QTest::newRow("mirrored") << 0.0 << true << 0;
    QTest::newRow("90 cw, then mirrored") << 90.0 << true << 270;
    QTest::newRow("180, then mirrored") << 180.0 << true << 180;
}

void EngineUnitsTest::displayMatrixGivesTheUprightTurn()
{
    QFETCH(double, setCwDeg);
    QFETCH(bool, flip);
    QFETCH(int, cwDeg);
    int32_t matrix[9];
    av_display_rotation_set(matrix, setCwDeg);
    if (flip)
        av_display_matrix_flip(matrix, 1, 0);
    int rotation = -1;
    bool mirrored = !flip;
    PictureDescription::TurnFromDisplayMatrix(matrix, &rotation, &mirrored);
    QCOMPARE(rotation, cwDeg);
    QCOMPARE(mirrored, flip);
}

void EngineUnitsTest::packetQueueCountsWhatItHoldsAndKeepsOrder()
{
    PacketQueue queue;
    queue.SetTimeBase(AVRational{1, 90000});
    PacketQueue::Entry entry;
    QVERIFY(!queue.Take(entry, 1));
    for (int i = 0; i < 3; ++i) {
        ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
        QCOMPARE(av_new_packet(packet.get(), 1000 * (i + 1)), 0);
        packet->duration = 3600; // 40 ms
        packet->pts = i;
        queue.Put(packet.get(), 7);
    }
    queue.PutEnd(7);
    QCOMPARE(queue.count(), 4);
    QCOMPARE(queue.durationMs(), qint64(120));
    QVERIFY(queue.bytes() >= 6000);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(queue.Take(entry, 1));
        QVERIFY(entry.packet);
        QCOMPARE(entry.packet->pts, int64_t(i));
        QCOMPARE(entry.serial, 7u);
    }
    QCOMPARE(queue.durationMs(), qint64(0));
    QVERIFY(queue.Take(entry, 1));
    QVERIFY(!entry.packet); // the end marker
    QCOMPARE(queue.bytes(), qint64(0));

    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    QCOMPARE(av_new_packet(packet.get(), 500), 0);
    queue.Put(packet.get(), 8);
    queue.Flush();
    QCOMPARE(queue.count(), 0);
    QCOMPARE(queue.bytes(), qint64(0));
    QVERIFY(!queue.Take(entry, 1));
}

QTEST_GUILESS_MAIN(EngineUnitsTest)
#include "tst_EngineUnits.moc"
