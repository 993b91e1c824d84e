#include "rotateimage/MixRow.h"

#include <gtest/gtest.h>

#include <vector>

namespace dw::test {
namespace {

// The blend of one byte, as the table of levels states it.
int blendByte(int c, int b, int level)
{
    switch (level & 7) {
    case 1: return c - c / 8 + b / 8;
    case 2: return c - c / 4 + b / 4;
    case 3: return c - c / 4 - c / 8 + b / 4 + b / 8;
    case 4: return c - c / 2 + b / 2;
    case 5: return c / 4 + c / 8 + b - b / 4 - b / 8;
    case 6: return c / 4 + b - b / 4;
    case 7: return c / 8 + b - b / 8;
    default: return c;
    }
}

TEST(MixRow, EveryLevelBlendsEveryBytePairWithoutCarryingIntoItsNeighbours)
{
    // All 65536 pairs (c, b), packed so that every byte lane of a word sees every pair.
    const int64_t width = 65536 / 3 + 1;
    const size_t bytes = size_t(mixRowWords(width) * 4);
    std::vector<uint8_t> comp(bytes), back(bytes);
    for (size_t i = 0; i < bytes; ++i) {
        const size_t pair = (i * 257) % 65536;
        comp[i] = uint8_t(pair >> 8);
        back[i] = uint8_t(pair);
    }
    for (int level = 0; level < 16; ++level) {
        std::vector<uint8_t> out = comp;
        mixRow(out.data(), back.data(), width, level);
        for (size_t i = 0; i < bytes; ++i)
            ASSERT_EQ(out[i], blendByte(comp[i], back[i], level)) << "level " << level << " c " << int(comp[i])
                                                                  << " b " << int(back[i]);
    }
}

TEST(MixRow, UnpaintedBytesKeepTheBackground)
{
    std::vector<uint8_t> row(12), back(12);
    for (int i = 0; i < 12; ++i)
        row[size_t(i)] = back[size_t(i)] = uint8_t(i * 21);
    for (int level = 1; level < 8; ++level) {
        std::vector<uint8_t> out = row;
        mixRow(out.data(), back.data(), 4, level);
        EXPECT_EQ(out, back) << level;
    }
}

TEST(MixRow, TouchesExactlyThePaddedRow)
{
    for (int64_t width : {1, 2, 3, 4, 5, 7}) {
        const size_t used = size_t(mixRowWords(width) * 4);
        EXPECT_EQ(int64_t(used), (width * 3 + 3) / 4 * 4);
        std::vector<uint8_t> comp(used + 8, 200), back(used + 8, 0);
        mixRow(comp.data() + 1, back.data() + 1, width, 4); // unaligned on purpose
        EXPECT_EQ(comp[0], 200);
        for (size_t i = 1; i <= used; ++i)
            EXPECT_EQ(comp[i], 100) << width << " byte " << i;
        for (size_t i = used + 1; i < comp.size(); ++i)
            EXPECT_EQ(comp[i], 200) << width << " byte " << i;
    }
}

TEST(MixRow, PixelsBlendedOverTheBackgroundAndOverlaysOnlyWhereOpaque)
{
    // Lengths around the eight-word steps; every pair (c, b) appears in some lane.
    for (int64_t n : {1, 7, 8, 9, 23, 4099}) {
        std::vector<uint32_t> comp(static_cast<size_t>(n)), back(static_cast<size_t>(n));
        for (size_t i = 0; i < comp.size(); ++i) {
            const uint32_t k = uint32_t(i) * 2654435761u;
            comp[i] = k;
            back[i] = k * 40503u + 0x1234567u;
        }
        for (int level = 0; level < 8; ++level) {
            std::vector<uint32_t> over = back, overlaid = back;
            mixPixelsOver(over.data(), comp.data(), n, level);
            mixOverlayOver(overlaid.data(), comp.data(), n, level);
            for (size_t i = 0; i < comp.size(); ++i) {
                uint32_t blended = 0xFF000000u;
                for (int shift : {0, 8, 16})
                    blended |= uint32_t(blendByte(comp[i] >> shift & 0xFF, back[i] >> shift & 0xFF, level)) << shift;
                ASSERT_EQ(over[i], blended) << "n " << n << " level " << level << " word " << i;
                // An overlay word is opaque when its top bit is set.
                ASSERT_EQ(overlaid[i], comp[i] >> 31 ? blended : back[i] | 0xFF000000u)
                    << "n " << n << " level " << level << " word " << i;
            }
        }
    }
}

} // namespace
} // namespace dw::test
