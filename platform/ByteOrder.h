#pragma once

#include <cstdint>

namespace dw {

// Little-endian access to raw bytes; every on-disk integer of the program is little-endian.
inline uint16_t readLE16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t readLE32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t readLE32s(const uint8_t* p) { return static_cast<int32_t>(readLE32(p)); }

inline void writeLE16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void writeLE32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline void writeLE32s(uint8_t* p, int32_t v) { writeLE32(p, static_cast<uint32_t>(v)); }

} // namespace dw
