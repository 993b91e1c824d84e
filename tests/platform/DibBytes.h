#pragma once

// Bitmap-file bytes written field by field, for the graphics tests.

#include "platform/ByteOrder.h"

#include <cstdint>
#include <vector>

namespace dw::test {

// A bitmap file: 14-byte file header, 40-byte info header, then tableOrMasks (colour-table
// entries 0x00RRGGBB, or the three masks of bit fields) and the rows exactly as given.
inline std::vector<uint8_t> bmpFile(int32_t w, int32_t h, uint16_t bits, uint32_t compression,
                                    const std::vector<uint32_t>& tableOrMasks, const std::vector<uint8_t>& rows,
                                    uint32_t colorsUsed = 0)
{
    const uint32_t offset = 54 + 4 * uint32_t(tableOrMasks.size());
    std::vector<uint8_t> d(offset);
    d[0] = 'B';
    d[1] = 'M';
    writeLE32(d.data() + 2, offset + uint32_t(rows.size()));
    writeLE32(d.data() + 10, offset);
    writeLE32(d.data() + 14, 40);
    writeLE32s(d.data() + 18, w);
    writeLE32s(d.data() + 22, h);
    writeLE16(d.data() + 26, 1);
    writeLE16(d.data() + 28, bits);
    writeLE32(d.data() + 30, compression);
    writeLE32(d.data() + 46, colorsUsed);
    for (size_t i = 0; i < tableOrMasks.size(); ++i)
        writeLE32(d.data() + 54 + 4 * i, tableOrMasks[i]);
    d.insert(d.end(), rows.begin(), rows.end());
    return d;
}

} // namespace dw::test
