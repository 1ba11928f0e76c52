#pragma once
// Where the three planes of a packed YUV420P picture lie in its byte array.
// The engine packs odd sizes as FFmpeg does, with chroma planes of
// ceil(width / 2) x ceil(height / 2); an array too short for that (older
// callers) is read with the chroma sizes rounded down, the V plane at
// width x height x 5 / 4. Even sizes are the same either way. Pure, any thread.

#include <QtGlobal>

struct Yuv420Layout {
    int chromaWidth = 0;
    int chromaHeight = 0;
    qint64 uOffset = 0;
    qint64 vOffset = 0;

    static Yuv420Layout Of(int width, int height, qint64 byteCount)
    {
        Yuv420Layout layout;
        const qint64 luma = static_cast<qint64>(width) * height;
        const int roundedUpWidth = (width + 1) / 2;
        const int roundedUpHeight = (height + 1) / 2;
        const qint64 packed = luma + 2 * static_cast<qint64>(roundedUpWidth) * roundedUpHeight;
        layout.uOffset = luma;
        if (byteCount >= packed) {
            layout.chromaWidth = roundedUpWidth;
            layout.chromaHeight = roundedUpHeight;
            layout.vOffset = luma + static_cast<qint64>(roundedUpWidth) * roundedUpHeight;
        } else {
            layout.chromaWidth = width / 2;
            layout.chromaHeight = height / 2;
            layout.vOffset = luma * 5 / 4;
        }
        return layout;
    }
};
