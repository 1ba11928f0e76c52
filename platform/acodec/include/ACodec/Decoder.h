#pragma once

#include <memory>

#include "ACodec/Buffer.h"
#include "ACodec/Export.h"
#include "ACodec/Types.h"

namespace Vorel {
namespace Utility {
namespace ACodec {

// Decodes one audio stream, packet by packet. Not thread-safe: one thread
// uses one decoder at a time.
class ACODEC_API Decoder {
public:
    Decoder();
    virtual ~Decoder();

    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Decodes the bytes `input` describes. On kSuccess `output` describes the
    // decoded PCM (signed 16-bit little-endian, 16,000 Hz, one channel), held
    // by the decoder until the next Decode or its destruction; on failure
    // `output` is made empty. The input bytes are not kept after the call.
    DecodeResult Decode(Buffer& output, Buffer& input);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace ACodec
}  // namespace Utility
}  // namespace Vorel
