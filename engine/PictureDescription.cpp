#include "PictureDescription.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <cstring>

namespace
{
YuvMatrix MatrixOf(const AVFrame& frame)
{
    switch (frame.colorspace) {
    case AVCOL_SPC_BT709:
        return YuvMatrix::Bt709;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return YuvMatrix::Bt2020;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_FCC:
    case AVCOL_SPC_SMPTE240M:
        return YuvMatrix::Bt601;
    default:
        return PictureFormat::GuessMatrix(frame.height);
    }
}

bool IsJpegFormat(int pixelFormat)
{
    switch (pixelFormat) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
        return true;
    default:
        return false;
    }
}

const int32_t* DisplayMatrixOf(const AVFrame& frame, const StreamPictureInfo* stream)
{
    if (stream && stream->hasDisplayMatrix)
        return stream->displayMatrix;
    const AVFrameSideData* side = av_frame_get_side_data(&frame, AV_FRAME_DATA_DISPLAYMATRIX);
    if (side && side->size >= 9 * sizeof(int32_t))
        return reinterpret_cast<const int32_t*>(side->data);
    return nullptr;
}

bool IsValid(AVRational r)
{
    return r.num > 0 && r.den > 0;
}

void SampleAspectOf(const AVFrame& frame, const StreamPictureInfo* stream, PictureFormat& out)
{
    AVRational sar = frame.sample_aspect_ratio;
    if (!IsValid(sar) && stream)
        sar = stream->sampleAspect;
    if (!IsValid(sar))
        return;
    int num = 1;
    int den = 1;
    av_reduce(&num, &den, sar.num, sar.den, 1 << 20);
    out.sarNum = num;
    out.sarDen = den;
}
} // namespace

namespace PictureDescription
{

bool IsRgbFormat(int pixelFormat)
{
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(pixelFormat));
    return desc && ((desc->flags & AV_PIX_FMT_FLAG_RGB) || (desc->flags & AV_PIX_FMT_FLAG_PAL));
}

void TurnFromDisplayMatrix(const int32_t matrix[9], int* rotationCwDeg, bool* mirrored)
{
    int32_t upright[9];
    for (int i = 0; i < 9; ++i)
        upright[i] = matrix[i];
    // A negative determinant is a mirror applied before the turn: undo it
    // (negate the x column) to read the turn alone.
    const double det = double(matrix[0]) * matrix[4] - double(matrix[1]) * matrix[3];
    *mirrored = det < 0;
    if (*mirrored) {
        upright[0] = -upright[0];
        upright[1] = -upright[1];
    }
    const double ccw = av_display_rotation_get(upright);
    if (std::isnan(ccw)) {
        *rotationCwDeg = 0;
        return;
    }
    // The display matrix rotates counter-clockwise; standing it upright is
    // the clockwise turn by the same angle, snapped to a quarter turn.
    int cw = static_cast<int>(std::lround(-ccw / 90.0)) * 90;
    cw %= 360;
    if (cw < 0)
        cw += 360;
    *rotationCwDeg = cw;
}

StreamPictureInfo ReadStream(const AVStream& stream)
{
    StreamPictureInfo info;
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (data && size >= sizeof(info.displayMatrix)) {
        std::memcpy(info.displayMatrix, data, sizeof(info.displayMatrix));
        info.hasDisplayMatrix = true;
    }
    info.sampleAspect = IsValid(stream.sample_aspect_ratio) ? stream.sample_aspect_ratio
                                                            : stream.codecpar->sample_aspect_ratio;
    return info;
}

PictureFormat Describe(const AVFrame& frame, const StreamPictureInfo* stream)
{
    PictureFormat out;
    if (IsRgbFormat(frame.format)) {
        // The scaler's default RGB to YUV conversion.
        out.matrix = YuvMatrix::Bt601;
        out.range = YuvRange::Limited;
    } else {
        out.matrix = MatrixOf(frame);
        out.range = frame.color_range == AVCOL_RANGE_JPEG || IsJpegFormat(frame.format)
                        ? YuvRange::Full
                        : YuvRange::Limited;
    }
    if (const int32_t* matrix = DisplayMatrixOf(frame, stream))
        TurnFromDisplayMatrix(matrix, &out.rotationCwDeg, &out.mirrored);
    SampleAspectOf(frame, stream, out);
    return out;
}

} // namespace PictureDescription
