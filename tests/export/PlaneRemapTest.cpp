// Resampling through a sample map: exact where the map points at texel
// centres, bilinear between them, clamped at the edges, flat colours and
// colour conversion to BT.709 limited range; and, with a GL context, the
// export's resampled pictures against the same layouts drawn by the shader.

#include "PlaneRemap.h"
#include "DewarpRenderer.h"
#include "YuvColorTransform.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace
{

// A YUV 4:2:0 picture, planes packed as the engine packs them.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;
    uint8_t* Plane(int plane)
    {
        const size_t luma = static_cast<size_t>(width) * height;
        const size_t chroma = static_cast<size_t>(ChromaWidth()) * ((height + 1) / 2);
        return bytes.data() + (plane == 0 ? 0 : luma + (plane - 1) * chroma);
    }
    int Stride(int plane) const { return plane == 0 ? width : ChromaWidth(); }
    int ChromaWidth() const { return (width + 1) / 2; }
    PlaneRemap::InPlanes In()
    {
        PlaneRemap::InPlanes in;
        for (int plane = 0; plane < 3; ++plane) {
            in.data[plane] = Plane(plane);
            in.stride[plane] = Stride(plane);
        }
        return in;
    }
    PlaneRemap::OutPlanes Out()
    {
        PlaneRemap::OutPlanes out;
        for (int plane = 0; plane < 3; ++plane) {
            out.data[plane] = Plane(plane);
            out.stride[plane] = Stride(plane);
        }
        return out;
    }
};

Picture MakePicture(int width, int height)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bytes.assign(static_cast<size_t>(width) * height +
                             2 * static_cast<size_t>((width + 1) / 2) * ((height + 1) / 2),
                         0);
    return picture;
}

// Smooth ramps with sharp squares, something of everything a camera shows,
// in colours that R'G'B' holds (the shader clips the others).
Picture MakeScene(int width, int height)
{
    Picture picture = MakePicture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool square = ((x / 48) + (y / 48)) % 2 == 0;
            picture.Plane(0)[y * width + x] =
                static_cast<uint8_t>(std::clamp(16 + x * 200 / width + (square ? 15 : 0), 16, 235));
        }
    }
    const int chromaHeight = (height + 1) / 2;
    for (int y = 0; y < chromaHeight; ++y) {
        for (int x = 0; x < picture.ChromaWidth(); ++x) {
            picture.Plane(1)[y * picture.ChromaWidth() + x] =
                static_cast<uint8_t>(100 + y * 56 / chromaHeight);
            picture.Plane(2)[y * picture.ChromaWidth() + x] =
                static_cast<uint8_t>(((x / 30) % 2) != 0 ? 150 : 106);
        }
    }
    return picture;
}

// A map of texture coordinates, bottom row first as GL reads it back.
std::vector<float> MakeMap(QSize size, const std::function<QPointF(int x, int y)>& point)
{
    std::vector<float> map(static_cast<size_t>(size.width()) * size.height() * 4);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            float* texel =
                &map[(static_cast<size_t>(size.height() - 1 - y) * size.width() + x) * 4];
            const QPointF at = point(x, y);
            texel[0] = static_cast<float>(at.x());
            texel[1] = static_cast<float>(at.y());
            texel[3] = 1.0f;
        }
    }
    return map;
}

// BT.709 limited-range 8-bit codes to R'G'B' 0..255.
void ToRgb(int y, int u, int v, float rgb[3])
{
    YuvColorTransform::For(YuvMatrix::Bt709, YuvRange::Limited).Apply(y, u, v, rgb);
}

} // namespace

class PlaneRemapTest : public QObject
{
    Q_OBJECT

private slots:
    void texelCentresCopyThePicture();
    void betweenTexelsFiltersAndEdgesClamp();
    void flatColoursAndMixedBlocks();
    void otherColourDescriptionsConvertToBt709();
    void unusableSizesAreRefused();
    void remappedPicturesMatchTheShader_data();
    void remappedPicturesMatchTheShader();
};

