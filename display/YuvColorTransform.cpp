#include "YuvColorTransform.h"

#include <algorithm>

namespace
{

// Luma weights of red and blue; green's is what remains.
struct LumaWeights {
    double kr;
    double kb;
};

LumaWeights WeightsOf(YuvMatrix matrix)
{
    switch (matrix) {
    case YuvMatrix::Bt709:
        return {0.2126, 0.0722};
    case YuvMatrix::Bt2020:
        return {0.2627, 0.0593};
    case YuvMatrix::Bt601:
        break;
    }
    return {0.299, 0.114};
}

} // namespace

YuvColorTransform YuvColorTransform::For(YuvMatrix yuvMatrix, YuvRange range)
{
    const LumaWeights w = WeightsOf(yuvMatrix);
    const double kg = 1.0 - w.kr - w.kb;
    // Texture samples are code / 255. Limited range puts black at 16 and the
    // chroma zero at 128 with 219 and 224 codes of swing; full range uses all
    // 255 codes for both (chroma still centred on 128).
    const bool limited = range == YuvRange::Limited;
    const double lumaScale = limited ? 255.0 / 219.0 : 1.0;
    const double chromaScale = limited ? 255.0 / 224.0 : 1.0;
    const double crToR = 2.0 * (1.0 - w.kr);
    const double cbToB = 2.0 * (1.0 - w.kb);
    const double cbToG = -2.0 * w.kb * (1.0 - w.kb) / kg;
    const double crToG = -2.0 * w.kr * (1.0 - w.kr) / kg;
    const double rows[9] = {
        1.0, 0.0,   crToR, //
        1.0, cbToG, crToG, //
        1.0, cbToB, 0.0,   //
    };
    YuvColorTransform t;
    for (int row = 0; row < 3; ++row) {
        t.matrix[row * 3 + 0] = static_cast<float>(rows[row * 3 + 0] * lumaScale);
        t.matrix[row * 3 + 1] = static_cast<float>(rows[row * 3 + 1] * chromaScale);
        t.matrix[row * 3 + 2] = static_cast<float>(rows[row * 3 + 2] * chromaScale);
    }
    t.offset[0] = static_cast<float>((limited ? 16.0 : 0.0) / 255.0);
    t.offset[1] = static_cast<float>(128.0 / 255.0);
    t.offset[2] = t.offset[1];
    return t;
}

void YuvColorTransform::Apply(int y, int u, int v, float rgb[3]) const
{
    const float yuv[3] = {y / 255.0f - offset[0], u / 255.0f - offset[1], v / 255.0f - offset[2]};
    for (int row = 0; row < 3; ++row) {
        const float value =
            matrix[row * 3] * yuv[0] + matrix[row * 3 + 1] * yuv[1] + matrix[row * 3 + 2] * yuv[2];
        rgb[row] = std::clamp(value, 0.0f, 1.0f) * 255.0f;
    }
}
