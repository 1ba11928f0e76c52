#pragma once

#include "YuvColorTransform.h"

#include <QtGlobal>

#include <array>
#include <cstdint>

// YUV420P to RGB888 with the display's conversion (YuvColorTransform) for
// the picture's matrix and range, driven by three tables of packed 32-bit
// words, one indexed by Y, one by U, one by V.
//
// Each word holds one contribution per channel in its own field, with a
// bias that keeps every field of every entry non-negative:
//   bits  0..10  blue   (11 bits, the three biases add up to 512)
//   bits 11..21  red    (11 bits, biases add up to 512)
//   bits 22..31  green  (10 bits, biases add up to 256)
// The sum of one entry of each table never carries from one field into the
// next, so one addition yields all three channel sums. A channel lies in
// 0..255 exactly when its field reads 0x200..0x2FF (blue, red) or
// 0x100..0x1FF (green); one mask test finds the rare pixel that needs
// clamping, every other pixel takes its bytes straight from the word.
//
// The picture is planar: the Y plane (width x height bytes), then U and V,
// each ceil(width / 2) x ceil(height / 2) bytes, rows back to back; odd
// widths and heights keep their last chroma column and row. Bytes past the
// three planes (padding) are ignored.
//
// Threads: any; the tables are built once and then only read.
class Yuv420ToRgb
{
public:
    struct Tables {
        std::array<std::uint32_t, 256> y;
        std::array<std::uint32_t, 256> u;
        std::array<std::uint32_t, 256> v;
    };

    static constexpr std::uint32_t kBlueShift = 0;
    static constexpr std::uint32_t kRedShift = 11;
    static constexpr std::uint32_t kGreenShift = 22;

    // The shared tables of one matrix and range (BT.601 limited by default).
    static const Tables& tables(YuvMatrix matrix = YuvMatrix::Bt601, YuvRange range = YuvRange::Limited);

    static int ChromaWidth(int width) { return (width + 1) / 2; }
    static int ChromaHeight(int height) { return (height + 1) / 2; }
    // Bytes of the three planes of a width x height picture.
    static qint64 FrameBytes(int width, int height);

    // Writes width x height pixels as R, G, B bytes into rgb, whose rows
    // start rgbStride bytes apart. False, with nothing written, when the
    // sizes are not positive or byteCount is short of FrameBytes().
    static bool Convert(const uchar* frame, qint64 byteCount, int width, int height, uchar* rgb, int rgbStride,
                        YuvMatrix matrix = YuvMatrix::Bt601, YuvRange range = YuvRange::Limited);

private:
    static void ConvertRowPair(const Tables& t, const uchar* y0, const uchar* y1, const uchar* u, const uchar* v,
                               int width, uchar* out0, uchar* out1);
};