void PlaneRemapTest::texelCentresCopyThePicture()
{
    Picture in = MakeScene(64, 48);
    const QSize size(64, 48);
    const std::vector<float> map =
        MakeMap(size, [](int x, int y) { return QPointF((x + 0.5) / 64.0, (y + 0.5) / 48.0); });
    PlaneRemap remap;
    QVERIFY(remap.Build(map.data(), size, size));
    remap.SetPictureColour(YuvColorTransform::For(YuvMatrix::Bt709, YuvRange::Limited));
    Picture out = MakePicture(64, 48);
    remap.Apply(in.In(), out.Out());
    QVERIFY(out.bytes == in.bytes);
}

void PlaneRemapTest::betweenTexelsFiltersAndEdgesClamp()
{
    Picture in = MakePicture(8, 8);
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            in.Plane(0)[y * 8 + x] = static_cast<uint8_t>(20 * x + 10);
        }
    }
    std::fill(in.Plane(1), in.Plane(1) + 16, 100);
    std::fill(in.Plane(2), in.Plane(2) + 16, 150);
    // Column 0 halfway between texels 1 and 2, column 1 a quarter past
    // texel 4; columns 2 and 3 beyond the left and right edges.
    const QSize size(4, 2);
    const std::vector<float> map = MakeMap(size, [](int x, int) {
        const double at[4] = {2.0 / 8, 4.75 / 8, -0.3, 1.4};
        return QPointF(at[x], 0.5);
    });
    PlaneRemap remap;
    QVERIFY(remap.Build(map.data(), size, QSize(8, 8)));
    remap.SetPictureColour(YuvColorTransform::For(YuvMatrix::Bt709, YuvRange::Limited));
    Picture out = MakePicture(4, 2);
    remap.Apply(in.In(), out.Out());
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(int(out.Plane(0)[row * 4 + 0]), 40);  // (30 + 50) / 2
        QCOMPARE(int(out.Plane(0)[row * 4 + 1]), 95);  // 90 + 20 / 4
        QCOMPARE(int(out.Plane(0)[row * 4 + 2]), 10);  // the first texel
        QCOMPARE(int(out.Plane(0)[row * 4 + 3]), 150); // the last texel
    }
    QCOMPARE(int(out.Plane(1)[0]), 100);
    QCOMPARE(int(out.Plane(2)[1]), 150);
}

void PlaneRemapTest::flatColoursAndMixedBlocks()
{
    Picture in = MakePicture(8, 8);
    std::fill(in.bytes.begin(), in.bytes.end(), 200);
    // The left block: white above, black below; the right block: two
    // picture pixels and two pure blue ones.
    const QSize size(4, 2);
    std::vector<float> map = MakeMap(size, [](int, int) { return QPointF(0.5, 0.5); });
    const auto flat = [&](int x, int y, float r, float g, float b) {
        float* texel = &map[(static_cast<size_t>(1 - y) * 4 + x) * 4];
        texel[0] = r;
        texel[1] = g;
        texel[2] = b;
        texel[3] = 0.0f;
    };
    flat(0, 0, 1, 1, 1);
    flat(1, 0, 1, 1, 1);
    flat(0, 1, 0, 0, 0);
    flat(1, 1, 0, 0, 0);
    flat(3, 0, 0, 0, 1);
    flat(3, 1, 0, 0, 1);
    PlaneRemap remap;
    QVERIFY(remap.Build(map.data(), size, QSize(8, 8)));
    remap.SetPictureColour(YuvColorTransform::For(YuvMatrix::Bt709, YuvRange::Limited));
    Picture out = MakePicture(4, 2);
    remap.Apply(in.In(), out.Out());
    QCOMPARE(int(out.Plane(0)[0]), 235);
    QCOMPARE(int(out.Plane(0)[4]), 16);
    QCOMPARE(int(out.Plane(1)[0]), 128);
    QCOMPARE(int(out.Plane(2)[0]), 128);
    // Blue in BT.709 limited range: Y 32, Cb 240, Cr 118.
    QCOMPARE(int(out.Plane(0)[3]), 32);
    QCOMPARE(int(out.Plane(0)[2]), 200);
    QCOMPARE(int(out.Plane(1)[1]), (2 * 200 + 2 * 240 + 2) / 4);
    QCOMPARE(int(out.Plane(2)[1]), (2 * 200 + 2 * 118 + 2) / 4);
}

