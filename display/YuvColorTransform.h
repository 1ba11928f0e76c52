#pragma once
// The affine map from a picture's stored 8-bit Y'CbCr samples, as the shader
// reads them from luminance textures (value / 255), to R'G'B' in 0..1:
//   rgb = matrix * (yuv - offset)
// Built from the picture's matrix (BT.601, BT.709, BT.2020 non-constant
// luminance) and range (limited 16-235/240 or full 0-255). Pure math, any
// thread; the display, the dewarped views and the screenshots all draw with it.

#include "PictureFormat.h"

struct YuvColorTransform {
    // Row-major: rgb[i] = sum_j matrix[i * 3 + j] * (yuv[j] - offset[j]).
    float matrix[9] = {};
    float offset[3] = {};

    static YuvColorTransform For(YuvMatrix yuvMatrix, YuvRange range);
    static YuvColorTransform For(const PictureFormat& format)
    {
        return For(format.matrix, format.range);
    }

    // The conversion of one sample triple (0..255 each) to 0..255 R'G'B',
    // clamped; what the shader computes, for tests and CPU conversions.
    void Apply(int y, int u, int v, float rgb[3]) const;
};
