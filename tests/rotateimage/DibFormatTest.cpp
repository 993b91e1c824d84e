#include "BmpBuilder.h"

#include "rotateimage/DibFormat.h"

#include "platform/ByteOrder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace dw::test {
namespace {

TEST(DibFormat, EveryRuleOfTheValidityTestIsChecked)
{
    const TMemoryStream good = makeDib8(3, 2, {0, 0xFFFFFF}, {0, 1, 0, 1, 0, 1});
    ASSERT_TRUE(IsValidDib(good));

    struct Breakage {
        const char* what;
        std::function<void(uint8_t*)> apply;
    };
    const Breakage breakages[] = {
        {"signature", [](uint8_t* p) { p[1] = 'X'; }},
        {"file size beyond the buffer", [](uint8_t* p) { writeLE32(p + 2, readLE32(p + 2) + 1); }},
        {"file size not beyond the pixel offset", [](uint8_t* p) { writeLE32(p + 2, readLE32(p + 10)); }},
        {"reserved 1", [](uint8_t* p) { p[6] = 1; }},
        {"reserved 2", [](uint8_t* p) { p[9] = 1; }},
        {"pixel offset inside the headers", [](uint8_t* p) { writeLE32(p + 10, 53); }},
        {"info header of 108 bytes", [](uint8_t* p) { writeLE32(p + 14, 108); }},
        {"width 0", [](uint8_t* p) { writeLE32(p + 18, 0); }},
        {"negative height", [](uint8_t* p) { writeLE32s(p + 22, -2); }},
        {"two planes", [](uint8_t* p) { writeLE16(p + 26, 2); }},
        {"bit count 0", [](uint8_t* p) { writeLE16(p + 28, 0); }},
        {"bit count 33", [](uint8_t* p) { writeLE16(p + 28, 33); }},
        {"compressed", [](uint8_t* p) { writeLE32(p + 30, 1); }},
        {"negative x resolution", [](uint8_t* p) { writeLE32s(p + 38, -1); }},
        {"negative y resolution", [](uint8_t* p) { writeLE32s(p + 42, -1); }},
        {"257 colours", [](uint8_t* p) { writeLE32(p + 46, 257); }},
    };
    for (const Breakage& b : breakages) {
        TMemoryStream bad;
        bad.SetSize(good.size());
        std::memcpy(bad.Memory(), good.Memory(), size_t(good.size()));
        b.apply(bad.Memory());
        EXPECT_FALSE(IsValidDib(bad)) << b.what;
    }

    TMemoryStream headersOnly;
    headersOnly.SetSize(54);
    std::memcpy(headersOnly.Memory(), good.Memory(), 54);
    writeLE32(headersOnly.Memory() + 2, 54);
    EXPECT_FALSE(IsValidDib(headersOnly)) << "54 bytes are not longer than the headers";
    EXPECT_FALSE(IsValidDib(TMemoryStream{}));
}

TEST(DibFormat, ViewRequiresTheRowsInsideTheBuffer)
{
    TMemoryStream image = makeDib24(3, 2, {1, 2, 3, 4, 5, 6}, false);
    ASSERT_TRUE(DibView::of(image));
    EXPECT_EQ(DibView::of(image)->bytesAfterPixels, 0);
    // The validity test alone believes the file size; the view checks the rows themselves.
    struct Size {
        int32_t width, height;
    };
    // The last is a fuzzer's find: its rows times its height pass 2^63.
    for (const Size size : {Size{3, 3}, Size{1 << 30, 2}, Size{0x705FFFFF, 0x7C1D3900}}) {
        writeLE32s(image.Memory() + 18, size.width);
        writeLE32s(image.Memory() + 22, size.height);
        EXPECT_TRUE(IsValidDib(image));
        EXPECT_FALSE(DibView::of(image)) << size.width << " x " << size.height;
    }
}

TEST(DibFormat, SpareByteIsAppendedOnceAndOnlyToTwentyFourBitImages)
{
    TMemoryStream wide = makeDib24(3, 1, {1, 2, 3}, false);
    const int64_t size = wide.size();
    ensureSpareByte(wide);
    EXPECT_EQ(wide.size(), size + 1);
    ensureSpareByte(wide);
    EXPECT_EQ(wide.size(), size + 1);
    TMemoryStream indexed = makeDib8(3, 1, {0, 0xFFFFFF}, {0, 1, 0});
    ensureSpareByte(indexed);
    EXPECT_EQ(indexed.size(), int64_t(fileSizeOf(indexed)));
}

TEST(DibFormat, FirstStoredPixelAndTableSearch)
{
    const TMemoryStream wide = makeDib24(2, 2, {0x0A0B0C, 2, 3, 4});
    EXPECT_EQ(firstStoredPixel(wide), 0x0A0B0Cu);
    const TMemoryStream indexed = makeDib8(2, 1, {0x000000, 0x123456, 0x123456}, {2, 0});
    EXPECT_EQ(firstStoredPixel(indexed), 2u);
    EXPECT_EQ(findTableEntry(indexed, 0x123456), 1u); // the first equal entry
    EXPECT_FALSE(findTableEntry(indexed, 0x654321));
    EXPECT_FALSE(findTableEntry(wide, 0x0A0B0C));
    EXPECT_FALSE(firstStoredPixel(TMemoryStream{}));
}

} // namespace
} // namespace dw::test
