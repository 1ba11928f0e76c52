#pragma once

#include <cstdint>

// Little-endian reads from unaligned bytes, independent of the host order.
inline std::uint16_t ReadLe16(const unsigned char* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t ReadLe32(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8)
        | (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

inline std::int32_t ReadLe32Signed(const unsigned char* bytes)
{
    return static_cast<std::int32_t>(ReadLe32(bytes));
}
