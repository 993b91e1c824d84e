// Animation slot records: their layout, the items that follow them and loading their strips,
// also from damaged and hostile bytes.
#include "StripPictures.h"

#include "media/AnimSlot.h"

#include "platform/ByteOrder.h"
#include "platform/FrameworkError.h"
#include "platform/MemoryStream.h"

#include "tests/support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace dw::test {
namespace {

using Bytes = std::vector<uint8_t>;

// A bitmap file header and info header as a hostile file may state them, followed by `extra`
// bytes of nothing.
Bytes bitmapHeaders(int32_t width, int32_t height, uint16_t bits, uint32_t colours, uint32_t fileSize,
                    uint32_t pixelOffset, size_t extra)
{
    Bytes b(54 + extra, 0);
    b[0] = 'B';
    b[1] = 'M';
    writeLE32(b.data() + 2, fileSize);
    writeLE32(b.data() + 10, pixelOffset);
    writeLE32(b.data() + 14, 40);
    writeLE32s(b.data() + 18, width);
    writeLE32s(b.data() + 22, height);
    writeLE16(b.data() + 26, 1);
    writeLE16(b.data() + 28, bits);
    writeLE32(b.data() + 46, colours);
    return b;
}

// A record: slot, kind, parameters and payload.
Bytes record(int32_t slot, int32_t kind, const TAnimParam& p, const Bytes& payload)
{
    Bytes r(28);
    writeLE32s(r.data(), slot);
    writeLE32s(r.data() + 4, kind);
    pdl::writeAnimParams(r.data() + 8, p);
    r.insert(r.end(), payload.begin(), payload.end());
    return r;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(AnimParamTest, RecordIsTwentyBytesWithRowsBeforeColumns)
{
    uint8_t bytes[20];
    pdl::writeAnimParams(bytes, {-5, -3, 2, 4, 100});
    EXPECT_EQ(readLE32s(bytes), -5);
    EXPECT_EQ(readLE32s(bytes + 4), -3);
    EXPECT_EQ(readLE32s(bytes + 8), 2);  // rows
    EXPECT_EQ(readLE32s(bytes + 12), 4); // columns
    EXPECT_EQ(readLE32s(bytes + 16), 100);
    const TAnimParam back = pdl::readAnimParams(bytes);
    EXPECT_EQ(back.OffsetX, -5);
    EXPECT_EQ(back.VertCount, 2);
    EXPECT_EQ(back.HorzCount, 4);
}

TEST(AnimFrameGridTest, FramesDivideTheStripAndCountsBelowOneDivideNothing)
{
    const AnimFrameGrid g = animFrameGrid(400, 100, {0, 0, 2, 4, 100});
    EXPECT_EQ(g.frameWidth, 100);
    EXPECT_EQ(g.frameHeight, 50);
    EXPECT_EQ(g.frameCount(), 8);
    const TRect f5 = g.frameRect(5); // bottom row, second column
    EXPECT_EQ(f5.Left, 100);
    EXPECT_EQ(f5.Top, 50);
    EXPECT_EQ(f5.Right, 200);
    EXPECT_TRUE(g.frameRect(8).isEmpty());
    EXPECT_EQ(animFrameGrid(403, 101, {0, 0, 2, 4, 100}).frameWidth, 100);

    for (int32_t bad : {0, -1, INT32_MIN}) {
        const AnimFrameGrid z = animFrameGrid(400, 100, {0, 0, bad, bad, 100});
        EXPECT_FALSE(z.framesVisible());
        EXPECT_EQ(z.frameCount(), 0);
        EXPECT_TRUE(z.frameRect(0).isEmpty());
    }
    // A strip narrower than its column count: frames of width 0, still counted.
    const AnimFrameGrid narrow = animFrameGrid(3, 10, {0, 0, 1, 4, 100});
    EXPECT_FALSE(narrow.framesVisible());
    EXPECT_EQ(narrow.frameCount(), 4);
}

TEST(AnimSlotTest, RecordsAreLaidOutByteForByte)
{
    TMemoryStream r;
    makeNamedAnimRecord(r, 5, {1, 2, 3, 4, 500}, QByteArray("\x83\x65st.bmp"));
    ASSERT_EQ(r.size(), 8 + 29);
    const AnimRecordView named = viewAnimRecord(r);
    EXPECT_EQ(named.slot, 5);
    EXPECT_EQ(named.kind, 1);
    EXPECT_EQ(named.param.FrameTime, 500);
    EXPECT_EQ(animRecordAnsiName(named), QByteArray("\x83\x65st.bmp"));
    EXPECT_EQ(animRecordName(named), QStringLiteral("テst.bmp"));
    EXPECT_EQ(r.Memory()[r.size() - 1], 0);

    // Embedding cuts whatever the record held to its header first.
    TBitmap strip;
    fillBitmap(strip, makeStrip(2, 4, 3, 2));
    makeEmbeddedAnimRecord(r, 7, {-5, -3, 2, 4, 100}, strip);
    TMemoryStream bmp;
    strip.SaveToStream(bmp);
    ASSERT_EQ(r.size(), 28 + bmp.size());
    EXPECT_EQ(Bytes(r.Memory() + 28, r.Memory() + r.size()), bytesOf(bmp));
    const AnimRecordView embedded = viewAnimRecord(r);
    EXPECT_EQ(embedded.kind, 2);
    EXPECT_EQ(embedded.param.OffsetX, -5);
    TBitmap back;
    ASSERT_EQ(loadAnimStrip(embedded, back, {}), AnimStripStatus::Loaded);
    EXPECT_EQ(back.image().convertToFormat(QImage::Format_RGB32), strip.image().convertToFormat(QImage::Format_RGB32));
}

TEST(AnimSlotTest, NewParametersAreRefusedForARecordWithoutAStrip)
{
    TMemoryStream header;
    header.SetSize(28);
    EXPECT_FALSE(setAnimRecordParam(header, {7, -8, 1, 2, 950}));
    EXPECT_EQ(bytesOf(header), Bytes(28, 0));
}

TEST(AnimSlotTest, ShortRecordsHaveNoDataAndTheDefaultParameters)
{
    for (size_t size : {0u, 4u, 8u, 28u}) {
        const Bytes r(size, 1);
        const AnimRecordView v = viewAnimRecord(r.data(), int64_t(r.size()));
        EXPECT_FALSE(v.hasData) << size;
        EXPECT_EQ(v.param.VertCount, 2);
        EXPECT_EQ(v.param.HorzCount, 4);
        EXPECT_EQ(v.param.FrameTime, 100);
        TBitmap strip;
        EXPECT_EQ(loadAnimStrip(v, strip, {}), AnimStripStatus::NoData) << size;
    }
}

TEST(AnimSlotTest, KindsBelowTwoAreNamesAndAboveTwoAreBad)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("strip.bmp"));
    TBitmap strip;
    fillBitmap(strip, makeStrip(1, 1, 2, 2));
    strip.SaveToFile(path);
    const QByteArray name = path.toLocal8Bit();

