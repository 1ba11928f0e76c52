#pragma once

#include <cstdint>

namespace Vorel {
namespace Utility {
namespace ACodec {

// ITU-T G.711 A-law expansion of one code byte to a 16-bit linear sample.
std::int16_t ExpandALaw(std::uint8_t code);

}  // namespace ACodec
}  // namespace Utility
}  // namespace Vorel
