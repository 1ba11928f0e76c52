#pragma once

#include "YuvColorTransform.h"

#include <QSize>

#include <cstdint>
#include <vector>

// Resamples YUV 4:2:0 pictures into a dewarped view through a sample map
// (DewarpRenderer::RenderSampleMap): for each output pixel, the point of the
// picture the shader samples there, or the flat colour it draws. Samples are
// filtered bilinearly with 8-bit weights and clamped edges, as the GL sampler
// filters the plane textures, and the result is YUV 4:2:0 in BT.709 limited
// range, what the export encodes: each picture is resampled once, instead of
// being drawn in RGB by a software rasterizer and converted back.
//
// Chroma is sampled once per 2 x 2 block of output pixels, at the mean of the
// points its picture pixels sample; a block's flat-coloured pixels add their
// own colour. Luma keeps every pixel's own point.
//
// Pure computation, no GL: Build once per map, then Apply per picture. One
// owner thread at a time.
class PlaneRemap
{
public:
    struct InPlanes {
        const uint8_t* data[3] = {};
        int stride[3] = {};
    };
    struct OutPlanes {
        uint8_t* data[3] = {};
        int stride[3] = {};
    };

    // map: outputSize's width * height pixels of four floats, bottom row first
    // (as GL reads back): (x, y, 0, 1) in texture coordinates for a picture
    // pixel, (r, g, b, 0) in 0..1 for a flat one. False for an odd or empty
    // output or a picture smaller than 4 x 4, which Apply then leaves alone.
    bool Build(const float* map, QSize outputSize, QSize pictureSize);

    // The stored pictures' colour description; Apply converts to BT.709
    // limited range unless they are already in it. Flat colours do not
    // depend on it.
    void SetPictureColour(const YuvColorTransform& picture);

    // in: the picture Build was told the size of; out: outputSize's planes.
    void Apply(const InPlanes& in, const OutPlanes& out) const;

    bool IsBuilt() const { return !m_luma.empty(); }
    QSize PictureSize() const { return m_picture; }

private:
    // A bilinear sample: top-left texel and weights towards the next texel
    // right and down, 0 to 256. A weight of kFlat marks a flat pixel, whose
    // code is in x0.
    struct Tap {
        uint16_t x0 = 0;
        uint16_t y0 = 0;
        uint16_t fx = 0;
        uint16_t fy = 0;
    };
    struct Block {
        Tap chroma;
        // Picture pixels of the block, 0 to 4; the flat ones' chroma codes
        // summed.
        uint16_t pictureCount = 0;
        uint16_t flatU = 0;
        uint16_t flatV = 0;
    };
    static constexpr uint16_t kFlat = 0xffff;

    static Tap TapAt(float x, float y, int width, int height);
    static int Sample(const uint8_t* plane, int stride, const Tap& tap);
    void FlatCodes(const float rgb[3], int codes[3]) const;
    void ApplyBlockRow(const InPlanes& in, const OutPlanes& out, int blockRow) const;

    QSize m_output;
    QSize m_picture;
    std::vector<Tap> m_luma;     // output pixels, top row first
    std::vector<Block> m_blocks; // output 2 x 2 blocks, top row first
    // Output codes from picture codes: out = m_matrix * in + m_offset.
    float m_matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    float m_offset[3] = {};
    bool m_passThrough = true;
};