    for (int32_t kind : {0, 1, -7}) {
        const Bytes r = record(5, kind, kDefaultAnimParam, Bytes(name.begin(), name.end()) + Bytes{0});
        TBitmap loaded;
        EXPECT_EQ(loadAnimStrip(viewAnimRecord(r.data(), int64_t(r.size())), loaded, {}), AnimStripStatus::Loaded) << kind;
        EXPECT_EQ(loaded.Width(), 2);
    }
    // A relative name is looked for in the folders given.
    const Bytes relative = record(5, 1, kDefaultAnimParam, Bytes{'s', 't', 'r', 'i', 'p', '.', 'b', 'm', 'p', 0});
    TBitmap found;
    EXPECT_EQ(loadAnimStrip(viewAnimRecord(relative.data(), int64_t(relative.size())), found, {dir.path()}),
              AnimStripStatus::Loaded);
    const Bytes missing = record(5, 1, kDefaultAnimParam, Bytes{'n', 'o', '.', 'b', 'm', 'p', 0});
    TBitmap loaded;
    const AnimRecordView mv = viewAnimRecord(missing.data(), int64_t(missing.size()));
    EXPECT_EQ(loadAnimStrip(mv, loaded, {dir.path()}), AnimStripStatus::FileMissing);
    EXPECT_EQ(animRecordName(mv), QStringLiteral("no.bmp"));
    // A record of 29 bytes by name holds only the NUL: an empty name, never a file.
    const Bytes nul = record(5, 1, kDefaultAnimParam, Bytes{0});
    EXPECT_EQ(loadAnimStrip(viewAnimRecord(nul.data(), 29), loaded, {dir.path()}), AnimStripStatus::FileMissing);

    const Bytes bad = record(5, 3, kDefaultAnimParam, Bytes{1, 2, 3});
    EXPECT_EQ(loadAnimStrip(viewAnimRecord(bad.data(), int64_t(bad.size())), loaded, {}), AnimStripStatus::BadKind);
    EXPECT_TRUE(loaded.Empty());
}

TEST(AnimSlotTest, HostileEmbeddedStripsAreRefusedWithTheFrameworksError)
{
    const std::vector<Bytes> hostile = {
        Bytes{0x42},                                                   // 29 bytes in all
        bitmapHeaders(60000, 60000, 24, 0, 62, 54, 8),                 // a huge claim in a small record
        bitmapHeaders(4, 4, 8, 256, 1078 + 16, 1078, 20),              // palette past the end
        bitmapHeaders(4, 4, 24, 0, 0xFFFFFFF0u, 54, 16),               // lying file size, pixels missing
        bitmapHeaders(4, -4, 24, 0, 54 + 48, 0xFFFFFF00u, 48),         // pixels past the end
        bitmapHeaders(INT32_MIN, INT32_MIN, 32, 0, 54, 54, 0),         // negative extremes
        bitmapHeaders(2, 2, 7, 0, 70, 54, 16),                         // no such depth
    };
    for (size_t i = 0; i < hostile.size(); ++i) {
        const Bytes r = record(6, 2, kDefaultAnimParam, hostile[i]);
        TBitmap strip;
        fillBitmap(strip, makeStrip(1, 1, 2, 2));
        EXPECT_THROW(loadAnimStrip(viewAnimRecord(r.data(), int64_t(r.size())), strip, {}), EFrameworkError) << i;
        EXPECT_EQ(strip.Width(), 2) << "case " << i << " changed the strip";
    }
}

} // namespace
} // namespace dw::test
