#include "ACodec/Decoder.h"

#include <climits>
#include <cstdint>
#include <vector>

#include "G711.h"

namespace Vorel {
namespace Utility {
namespace ACodec {

struct Decoder::State {
    // The PCM of the last successful Decode; `output` buffers point into it.
    std::vector<std::uint8_t> pcm;
};

Decoder::Decoder() : m_state(std::make_unique<State>())
{
}

Decoder::~Decoder() = default;

DecodeResult Decoder::Decode(Buffer& output, Buffer& input)
{
    output = Buffer();
    if (input.data() == nullptr) {
        return DecodeResult::kNullBuffer;
    }
    if (input.size() == 0) {
        return DecodeResult::kEmptyInput;
    }
    if (input.type() != AudioFrameType::kG711ALaw16kMono) {
        return DecodeResult::kUnknownFrameType;
    }
    if (input.size() > UINT_MAX / kOutputBytesPerSample) {
        return DecodeResult::kInputTooLarge;
    }

    const auto* codes = static_cast<const std::uint8_t*>(input.data());
    const unsigned sampleCount = input.size();
    std::vector<std::uint8_t>& pcm = m_state->pcm;
    pcm.resize(static_cast<std::size_t>(sampleCount) * kOutputBytesPerSample);
    for (unsigned i = 0; i < sampleCount; ++i) {
        const auto sample = static_cast<std::uint16_t>(ExpandALaw(codes[i]));
        pcm[2 * i] = static_cast<std::uint8_t>(sample & 0xFFu);
        pcm[2 * i + 1] = static_cast<std::uint8_t>(sample >> 8);
    }
    output = Buffer(pcm.data(), static_cast<unsigned>(pcm.size()), AudioFrameType::kNone);
    return DecodeResult::kSuccess;
}

}  // namespace ACodec
}  // namespace Utility
}  // namespace Vorel
