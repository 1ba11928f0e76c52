// The stand-in audio codec library against FFmpeg's own G.711 A-law decoder,
// and its failures.
#include <QtTest>
#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include "ACodec/ACodec.h"
#include "FfmpegHandles.h"

using namespace Vorel::Utility::ACodec;

namespace {

constexpr AudioFrameType kALaw = AudioFrameType(22);

// Decodes `codes` with libavcodec's pcm_alaw at 16 kHz mono.
std::vector<std::int16_t> DecodeWithFfmpeg(std::vector<std::uint8_t> codes)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_PCM_ALAW);
    AvCodecContextPtr context(avcodec_alloc_context3(codec));
    AvPacketPtr packet(av_packet_alloc());
    AvFramePtr frame(av_frame_alloc());
    if (!context || !packet || !frame) {
        return {};
    }
    context->sample_rate = 16000;
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    av_channel_layout_copy(&context->ch_layout, &mono);
    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        return {};
    }
    codes.resize(codes.size() + AV_INPUT_BUFFER_PADDING_SIZE);
    packet->data = codes.data();
    packet->size = int(codes.size() - AV_INPUT_BUFFER_PADDING_SIZE);
    if (avcodec_send_packet(context.get(), packet.get()) < 0
        || avcodec_receive_frame(context.get(), frame.get()) < 0 || frame->format != AV_SAMPLE_FMT_S16) {
        return {};
    }
    const auto* samples = reinterpret_cast<const std::int16_t*>(frame->data[0]);
    return std::vector<std::int16_t>(samples, samples + frame->nb_samples);
}

// Reads the decoder's output as little-endian 16-bit samples.
std::vector<std::int16_t> Samples(const Buffer& output)
{
    const auto* bytes = static_cast<const std::uint8_t*>(output.data());
    std::vector<std::int16_t> samples(output.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = std::int16_t(std::uint16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    }
    return samples;
}

}  // namespace

class TestACodec : public QObject {
    Q_OBJECT

private slots:
    void everyCodeMatchesFfmpeg();
    void rejectsBadInput_data();
    void rejectsBadInput();
    void outputLivesUntilTheNextDecode();
};

void TestACodec::everyCodeMatchesFfmpeg()
{
    std::vector<std::uint8_t> codes(256);
    for (int i = 0; i < 256; ++i) {
        codes[std::size_t(i)] = std::uint8_t(i);
    }
    const std::vector<std::int16_t> expected = DecodeWithFfmpeg(codes);
    QCOMPARE(int(expected.size()), 256);

    Decoder decoder;
    Buffer input(codes.data(), unsigned(codes.size()), kALaw);
    Buffer output;
    QCOMPARE(int(decoder.Decode(output, input)), 0);
    QCOMPARE(output.size(), 512u);
    const std::vector<std::int16_t> decoded = Samples(output);
    for (int i = 0; i < 256; ++i) {
        QVERIFY2(decoded[std::size_t(i)] == expected[std::size_t(i)],
            qPrintable(QStringLiteral("code %1: %2 instead of %3").arg(i).arg(decoded[std::size_t(i)])
                           .arg(expected[std::size_t(i)])));
    }
    // The input bytes are left as they were.
    for (int i = 0; i < 256; ++i) {
        QCOMPARE(int(codes[std::size_t(i)]), i);
    }
}

void TestACodec::rejectsBadInput_data()
{
    QTest::addColumn<bool>("nullData");
    QTest::addColumn<unsigned>("sizeBytes");
    QTest::addColumn<int>("frameType");

    QTest::newRow("null buffer") << true << 16u << 22;
    QTest::newRow("null buffer, no bytes") << true << 0u << 22;
    QTest::newRow("empty input") << false << 0u << 22;
    QTest::newRow("unknown frame type") << false << 16u << 21;
    QTest::newRow("no frame type") << false << 16u << 0;
    // The size is checked before any byte is read, so the tiny real buffer
    // behind it is never overrun.
    QTest::newRow("output larger than an unsigned count") << false << (UINT_MAX / 2 + 1) << 22;
}

void TestACodec::rejectsBadInput()
{
    QFETCH(bool, nullData);
    QFETCH(unsigned, sizeBytes);
    QFETCH(int, frameType);

    std::array<std::uint8_t, 16> bytes{};
    Decoder decoder;
    std::array<std::uint8_t, 4> good{0xD5, 0x55, 0x2A, 0xAA};
    Buffer goodInput(good.data(), unsigned(good.size()), kALaw);
    Buffer output;
    QCOMPARE(int(decoder.Decode(output, goodInput)), 0);

    Buffer input(nullData ? nullptr : bytes.data(), sizeBytes, AudioFrameType(frameType));
    QVERIFY(int(decoder.Decode(output, input)) != 0);
    QCOMPARE(output.size(), 0u);
    QCOMPARE(output.data(), nullptr);

    // A failure leaves the decoder usable for the next packet.
    QCOMPARE(int(decoder.Decode(output, goodInput)), 0);
    QCOMPARE(output.size(), 8u);
}

void TestACodec::outputLivesUntilTheNextDecode()
{
    Decoder decoder;
    std::vector<std::uint8_t> first(640, 0xD5);   // +8
    std::vector<std::uint8_t> second(320, 0x2A);  // -32256
    Buffer firstInput(first.data(), unsigned(first.size()), kALaw);
    Buffer secondInput(second.data(), unsigned(second.size()), kALaw);

    Buffer firstOutput;
    QCOMPARE(int(decoder.Decode(firstOutput, firstInput)), 0);
    first.assign(first.size(), 0x00);  // the caller may reuse its bytes at once
    const std::vector<std::int16_t> firstSamples = Samples(firstOutput);
    QCOMPARE(int(firstSamples.size()), 640);
    QVERIFY(std::all_of(firstSamples.begin(), firstSamples.end(), [](std::int16_t s) { return s == 8; }));

    Buffer secondOutput;
    QCOMPARE(int(decoder.Decode(secondOutput, secondInput)), 0);
    const std::vector<std::int16_t> secondSamples = Samples(secondOutput);
    QCOMPARE(int(secondSamples.size()), 320);
    QVERIFY(std::all_of(secondSamples.begin(), secondSamples.end(), [](std::int16_t s) { return s == -32256; }));

    // Two decoders hold separate outputs.
    Decoder other;
    Buffer otherOutput;
    QCOMPARE(int(other.Decode(otherOutput, firstInput)), 0);
    QVERIFY(otherOutput.data() != secondOutput.data());
    QCOMPARE(Samples(secondOutput).front(), std::int16_t(-32256));
}

QTEST_GUILESS_MAIN(TestACodec)
#include "TestACodec.moc"
