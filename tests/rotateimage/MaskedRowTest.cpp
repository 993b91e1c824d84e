// The mask blit's row computed straight from a 24-bit row and its mask: what it writes, and the
// vector kernel against the plain one.
#include "rotateimage/MaskedRow.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace dw {
namespace {

TEST(MaskedRow, OpaquePixelsTakeTheirColourAndTheOthersKeepTheCanvas)
{
    // Blue, green, red bytes; one byte beyond the last pixel, as a rendering's spare byte.
    const uint8_t pixels[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA};
    const uint8_t mask[] = {0, 1, 0};
    uint32_t out[] = {0x00010203, 0x00040506, 0x7F070809};
    overlayMaskedRow24(pixels, mask, out, 3);
    EXPECT_EQ(out[0], 0xFF332211u);
    EXPECT_EQ(out[1], 0xFF040506u) << "transparent: the canvas, its top byte set";
    EXPECT_EQ(out[2], 0xFF998877u);
}

TEST(MaskedRow, TheVectorKernelGivesThePlainKernelsWords)
{
    std::mt19937 random(20);
    for (int width = 0; width <= 70; ++width) {
        std::vector<uint8_t> pixels(size_t(3 * width + 1));
        std::vector<uint8_t> mask(static_cast<size_t>(width));
        std::vector<uint32_t> canvas(static_cast<size_t>(width));
        for (auto& b : pixels)
            b = uint8_t(random());
        for (auto& m : mask)
            m = uint8_t(random() & 1);
        for (auto& c : canvas)
            c = uint32_t(random());
        std::vector<uint32_t> vector = canvas, plain = canvas;
        overlayMaskedRow24(pixels.data(), mask.data(), vector.data(), width);
        overlayMaskedRow24Plain(pixels.data(), mask.data(), plain.data(), width);
        ASSERT_EQ(vector, plain) << width << " pixels";
    }
}

} // namespace
} // namespace dw