void PlaneRemapTest::otherColourDescriptionsConvertToBt709()
{
    // One flat colour stored in each description; the output shows the same
    // R'G'B' when read as BT.709 limited range.
    const struct {
        YuvMatrix matrix;
        YuvRange range;
    } cases[] = {{YuvMatrix::Bt601, YuvRange::Full},
                 {YuvMatrix::Bt601, YuvRange::Limited},
                 {YuvMatrix::Bt2020, YuvRange::Limited},
                 {YuvMatrix::Bt709, YuvRange::Full}};
    const int stored[][3] = {{81, 90, 240}, {145, 54, 34}, {41, 240, 110}, {180, 120, 140}};
    for (const auto& description : cases) {
        const YuvColorTransform transform =
            YuvColorTransform::For(description.matrix, description.range);
        for (const auto& sample : stored) {
            Picture in = MakePicture(8, 8);
            std::fill(in.Plane(0), in.Plane(1), static_cast<uint8_t>(sample[0]));
            std::fill(in.Plane(1), in.Plane(2), static_cast<uint8_t>(sample[1]));
            std::fill(in.Plane(2), in.Plane(2) + 16, static_cast<uint8_t>(sample[2]));
            const std::vector<float> map =
                MakeMap(QSize(2, 2), [](int, int) { return QPointF(0.5, 0.5); });
            PlaneRemap remap;
            QVERIFY(remap.Build(map.data(), QSize(2, 2), QSize(8, 8)));
            remap.SetPictureColour(transform);
            Picture out = MakePicture(2, 2);
            remap.Apply(in.In(), out.Out());
            float expected[3];
            transform.Apply(sample[0], sample[1], sample[2], expected);
            float shown[3];
            ToRgb(out.Plane(0)[0], out.Plane(1)[0], out.Plane(2)[0], shown);
            for (int channel = 0; channel < 3; ++channel) {
                // Colours outside the output's gamut may clip differently.
                if (expected[channel] > 2 && expected[channel] < 253) {
                    QVERIFY2(std::fabs(shown[channel] - expected[channel]) < 3.0f,
                             qPrintable(QStringLiteral("%1 %2 %3: channel %4 shows %5, not %6")
                                            .arg(sample[0])
                                            .arg(sample[1])
                                            .arg(sample[2])
                                            .arg(channel)
                                            .arg(shown[channel])
                                            .arg(expected[channel])));
                }
            }
        }
    }
}

void PlaneRemapTest::unusableSizesAreRefused()
{
    const std::vector<float> map = MakeMap(QSize(3, 2), [](int, int) { return QPointF(0.5, 0.5); });
    PlaneRemap remap;
    QVERIFY(!remap.Build(map.data(), QSize(3, 2), QSize(8, 8)));
    QVERIFY(!remap.Build(map.data(), QSize(2, 2), QSize(3, 8)));
    QVERIFY(!remap.Build(nullptr, QSize(2, 2), QSize(8, 8)));
    QVERIFY(!remap.IsBuilt());
    QVERIFY(remap.Build(map.data(), QSize(2, 2), QSize(8, 8)));
    QVERIFY(remap.IsBuilt());
}

void PlaneRemapTest::remappedPicturesMatchTheShader_data()
{
    QTest::addColumn<int>("layout");
    QTest::newRow("perspective") << 1;
    QTest::newRow("four views with outlines") << 9;
    QTest::newRow("double panorama") << 6;
}

