// GIFs whose logical screen is far larger than their file: a frame whose data are too few for its
// pixels is refused before the screen is decoded; a small frame on a big screen is a picture.
#include "editor/clock/CompletePicture.h"
#include "editor/clock/PictureConversion.h"

#include "tests/support/ChildUsage.h"

#include <gtest/gtest.h>

#include <vector>

using namespace dw;
using namespace dw::test;

namespace {

using Bytes = std::vector<uint8_t>;

// 34 bytes: a 5126 × 8704 screen and frame, 7 bytes of codes (at most 171 pixels).
const Bytes kShortFrame = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x06, 0x14, 0x00, 0x22, 0x00, 0x00,
                           0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x06, 0x14, 0x00, 0x22, 0x00, 0x02,
                           0x07, 0x84, 0x0F, 0x53, 0x97, 0xDB, 0x1F, 0x8C, 0x00, 0x3B};

// Codes packed from the lowest bit, 2-bit pixels (clear 4, end 5), the width growing as a
// decoder's table does.
Bytes packCodes(const std::vector<int>& codes)
{
    Bytes out;
    uint32_t acc = 0;
    int bits = 0, width = 3, next = 6;
    for (const int c : codes) {
        acc |= uint32_t(c) << bits;
        for (bits += width; bits >= 8; bits -= 8, acc >>= 8)
            out.push_back(uint8_t(acc));
        if (c == 4) {
            width = 3, next = 6;
            continue;
        }
        if (++next == 1 << width && width < 12)
            ++width;
    }
    if (bits)
        out.push_back(uint8_t(acc));
    return out;
}

// A GIF with a two-colour table (black, white), its screen and first frame of the given sizes.
Bytes gif(int screenW, int screenH, int frameW, int frameH, const Bytes& data)
{
    Bytes b = {'G', 'I', 'F', '8', '9', 'a', uint8_t(screenW), uint8_t(screenW >> 8), uint8_t(screenH),
               uint8_t(screenH >> 8), 0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x2C, 0, 0, 0, 0,
               uint8_t(frameW), uint8_t(frameW >> 8), uint8_t(frameH), uint8_t(frameH >> 8), 0, 2};
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t n = std::min<size_t>(255, data.size() - at);
        b.push_back(uint8_t(n));
        b.insert(b.end(), data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + n));
    }
    b.push_back(0);
    b.push_back(0x3B);
    return b;
}

CompletePicture read(const Bytes& b) { return readCompletePicture(b.data(), int64_t(b.size())); }

} // namespace

TEST(GifFrameData, AFrameItsCodesCannotFillIsRefusedAndOneTheyJustFillIsRead)
{
    const CompletePicture shortFrame = read(kShortFrame);
    EXPECT_EQ(shortFrame.problem, PictureProblem::Damaged);
    EXPECT_TRUE(shortFrame.image.isNull());
    EXPECT_EQ(shortFrame.statedSize, QSize(5126, 8704));

    // The most a stream can give: each code one pixel longer than the one before (600 codes,
    // 180300 pixels, in three sub-blocks) is read whole.
    std::vector<int> codes = {4};
    for (int i = 0; i < 600; ++i)
        codes.push_back(i == 0 ? 0 : 5 + i);
    codes.push_back(5);
    const Bytes full = gif(601, 300, 601, 300, packCodes(codes));
    const CompletePicture picture = read(full);
    ASSERT_TRUE(picture.ok());
    const QImage rgb = picture.image.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(rgb.pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(rgb.pixel(600, 299), 0xFF000000u);
    EXPECT_TRUE(gifFirstFrameFillable(full.data(), int64_t(full.size())));

    // The same codes for a frame of 4 million pixels (their some 800 bytes give at most 2.3
    // million, however they are read): refused.
    const Bytes tooBig = gif(4000, 1000, 4000, 1000, packCodes(codes));
    EXPECT_FALSE(gifFirstFrameFillable(tooBig.data(), int64_t(tooBig.size())));
    EXPECT_EQ(read(tooBig).problem, PictureProblem::Damaged);
}

TEST(GifFrameData, TheShortFrameCostsNoScreenAndASmallFrameOnABigScreenAtMostFourTimesItsPicture)
{
    constexpr int64_t kMiB = int64_t(1) << 20;
    const Bytes small = gif(2, 2, 2, 2, packCodes({4, 0, 6, 0, 5}));
    ASSERT_TRUE(read(small).ok());
    // Measured in forked copies only, so that this process holds no big picture they inherit.
    const auto peakReading = [](const Bytes& b, bool convert, QSize expected = QSize()) {
        return forkMeasured([&] {
            const CompletePicture p = read(b);
            if (expected.isValid() && p.image.size() != expected)
                return 3;
            if (convert && p.ok()) {
                TMemoryStream bitmap;
                convertToClockBitmap(p.image, bitmap);
                return bitmap.size() > 0 ? 0 : 2;
            }
            return p.ok() ? 0 : 1;
        });
    };
    const ChildUsage base = peakReading(small, true);
    ASSERT_EQ(base.exitCode, 0);
    const ChildUsage refused = peakReading(kShortFrame, false);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_LT(refused.peakBytes - base.peakBytes, 16 * kMiB) << "the 178 MB screen was decoded";

    // A 1 × 1 frame on the same screen is a picture of the screen's size (178 MB as 32 bits a
    // pixel): read and converted to a bitmap within four times that.
    const Bytes dot = gif(5126, 8704, 1, 1, packCodes({4, 1, 5}));
    const ChildUsage converted = peakReading(dot, true, QSize(5126, 8704));
    EXPECT_EQ(converted.exitCode, 0);
    EXPECT_LT(converted.peakBytes - base.peakBytes, 4 * int64_t(5126) * 8704 * 4);
}
