#include "Yuv420ToRgb.h"

#include <algorithm>
#include <cmath>

namespace
{

// Field biases; each channel's three biases add up to kBlueBias, kRedBias or
// kGreenBias, so an in-range channel v reads v + bias in its field.
constexpr int kBlueBias = 512;
constexpr int kRedBias = 512;
constexpr int kGreenBias = 256;
constexpr std::uint32_t kFieldMask11 = 0x7FF;
// The bits above the low byte of each field, and what they read in range.
constexpr std::uint32_t kCheckMask = (0x700u << Yuv420ToRgb::kBlueShift) |
                                     (0x700u << Yuv420ToRgb::kRedShift) |
                                     (0x300u << Yuv420ToRgb::kGreenShift);
constexpr std::uint32_t kInRange = (0x200u << Yuv420ToRgb::kBlueShift) |
                                   (0x200u << Yuv420ToRgb::kRedShift) |
                                   (0x100u << Yuv420ToRgb::kGreenShift);

// How each channel's bias is split between the tables: every entry stays
// non-negative for all matrices and ranges (the largest chroma swing, blue
// from U in BT.709 limited range, is about 270).
constexpr int kLumaBlueRedBias = 192;
constexpr int kChromaBlueRedBias = 320;
constexpr int kLumaGreenBias = 64;
constexpr int kUGreenBias = 64;
constexpr int kVGreenBias = 128;

std::uint32_t Pack(int blue, int red, int green)
{
    return (std::uint32_t(blue) << Yuv420ToRgb::kBlueShift) |
           (std::uint32_t(red) << Yuv420ToRgb::kRedShift) |
           (std::uint32_t(green) << Yuv420ToRgb::kGreenShift);
}

int Rounded(double value)
{
    return static_cast<int>(std::lround(value));
}

// Each sample's contribution, in levels of 255, to one channel.
double Contribution(const YuvColorTransform& t, int row, int column, int sample)
{
    return t.matrix[row * 3 + column] * (sample / 255.0 - t.offset[column]) * 255.0;
}

Yuv420ToRgb::Tables BuildTables(const YuvColorTransform& c)
{
    enum { kRed = 0, kGreen = 1, kBlue = 2, kY = 0, kU = 1, kV = 2 };
    Yuv420ToRgb::Tables t{};
    for (int i = 0; i < 256; ++i) {
        t.y[i] = Pack(Rounded(Contribution(c, kBlue, kY, i)) + kLumaBlueRedBias,
                      Rounded(Contribution(c, kRed, kY, i)) + kLumaBlueRedBias,
                      Rounded(Contribution(c, kGreen, kY, i)) + kLumaGreenBias);
        t.u[i] = Pack(Rounded(Contribution(c, kBlue, kU, i)) + kChromaBlueRedBias, 0,
                      Rounded(Contribution(c, kGreen, kU, i)) + kUGreenBias);
        t.v[i] = Pack(0, Rounded(Contribution(c, kRed, kV, i)) + kChromaBlueRedBias,
                      Rounded(Contribution(c, kGreen, kV, i)) + kVGreenBias);
    }
    return t;
}

// The word of a pixel with at least one channel outside 0..255, with every
// channel clamped and re-biased, so the in-range byte extraction applies.
std::uint32_t Clamped(std::uint32_t word)
{
    const int blue =
        std::clamp(int((word >> Yuv420ToRgb::kBlueShift) & kFieldMask11) - kBlueBias, 0, 255);
    const int red =
        std::clamp(int((word >> Yuv420ToRgb::kRedShift) & kFieldMask11) - kRedBias, 0, 255);
    const int green = std::clamp(int(word >> Yuv420ToRgb::kGreenShift) - kGreenBias, 0, 255);
    return Pack(blue + kBlueBias, red + kRedBias, green + kGreenBias);
}

inline void Store(std::uint32_t word, uchar* out)
{
    if ((word & kCheckMask) != kInRange) {
        word = Clamped(word);
    }
    out[0] = uchar(word >> Yuv420ToRgb::kRedShift);
    out[1] = uchar(word >> Yuv420ToRgb::kGreenShift);
    out[2] = uchar(word >> Yuv420ToRgb::kBlueShift);
}

} // namespace

