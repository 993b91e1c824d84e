#include "BmpBuilder.h"

#include "rotateimage/ColorEffect.h"

#include "platform/ByteOrder.h"

#include <gtest/gtest.h>

#include <random>

namespace dw::test {
namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; } // pixel order

TEST(ColorEffect, SepiaAndMonochromeWorkedValues)
{
    EXPECT_EQ(ApplyColorEffect(rgb(128, 128, 128), EffectSepia), rgb(182, 132, 72));
    EXPECT_EQ(ApplyColorEffect(rgb(255, 255, 255), EffectSepia), rgb(255, 255, 243));
    EXPECT_EQ(ApplyColorEffect(rgb(0, 0, 0), EffectSepia), rgb(12, 1, 0));
    EXPECT_EQ(ApplyColorEffect(rgb(255, 0, 0), EffectMonochrome), rgb(85, 85, 85));
}

TEST(ColorEffect, MonochromeGivesThreeEqualChannelsAndNoneChangesNothing)
{
    std::mt19937 random(7);
    for (int n = 0; n < 2000; ++n) {
        const uint32_t c = random() & 0xFFFFFF;
        const uint32_t m = ApplyColorEffect(c, EffectMonochrome);
        EXPECT_EQ(m & 0xFF, m >> 8 & 0xFF) << std::hex << c;
        EXPECT_EQ(m & 0xFF, m >> 16) << std::hex << c;
        EXPECT_EQ(ApplyColorEffect(c, EffectNone), c);
    }
    EXPECT_EQ(ApplyColorEffect(0xFF123456u, EffectNone), 0x123456u) << "the top byte is dropped";
}

TEST(ColorEffect, ToneCurvesStayInsideTheChannelRange)
{
    for (int s = -128; s <= 127; ++s)
        for (int c = 0; c <= 255; ++c) {
            const int v = toneCurve(c, s);
            ASSERT_GE(v, 0) << "s " << s << " c " << c;
            ASSERT_LE(v, 255) << "s " << s << " c " << c;
        }
    // Negative adjustments truncate toward zero: k = −100 / 8 = −12, t = −49.6 → −49.
    EXPECT_EQ(toneCurve(128, -100), 243 * 128 / 255 - 49);
}

TEST(ColorEffect, PreparedTableAgreesWithTheDirectComputation)
{
    std::mt19937 random(11);
    const uint32_t words[] = {EffectSepia, EffectMonochrome, 0xFF7F8081u, 0x01010101u, 0x00FF00FFu, 0x80808080u};
    for (uint32_t w : words) {
        const ColorEffectTable table(w);
        for (int n = 0; n < 20000; ++n) {
            const uint32_t c = random() & 0xFFFFFF;
            ASSERT_EQ(table.apply(c), ApplyColorEffect(c, w)) << std::hex << "word " << w << " colour " << c;
        }
    }
}

TEST(ColorEffect, PaletteEffectCoversTheStatedEntriesOnly)
{
    TMemoryStream short8 = makeDib8(1, 1, {rgb(255, 0, 0), rgb(128, 128, 128), rgb(1, 2, 3)}, {0});
    // What follows the table (the pixel) must stay as it is.
    ApplyPaletteEffect(short8, EffectSepia, true);
    EXPECT_EQ(tableEntry(short8, 1), ~rgb(182, 132, 72) & 0xFFFFFFu);
    EXPECT_EQ(tableEntry(short8, 0), ~ApplyColorEffect(rgb(255, 0, 0), EffectSepia) & 0xFFFFFFu);
    EXPECT_EQ(pixelAt(short8, 0, 0), 0u);

    TMemoryStream full = makeDib8(1, 1, distinctPalette(), {0}, true);
    ApplyPaletteEffect(full, EffectNone, true);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(tableEntry(full, i), ~distinctPalette()[size_t(i)] & 0xFFFFFFu) << i;

    // Flags in the fourth byte are cleared by the negative.
    TMemoryStream flagged = makeDib8(1, 1, {0x000000}, {0});
    writeLE32(flagged.Memory() + 54, 0x55000000u);
    ApplyPaletteEffect(flagged, EffectNone, true);
    EXPECT_EQ(tableEntry(flagged, 0), 0x00FFFFFFu);
}

TEST(ColorEffect, PaletteEffectCountsAFourBitTableAsSixteenWhenOutOfRange)
{
    // A 4-bit image stating 20 colours: only 16 entries change.
    TMemoryStream image = makeDib8(1, 1, std::vector<uint32_t>(20, 0x000000), {0});
    writeLE16(image.Memory() + 28, 4);
    ApplyPaletteEffect(image, EffectNone, true);
    EXPECT_EQ(tableEntry(image, 15), 0xFFFFFFu);
    EXPECT_EQ(tableEntry(image, 16), 0x000000u);

    TMemoryStream wide = makeDib24(1, 1, {0x123456});
    const std::vector<uint8_t> before(wide.Memory(), wide.Memory() + wide.size());
    ApplyPaletteEffect(wide, EffectSepia, true);
    EXPECT_EQ(std::vector<uint8_t>(wide.Memory(), wide.Memory() + wide.size()), before);
}

TEST(ColorEffect, LogicalPaletteTakesRedGreenBlueFromTheTable)
{
    const TMemoryStream image = makeDib8(1, 1, {rgb(10, 20, 30), rgb(40, 50, 60)}, {0});
    const auto palette = CreateDibPalette(image);
    ASSERT_TRUE(palette);
    EXPECT_EQ(palette->version, 0x300);
    ASSERT_EQ(palette->entries.size(), 2u);
    EXPECT_EQ(palette->entries[1].red, 40);
    EXPECT_EQ(palette->entries[1].green, 50);
    EXPECT_EQ(palette->entries[1].blue, 60);
    EXPECT_EQ(palette->entries[1].flags, 0);
    EXPECT_EQ(CreateDibPalette(makeDib8(1, 1, distinctPalette(), {0}, true))->entries.size(), 256u);
    EXPECT_FALSE(CreateDibPalette(makeDib24(1, 1, {0})));
    EXPECT_FALSE(CreateDibPalette(TMemoryStream{}));
}

} // namespace
} // namespace dw::test
