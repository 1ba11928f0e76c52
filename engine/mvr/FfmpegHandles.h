#pragma once
// The FFmpeg handle names the MVR code and its tools use, over the shared
// owning pointers of FfmpegPtr.h.

#include "FfmpegPtr.h"

using AvCodecContextPtr = ffmpeg::CodecContextPtr;
using AvFramePtr = ffmpeg::FramePtr;
using AvPacketPtr = ffmpeg::PacketPtr;
using SwsContextPtr = ffmpeg::SwsContextPtr;
using SwrContextPtr = ffmpeg::SwrContextPtr;
using AvInputFormatContextPtr = ffmpeg::FormatContextPtr;
