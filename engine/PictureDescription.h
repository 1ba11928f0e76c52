#pragma once
// Fills a PictureFormat for one decoded picture from its frame and its
// stream: colour matrix and range as the decoder reports them (guessed from
// the height when unspecified), the upright turn and mirror from the
// stream's or the frame's display matrix, and the sample aspect ratio.
//
// Stateless; any thread.

#include "FfmpegPtr.h"
#include "PictureFormat.h"

namespace PictureDescription
{

// `format` and `stream` may be null (MVR pictures have neither).
PictureFormat Describe(const AVFrame& frame, AVFormatContext* format, AVStream* stream);

// The clockwise turn (0, 90, 180, 270) and mirror that stand a picture with
// this display matrix upright, as FFmpeg's own autorotation does.
void TurnFromDisplayMatrix(const int32_t matrix[9], int* rotationCwDeg, bool* mirrored);

// True for pixel formats the converter passes to the scaler as RGB (the
// packed picture then has the scaler's BT.601 limited-range samples).
bool IsRgbFormat(int pixelFormat);

} // namespace PictureDescription