const Yuv420ToRgb::Tables& Yuv420ToRgb::tables(YuvMatrix matrix, YuvRange range)
{
    // Built once each, on first use, by whichever thread asks first.
    static const Tables shared[3][2] = {
        {BuildTables(YuvColorTransform::For(YuvMatrix::Bt601, YuvRange::Limited)),
         BuildTables(YuvColorTransform::For(YuvMatrix::Bt601, YuvRange::Full))},
        {BuildTables(YuvColorTransform::For(YuvMatrix::Bt709, YuvRange::Limited)),
         BuildTables(YuvColorTransform::For(YuvMatrix::Bt709, YuvRange::Full))},
        {BuildTables(YuvColorTransform::For(YuvMatrix::Bt2020, YuvRange::Limited)),
         BuildTables(YuvColorTransform::For(YuvMatrix::Bt2020, YuvRange::Full))},
    };
    const int m = matrix == YuvMatrix::Bt709 ? 1 : matrix == YuvMatrix::Bt2020 ? 2 : 0;
    return shared[m][range == YuvRange::Full ? 1 : 0];
}

qint64 Yuv420ToRgb::FrameBytes(int width, int height)
{
    return qint64(width) * height + 2 * qint64(ChromaWidth(width)) * ChromaHeight(height);
}

void Yuv420ToRgb::ConvertRowPair(const Tables& t, const uchar* y0, const uchar* y1, const uchar* u,
                                 const uchar* v, int width, uchar* out0, uchar* out1)
{
    const std::uint32_t* const yTable = t.y.data();
    const std::uint32_t* const uTable = t.u.data();
    const std::uint32_t* const vTable = t.v.data();
    const int pairs = width / 2;
    for (int c = 0; c < pairs; ++c) {
        const std::uint32_t chroma = uTable[u[c]] + vTable[v[c]];
        Store(yTable[y0[0]] + chroma, out0);
        Store(yTable[y0[1]] + chroma, out0 + 3);
        y0 += 2;
        out0 += 6;
        if (y1) {
            Store(yTable[y1[0]] + chroma, out1);
            Store(yTable[y1[1]] + chroma, out1 + 3);
            y1 += 2;
            out1 += 6;
        }
    }
    if (width % 2) {
        // The last column has a chroma sample of its own.
        const std::uint32_t chroma = uTable[u[pairs]] + vTable[v[pairs]];
        Store(yTable[y0[0]] + chroma, out0);
        if (y1) {
            Store(yTable[y1[0]] + chroma, out1);
        }
    }
}

bool Yuv420ToRgb::Convert(const uchar* frame, qint64 byteCount, int width, int height, uchar* rgb,
                          int rgbStride, YuvMatrix matrix, YuvRange range)
{
    if (!frame || !rgb || width <= 0 || height <= 0 || byteCount < FrameBytes(width, height) ||
        rgbStride < 3 * width) {
        return false;
    }
    const int chromaWidth = ChromaWidth(width);
    const qint64 lumaBytes = qint64(width) * height;
    const uchar* uPlane = frame + lumaBytes;
    const uchar* vPlane = uPlane + qint64(chromaWidth) * ChromaHeight(height);
    const Tables& t = tables(matrix, range);
    for (int row = 0; row < height; row += 2) {
        const bool pair = row + 1 < height;
        const uchar* y0 = frame + qint64(row) * width;
        const qint64 chromaOffset = qint64(row / 2) * chromaWidth;
        uchar* out0 = rgb + qint64(row) * rgbStride;
        ConvertRowPair(t, y0, pair ? y0 + width : nullptr, uPlane + chromaOffset,
                       vPlane + chromaOffset, width, out0, pair ? out0 + rgbStride : nullptr);
    }
    return true;
}
