#include "ControlFixtures.h"

#include "rotateimage/RegionFromMask.h"

#include "platform/ByteOrder.h"

#include <gtest/gtest.h>

namespace dw::test {
namespace {

// A mask image of rows given from the top, '#' opaque and '.' transparent.
TMemoryStream maskOf(const std::vector<std::string>& rows)
{
    const int w = int(rows[0].size()), h = int(rows.size());
    std::vector<uint8_t> px;
    for (int y = h - 1; y >= 0; --y)
        for (char c : rows[size_t(y)])
            px.push_back(c == '#' ? 0 : 1);
    return makeDib8(w, h, {0x000000, 0xFFFFFF}, px);
}

struct RegionDataLimit {
    explicit RegionDataLimit(uint32_t bytes) { setRegionDataLimit(bytes); }
    ~RegionDataLimit() { setRegionDataLimit(0); }
};

TEST(RegionFromMask, RunsGoLeftToRightAndTopToBottomAndMayEndAtTheRightEdge)
{
    const std::optional<TRegion> r = MaskToRegion(nullptr, maskOf({".####", "##.#.", "....."}), nullptr);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->rects(), (std::vector<TRect>{{1, 0, 5, 1}, {0, 1, 2, 2}, {3, 1, 4, 2}}));
    EXPECT_TRUE(MaskToRegion(nullptr, maskOf({"...", "..."}), nullptr)->isEmpty());
    TMemoryStream notAMask;
    EXPECT_FALSE(MaskToRegion(nullptr, notAMask, nullptr).has_value());
}

TEST(RegionFromMask, MoreRunsThanOneCallTakesAreBuiltInChunks)
{
    // 50 runs in each of 100 rows: 5000 rectangles, 80032 bytes of region data.
    std::vector<std::string> rows(100, std::string(100, '.'));
    std::vector<TRect> expected;
    for (int y = 0; y < 100; ++y)
        for (int x = (y & 1); x < 100; x += 2) {
            rows[size_t(y)][size_t(x)] = '#';
            expected.push_back({x, y, x + 1, y + 1});
        }
    const TMemoryStream mask = maskOf(rows);
    const RegionDataLimit limit(65536);
    const std::optional<TRegion> r = MaskToRegion(nullptr, mask, nullptr);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(*r, TRegion::fromRects(expected));

    // Refused in chunks as well: the bounding rectangle of the image.
    setRegionDataLimit(1000);
    EXPECT_EQ(*MaskToRegion(nullptr, mask, nullptr), CreateRectRgn(0, 0, 100, 100));
}

TEST(RegionFromMask, ChunksCopyTheHeaderInFrontOfEachAndACountOfZeroGivesNothing)
{
    std::vector<uint8_t> data(32 + 16 * 4095, 0);
    const auto put = [&](size_t at, int32_t v) { writeLE32s(data.data() + at, v); };
    put(0, 32);
    put(4, 1);
    put(8, 4095);
    for (int i = 0; i < 4095; ++i) {
        const size_t at = 32 + 16 * size_t(i);
        put(at, i % 64), put(at + 4, i / 64), put(at + 8, i % 64 + 1), put(at + 12, i / 64 + 1);
    }
    const std::optional<TRegion> r = CreateRegionChunked(nullptr, data.data(), data.size());
    ASSERT_TRUE(r.has_value());
    // 64 rows of 64 unit squares but the last square.
    TRegion expected = CreateRectRgn(0, 0, 64, 63);
    CombineRgn(expected, expected, CreateRectRgn(0, 63, 63, 64), RGN_OR);
    EXPECT_EQ(*r, expected);
    put(8, 0);
    EXPECT_FALSE(CreateRegionChunked(nullptr, data.data(), data.size()).has_value());
    put(8, 5000); // more than the data holds
    EXPECT_FALSE(CreateRegionChunked(nullptr, data.data(), data.size()).has_value());
}

TEST(RegionFromMask, ADeviceContextGivesDeviceCoordinatesNarrowedOnPrinters)
{
    const TMemoryStream mask = maskOf({"##.#", "####"});
    QImage page(100, 100, QImage::Format_RGB32);
    TCanvas screen(&page);
    SetMapMode(screen, MM_ANISOTROPIC);
    SetViewportExtEx(screen, 3, 3, nullptr);
    SetViewportOrgEx(screen, 10, 20, nullptr);
    EXPECT_EQ(MaskToRegion(nullptr, mask, &screen)->rects(),
              (std::vector<TRect>{{10, 20, 16, 23}, {19, 20, 22, 23}, {10, 23, 22, 26}}));
    screen.setDeviceCaps(TDeviceCaps{DT_RASPRINTER, 24});
    EXPECT_EQ(MaskToRegion(nullptr, mask, &screen)->rects(),
              (std::vector<TRect>{{11, 20, 15, 23}, {20, 20, 21, 23}, {11, 23, 21, 26}}));
}

} // namespace
} // namespace dw::test
