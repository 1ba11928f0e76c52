// Colours of real pictures: SMPTE bars made by the ffmpeg command line in each
// matrix (BT.601, BT.709, BT.2020) and range (limited, full), drawn by the
// view and read back, against libswscale's conversion of the same samples
// with the same matrix and range. Also the screenshot of the plain display
// against the display itself, and turned pictures drawn upright.

#include "GLYuvWidget.h"
#include "YuvColorTransform.h"
#include "YuvPicture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cmath>
#include <memory>

namespace
{

constexpr int kWidth = 320;
constexpr int kHeight = 180;
constexpr int kPatch = 20; // patches of 20 x 20 pixels

struct ColourCase {
    const char* matrixName; // ffmpeg's name
    YuvMatrix matrix;
    int swsColorspace;
    YuvRange range;
};

// Raw YUV420P bars with the samples of the given matrix and range.
QByteArray MakeBars(const QString& folder, const ColourCase& c)
{
    const QString out = folder + QStringLiteral("/bars.yuv");
    const QString filter =
        QStringLiteral("scale=out_color_matrix=%1:out_range=%2,format=yuv420p")
            .arg(QLatin1String(c.matrixName),
                 c.range == YuvRange::Full ? QStringLiteral("full") : QStringLiteral("tv"));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                  QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                  QStringLiteral("-i"),
                  QStringLiteral("smptehdbars=size=%1x%2").arg(kWidth).arg(kHeight),
                  QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-vf"), filter,
                  QStringLiteral("-f"), QStringLiteral("rawvideo"), out});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        return {};
    }
    QFile file(out);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// libswscale's RGB for the same samples, matrix and range.
QImage SwsReference(const QByteArray& yuv, const ColourCase& c)
{
    SwsContext* ctx = sws_getContext(
        kWidth, kHeight, AV_PIX_FMT_YUV420P, kWidth, kHeight, AV_PIX_FMT_RGB24,
        SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
    if (!ctx) {
        return {};
    }
    const int fullSource = c.range == YuvRange::Full ? 1 : 0;
    sws_setColorspaceDetails(ctx, sws_getCoefficients(c.swsColorspace), fullSource,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    const auto* base = reinterpret_cast<const uint8_t*>(yuv.constData());
    const uint8_t* planes[3] = {base, base + kWidth * kHeight, base + kWidth * kHeight * 5 / 4};
    const int strides[3] = {kWidth, kWidth / 2, kWidth / 2};
    uint8_t* dst[1] = {image.bits()};
    const int dstStride[1] = {static_cast<int>(image.bytesPerLine())};
    sws_scale(ctx, planes, strides, 0, kHeight, dst, dstStride);
    sws_freeContext(ctx);
    return image;
}

struct Error {
    double mean = 0;       // per pixel and channel, levels of 255
    double worstPatch = 0; // largest channel difference of a patch's means
};

Error Compare(const QImage& shown, const QImage& reference)
{
    Error error;
    double sum = 0;
    for (int py = 0; py + kPatch <= kHeight; py += kPatch) {
        for (int px = 0; px + kPatch <= kWidth; px += kPatch) {
            double patch[3] = {0, 0, 0};
            for (int y = py; y < py + kPatch; ++y) {
                for (int x = px; x < px + kPatch; ++x) {
                    const QRgb a = shown.pixel(x, y);
                    const QRgb b = reference.pixel(x, y);
                    const int d[3] = {qRed(a) - qRed(b), qGreen(a) - qGreen(b),
                                      qBlue(a) - qBlue(b)};
                    for (int k = 0; k < 3; ++k) {
                        patch[k] += d[k];
                        sum += std::abs(d[k]);
                    }
                }
            }
            for (double p : patch) {
                error.worstPatch = std::max(error.worstPatch, std::abs(p) / (kPatch * kPatch));
            }
        }
    }
    error.mean = sum / (3.0 * kWidth * kHeight);
    return error;
}

std::unique_ptr<GLYuvWidget> MakeView(QSize size)
{
    auto view = std::make_unique<GLYuvWidget>();
    view->resize(size);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) {
        qWarning("view not exposed");
    }
    return view;
}

} // namespace

Q_DECLARE_METATYPE(ColourCase)

