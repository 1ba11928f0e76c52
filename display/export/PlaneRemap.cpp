#include "PlaneRemap.h"

#include <algorithm>
#include <cmath>

namespace
{

// BT.709 limited range from R'G'B' in 0..1, in 8-bit codes:
// codes = kToBt709 * rgb + kBt709Base.
constexpr double kKr = 0.2126;
constexpr double kKb = 0.0722;
constexpr double kKg = 1.0 - kKr - kKb;
constexpr double kToBt709[9] = {
    219.0 * kKr,
    219.0 * kKg,
    219.0 * kKb,
    -112.0 * kKr / (1.0 - kKb),
    -112.0 * kKg / (1.0 - kKb),
    112.0,
    112.0,
    -112.0 * kKg / (1.0 - kKr),
    -112.0 * kKb / (1.0 - kKr),
};
constexpr double kBt709Base[3] = {16.0, 128.0, 128.0};

uint8_t Code(float value)
{
    return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

} // namespace

PlaneRemap::Tap PlaneRemap::TapAt(float x, float y, int width, int height)
{
    // Texel centres sit at half-texel offsets, as GL samples them.
    const float px = x * static_cast<float>(width) - 0.5f;
    const float py = y * static_cast<float>(height) - 0.5f;
    int x0 = static_cast<int>(std::floor(px));
    int y0 = static_cast<int>(std::floor(py));
    float fx = px - static_cast<float>(x0);
    float fy = py - static_cast<float>(y0);
    if (x0 < 0) {
        x0 = 0;
        fx = 0.0f;
    } else if (x0 >= width - 1) {
        x0 = width - 2;
        fx = 1.0f;
    }
    if (y0 < 0) {
        y0 = 0;
        fy = 0.0f;
    } else if (y0 >= height - 1) {
        y0 = height - 2;
        fy = 1.0f;
    }
    Tap tap;
    tap.x0 = static_cast<uint16_t>(x0);
    tap.y0 = static_cast<uint16_t>(y0);
    tap.fx = static_cast<uint16_t>(std::lround(fx * 256.0f));
    tap.fy = static_cast<uint16_t>(std::lround(fy * 256.0f));
    return tap;
}

int PlaneRemap::Sample(const uint8_t* plane, int stride, const Tap& tap)
{
    const uint8_t* a = plane + static_cast<ptrdiff_t>(tap.y0) * stride + tap.x0;
    const int fx = tap.fx;
    const int fy = tap.fy;
    const int top = a[0] * (256 - fx) + a[1] * fx;
    const int bottom = a[stride] * (256 - fx) + a[stride + 1] * fx;
    return (top * (256 - fy) + bottom * fy + 32768) >> 16;
}

void PlaneRemap::FlatCodes(const float rgb[3], int codes[3]) const
{
    for (int row = 0; row < 3; ++row) {
        double value = kBt709Base[row];
        for (int column = 0; column < 3; ++column) {
            value += kToBt709[row * 3 + column] * std::clamp(rgb[column], 0.0f, 1.0f);
        }
        codes[row] = Code(static_cast<float>(value));
    }
}

bool PlaneRemap::Build(const float* map, QSize outputSize, QSize pictureSize)
{
    m_luma.clear();
    m_blocks.clear();
    const int outWidth = outputSize.width();
    const int outHeight = outputSize.height();
    const int width = pictureSize.width();
    const int height = pictureSize.height();
    if (!map || outWidth < 2 || outHeight < 2 || outWidth % 2 != 0 || outHeight % 2 != 0 ||
        width < 4 || height < 4 || width > 65535 || height > 65535) {
        return false;
    }
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    m_luma.resize(static_cast<size_t>(outWidth) * outHeight);
    m_blocks.resize(static_cast<size_t>(outWidth / 2) * (outHeight / 2));
    for (int by = 0; by < outHeight / 2; ++by) {
        for (int bx = 0; bx < outWidth / 2; ++bx) {
            Block& block = m_blocks[static_cast<size_t>(by) * (outWidth / 2) + bx];
            float sumX = 0.0f;
            float sumY = 0.0f;
            for (int pixel = 0; pixel < 4; ++pixel) {
                const int x = bx * 2 + (pixel & 1);
                const int y = by * 2 + (pixel >> 1);
                const float* texel =
                    map + (static_cast<size_t>(outHeight - 1 - y) * outWidth + x) * 4;
                Tap& luma = m_luma[static_cast<size_t>(y) * outWidth + x];
                if (texel[3] > 0.5f) {
                    luma = TapAt(texel[0], texel[1], width, height);
                    sumX += texel[0];
                    sumY += texel[1];
                    ++block.pictureCount;
                    continue;
                }
                int codes[3];
                FlatCodes(texel, codes);
                luma.x0 = static_cast<uint16_t>(codes[0]);
                luma.fx = kFlat;
                block.flatU = static_cast<uint16_t>(block.flatU + codes[1]);
                block.flatV = static_cast<uint16_t>(block.flatV + codes[2]);
            }
            if (block.pictureCount > 0) {
                const float count = static_cast<float>(block.pictureCount);
                block.chroma = TapAt(sumX / count, sumY / count, chromaWidth, chromaHeight);
            }
        }
    }
    m_output = outputSize;
    m_picture = pictureSize;
    return true;
}

void PlaneRemap::SetPictureColour(const YuvColorTransform& picture)
{
    // codes = N * rgb + base, rgb = M * (in / 255 - offset): one affine map.
    bool identity = true;
    for (int row = 0; row < 3; ++row) {
        double offset = kBt709Base[row];
        for (int column = 0; column < 3; ++column) {
            double product = 0.0;
            for (int k = 0; k < 3; ++k) {
                product += kToBt709[row * 3 + k] * picture.matrix[k * 3 + column];
            }
            m_matrix[row * 3 + column] = static_cast<float>(product / 255.0);
            offset -= product * picture.offset[column];
            identity = identity && std::abs(product / 255.0 - (row == column ? 1.0 : 0.0)) < 2e-3;
        }
        m_offset[row] = static_cast<float>(offset);
        identity = identity && std::abs(offset) < 0.3;
    }
    m_passThrough = identity;
}

void PlaneRemap::Apply(const InPlanes& in, const OutPlanes& out) const
{
    for (int by = 0; by < m_output.height() / 2; ++by) {
        ApplyBlockRow(in, out, by);
    }
}

void PlaneRemap::ApplyBlockRow(const InPlanes& in, const OutPlanes& out, int blockRow) const
{
    const int outWidth = m_output.width();
    const Block* block = m_blocks.data() + static_cast<size_t>(blockRow) * (outWidth / 2);
    uint8_t* outU = out.data[1] + static_cast<ptrdiff_t>(blockRow) * out.stride[1];
    uint8_t* outV = out.data[2] + static_cast<ptrdiff_t>(blockRow) * out.stride[2];
    for (int bx = 0; bx < outWidth / 2; ++bx, ++block) {
        int u = 128;
        int v = 128;
        if (block->pictureCount > 0) {
            u = Sample(in.data[1], in.stride[1], block->chroma);
            v = Sample(in.data[2], in.stride[2], block->chroma);
        }
        int lumaSum = 0;
        for (int pixel = 0; pixel < 4; ++pixel) {
            const int x = bx * 2 + (pixel & 1);
            const int y = blockRow * 2 + (pixel >> 1);
            const Tap& tap = m_luma[static_cast<size_t>(y) * outWidth + x];
            uint8_t& code = out.data[0][static_cast<ptrdiff_t>(y) * out.stride[0] + x];
            if (tap.fx == kFlat) {
                code = static_cast<uint8_t>(tap.x0);
                continue;
            }
            const int luma = Sample(in.data[0], in.stride[0], tap);
            lumaSum += luma;
            code = m_passThrough
                       ? static_cast<uint8_t>(luma)
                       : Code(m_matrix[0] * luma + m_matrix[1] * u + m_matrix[2] * v + m_offset[0]);
        }
        const int count = block->pictureCount;
        if (count > 0 && !m_passThrough) {
            const float luma = static_cast<float>(lumaSum) / static_cast<float>(count);
            const int convertedU =
                Code(m_matrix[3] * luma + m_matrix[4] * u + m_matrix[5] * v + m_offset[1]);
            const int convertedV =
                Code(m_matrix[6] * luma + m_matrix[7] * u + m_matrix[8] * v + m_offset[2]);
            u = convertedU;
            v = convertedV;
        }
        outU[bx] = static_cast<uint8_t>((count * u + block->flatU + 2) / 4);
        outV[bx] = static_cast<uint8_t>((count * v + block->flatV + 2) / 4);
    }
}
