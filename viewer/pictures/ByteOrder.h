// Reading 16- and 32-bit numbers from picture files in either byte order (internal to the readers).
#pragma once
#include <cstdint>

namespace Pictures {

inline std::uint16_t ReadU16(const std::uint8_t* p, bool bigEndian) {
    return bigEndian ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                     : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
}

inline std::uint32_t ReadU32(const std::uint8_t* p, bool bigEndian) {
    const std::uint32_t high = ReadU16(bigEndian ? p : p + 2, bigEndian);
    const std::uint32_t low = ReadU16(bigEndian ? p + 2 : p, bigEndian);
    return high << 16 | low;
}

} // namespace Pictures
