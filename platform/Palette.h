#pragma once

#include <cstdint>
#include <vector>

namespace dw {

// A logical palette (LOGPALETTE): version 0x300 and up to 256 entries of red, green, blue and
// flags. Selected into a canvas for drawing on an 8-bit device; on a true-colour device it
// changes nothing.
struct TLogPalette {
    struct Entry {
        uint8_t red = 0;
        uint8_t green = 0;
        uint8_t blue = 0;
        uint8_t flags = 0;
    };
    uint16_t version = 0x300;
    std::vector<Entry> entries;
};

} // namespace dw