class TestPictureColour : public QObject
{
    Q_OBJECT

private slots:
    void barsMatchSwscale_data()
    {
        QTest::addColumn<ColourCase>("colour");
        QTest::newRow("BT.601 limited")
            << ColourCase{"bt601", YuvMatrix::Bt601, SWS_CS_ITU601, YuvRange::Limited};
        QTest::newRow("BT.601 full")
            << ColourCase{"bt601", YuvMatrix::Bt601, SWS_CS_ITU601, YuvRange::Full};
        QTest::newRow("BT.709 limited")
            << ColourCase{"bt709", YuvMatrix::Bt709, SWS_CS_ITU709, YuvRange::Limited};
        QTest::newRow("BT.709 full")
            << ColourCase{"bt709", YuvMatrix::Bt709, SWS_CS_ITU709, YuvRange::Full};
        QTest::newRow("BT.2020 limited")
            << ColourCase{"bt2020", YuvMatrix::Bt2020, SWS_CS_BT2020, YuvRange::Limited};
        QTest::newRow("BT.2020 full")
            << ColourCase{"bt2020", YuvMatrix::Bt2020, SWS_CS_BT2020, YuvRange::Full};
    }

    void barsMatchSwscale()
    {
        QFETCH(ColourCase, colour);
        QTemporaryDir folder;
        const QByteArray bars = MakeBars(folder.path(), colour);
        QCOMPARE(bars.size(), YuvPicture::TotalBytes(kWidth, kHeight));
        const QImage reference = SwsReference(bars, colour);
        QVERIFY(!reference.isNull());

        auto view = MakeView(QSize(kWidth, kHeight));
        PictureFormat format;
        format.matrix = colour.matrix;
        format.range = colour.range;
        view->SetPictureFormat(format);
        view->SetDisplay(bars, kWidth, kHeight);
        const QImage drawn = view->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
        const QImage grabbed = view->GrabView();
        QCOMPARE(grabbed.size(), QSize(kWidth, kHeight));
        for (const QImage& shown : {drawn, grabbed}) {
            const Error error = Compare(shown, reference);
            qInfo("%s: mean error %.2f levels, worst patch %.2f", QTest::currentDataTag(),
                  error.mean, error.worstPatch);
            QVERIFY2(error.mean <= 2.5 && error.worstPatch <= 6.0,
                     qPrintable(QStringLiteral("mean %1, worst patch %2")
                                    .arg(error.mean)
                                    .arg(error.worstPatch)));
        }
        // Black and white of the range are black and white.
        float rgb[3];
        const YuvColorTransform transform = YuvColorTransform::For(format);
        const int black = colour.range == YuvRange::Full ? 0 : 16;
        const int white = colour.range == YuvRange::Full ? 255 : 235;
        transform.Apply(black, 128, 128, rgb);
        QVERIFY(rgb[0] < 0.5f && rgb[1] < 0.5f && rgb[2] < 0.5f);
        transform.Apply(white, 128, 128, rgb);
        QVERIFY(rgb[0] > 254.5f && rgb[1] > 254.5f && rgb[2] > 254.5f);
    }

    // The screenshot of a turned, anamorphic picture is upright, at its
    // display aspect, in the display's colours.
    void screenshotIsUprightAtDisplayAspect()
    {
        // Stored 64 x 32: left half bright, right half dark.
        const QByteArray picture = YuvPicture::Quadrants(64, 32, 200, 40, 200, 40);
        auto view = MakeView(QSize(300, 300));
        PictureFormat format;
        format.rotationCwDeg = 90;
        format.sarNum = 2;
        format.sarDen = 1;
        view->SetPictureFormat(format);
        view->SetDisplay(picture, 64, 32);
        const QImage shot = view->GrabView();
        // 64 x 32 at 2:1 samples is 128 x 32, turned: 32 x 128.
        QCOMPARE(shot.size(), QSize(32, 128));
        // The stored left half is on top after a clockwise turn.
        QVERIFY(qGray(shot.pixel(16, 16)) > 150);
        QVERIFY(qGray(shot.pixel(16, 112)) < 60);
        // The view draws the same picture upright in a 300 x 300 window:
        // 75 x 300 wide, centred; its top matches the screenshot's colour.
        QCOMPARE(view->PictureRect(), QRect(112, 0, 75, 300));
        const QImage drawn = view->grabFramebuffer();
        QVERIFY(YuvPicture::Near(drawn.pixel(150, 40), shot.pixel(16, 16), 3));
        QVERIFY(YuvPicture::Near(drawn.pixel(150, 260), shot.pixel(16, 112), 3));
        QCOMPARE(drawn.pixel(50, 150), qRgb(0, 0, 0)); // black bar
        // Stretched, the picture fills the window whatever its shape.
        view->SetScale(false);
        QCOMPARE(view->PictureRect(), QRect(0, 0, 300, 300));
        QVERIFY(qGray(view->grabFramebuffer().pixel(20, 40)) > 150);
    }
};

QTEST_MAIN(TestPictureColour)
#include "test_picture_colour.moc"