// The same layout, drawn by the shader into RGB and resampled through its
// map into YUV: the same picture within the filtering's rounding.
void PlaneRemapTest::remappedPicturesMatchTheShader()
{
    QFETCH(int, layout);
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    QVERIFY(context.create());
    QVERIFY(context.makeCurrent(&surface));
    const QSize outSize(320, 180);
    Picture scene = MakeScene(720, 540);
    PictureFormat format;
    format.matrix = YuvMatrix::Bt709;
    format.range = YuvRange::Limited;
    DewarpSettings settings;
    settings.layout = layout;
    std::vector<uchar> rgba(static_cast<size_t>(outSize.width()) * outSize.height() * 4);
    std::vector<float> map;
    {
        DewarpRenderer shader(settings, outSize);
        QVERIFY2(shader.Init(), qPrintable(shader.ErrorString()));
        QVERIFY(shader.Render(reinterpret_cast<const char*>(scene.bytes.data()),
                              qint64(scene.bytes.size()), scene.width, scene.height, format,
                              rgba.data()));
        DewarpRenderer mapper(settings, outSize);
        QVERIFY(mapper.Init());
        if (!mapper.RenderSampleMap(scene.width, scene.height, map)) {
            QSKIP("this GL draws into no float framebuffer");
        }
    }
    PlaneRemap remap;
    QVERIFY(remap.Build(map.data(), outSize, QSize(scene.width, scene.height)));
    remap.SetPictureColour(YuvColorTransform::For(format));
    Picture out = MakePicture(outSize.width(), outSize.height());
    remap.Apply(scene.In(), out.Out());
    // The shader's picture as the export encoded it: BT.709 limited range,
    // chroma averaged over each 2 x 2 block.
    const auto drawnCodes = [&](int x, int y, double codes[3]) {
        const uchar* drawn =
            &rgba[(static_cast<size_t>(outSize.height() - 1 - y) * outSize.width() + x) * 4];
        const double r = drawn[0] / 255.0;
        const double g = drawn[1] / 255.0;
        const double b = drawn[2] / 255.0;
        const double luma = 0.2126 * r + 0.7152 * g + 0.0722 * b;
        codes[0] = 16 + 219 * luma;
        codes[1] = 128 + 112 * (b - luma) / (1 - 0.0722);
        codes[2] = 128 + 112 * (r - luma) / (1 - 0.2126);
    };
    double lumaTotal = 0;
    double chromaTotal = 0;
    double worstBlock = 0;
    for (int by = 0; by < outSize.height(); by += 2) {
        for (int bx = 0; bx < outSize.width(); bx += 2) {
            double chroma[3] = {};
            double block = 0;
            for (int y = by; y < by + 2; ++y) {
                for (int x = bx; x < bx + 2; ++x) {
                    double codes[3];
                    drawnCodes(x, y, codes);
                    const double lumaDifference =
                        std::fabs(codes[0] - out.Plane(0)[y * outSize.width() + x]);
                    lumaTotal += lumaDifference;
                    block += lumaDifference / 4;
                    chroma[1] += codes[1] / 4;
                    chroma[2] += codes[2] / 4;
                }
            }
            const int at = (by / 2) * out.ChromaWidth() + bx / 2;
            const double chromaDifference = (std::fabs(chroma[1] - out.Plane(1)[at]) +
                                             std::fabs(chroma[2] - out.Plane(2)[at])) /
                                            2;
            chromaTotal += chromaDifference;
            worstBlock = std::max(worstBlock, std::max(block, chromaDifference));
        }
    }
    const double pixels = outSize.width() * outSize.height();
    const double lumaMean = lumaTotal / pixels;
    const double chromaMean = chromaTotal / (pixels / 4);
    QVERIFY2(lumaMean < 1.0 && chromaMean < 1.5 && worstBlock < 24.0,
             qPrintable(QStringLiteral("luma mean %1, chroma mean %2, worst block %3")
                            .arg(lumaMean)
                            .arg(chromaMean)
                            .arg(worstBlock)));
    context.doneCurrent();
}

QTEST_MAIN(PlaneRemapTest)
#include "PlaneRemapTest.moc"
