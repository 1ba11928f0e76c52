#pragma once

namespace Vorel {
namespace Utility {
namespace ACodec {

// Kind of the bytes an input buffer describes. Only the values listed here
// are decoded; any other value makes Decoder::Decode fail.
enum class AudioFrameType : int {
    kNone = 0,
    // ITU-T G.711 A-law, one byte per sample, 16,000 Hz, one channel.
    kG711ALaw16kMono = 22,
};

// Result of Decoder::Decode: 0 is success, every other value a failure.
enum class DecodeResult : int {
    kSuccess = 0,
    kNullBuffer = 1,        // the input describes no bytes (null data pointer)
    kEmptyInput = 2,        // the input has zero bytes
    kUnknownFrameType = 3,  // the input's frame type is not decoded here
    kInputTooLarge = 4,     // the decoded size would not fit an unsigned byte count
};

// Rate and layout of every decoded output.
constexpr int kOutputSampleRateHz = 16000;
constexpr int kOutputChannelCount = 1;
constexpr int kOutputBytesPerSample = 2;

}  // namespace ACodec
}  // namespace Utility
}  // namespace Vorel
