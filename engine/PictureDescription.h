#pragma once
// Fills a PictureFormat for one decoded picture from its frame and its
// stream: colour matrix and range as the decoder reports them (guessed from
// the height when unspecified), the upright turn and mirror from the
// stream's or the frame's display matrix, and the sample aspect ratio.
//
// Stateless; any thread.

#include "FfmpegPtr.h"
#include "PictureFormat.h"

// What a stream says about its pictures, read once when the input opens (the
// demuxer may touch its stream while pictures are being decoded).
struct StreamPictureInfo {
    bool hasDisplayMatrix = false;
    int32_t displayMatrix[9] = {};
    AVRational sampleAspect{0, 1}; // the container's, else the codec parameters'
};

namespace PictureDescription
{

StreamPictureInfo ReadStream(const AVStream& stream);

// `stream` may be null (MVR pictures come without one).
PictureFormat Describe(const AVFrame& frame, const StreamPictureInfo* stream);

// The clockwise turn (0, 90, 180, 270) and mirror that stand a picture with
// this display matrix upright, as FFmpeg's own autorotation does.
void TurnFromDisplayMatrix(const int32_t matrix[9], int* rotationCwDeg, bool* mirrored);

// True for pixel formats the converter passes to the scaler as RGB (the
// packed picture then has the scaler's BT.601 limited-range samples).
bool IsRgbFormat(int pixelFormat);

} // namespace PictureDescription
