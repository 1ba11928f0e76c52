#include "G711.h"

namespace Vorel {
namespace Utility {
namespace ACodec {

std::int16_t ExpandALaw(std::uint8_t code)
{
    // Even bits are inverted on the line; bit 7 is the sign (1 = positive),
    // bits 6..4 the segment, bits 3..0 the step inside the segment.
    const unsigned value = code ^ 0x55u;
    const unsigned segment = (value >> 4) & 0x07u;
    int magnitude = static_cast<int>((value & 0x0Fu) << 4);
    if (segment == 0) {
        magnitude += 8;
    } else {
        magnitude = (magnitude + 0x108) << (segment - 1);
    }
    return static_cast<std::int16_t>((value & 0x80u) ? magnitude : -magnitude);
}

}  // namespace ACodec
}  // namespace Utility
}  // namespace Vorel
