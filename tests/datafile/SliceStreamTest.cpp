#include "SliceReference.h"

#include "datafile/SliceGrid.h"
#include "datafile/StreamList.h"

#include "platform/FrameworkError.h"
#include "platform/Random.h"
#include "platform/ScriptedSeam.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <set>

using namespace dw;
using namespace dw::test;

namespace {

const slicegrid::Kernel kKernels[] = {slicegrid::Kernel::Fastest, slicegrid::Kernel::Sse2, slicegrid::Kernel::Portable};
const std::vector<int32_t> kSliceCounts = {1, 2, 3, 7, 8, 9, 15, 16, 17, 64, 80, 81, 119, 128, 200, 239, 255};

Bytes sliceOf(const Bytes& plain)
{
    TMemoryStream source;
    load(source, plain);
    return contents(*SliceStream(source, int32_t(plain.size())));
}

// A stream that is not a memory stream, so that the slicer takes its general path.
class ForwardingStream : public TStream {
public:
    explicit ForwardingStream(TStream& inner) : m_inner(inner) {}
    int64_t Read(void* b, int64_t n) override { return m_inner.Read(b, n); }
    int64_t Write(const void* b, int64_t n) override { return m_inner.Write(b, n); }
    int64_t Seek(int64_t o, int origin) override { return m_inner.Seek(o, origin); }

private:
    TStream& m_inner;
};

// Both directions of the grid against the per-byte mapping with every kernel: the plain bytes to
// the stored ones, all of them back, and the part from `from` to `n − tail`.
void expectGridMatches(const Bytes& plain, int32_t W, uint8_t key, int32_t from = 0, int32_t tail = 0)
{
    const int32_t n = int32_t(plain.size()), count = n - from - tail;
    const Bytes expected = slicePerByte(plain, key, uint8_t(W));
    for (auto kernel : kKernels) {
        SCOPED_TRACE(::testing::Message() << "n " << n << ", W " << W << ", kernel " << int(kernel));
        Bytes stored(n);
        slicegrid::toStored(plain.data(), stored.data(), n, W, key, kernel);
        ASSERT_TRUE(std::equal(stored.begin(), stored.end(), expected.begin() + 2));
        Bytes back(n);
        slicegrid::toPlain(stored.data(), back.data(), n, W, key, 0, n, kernel);
        ASSERT_EQ(back, plain);
        Bytes part(count);
        slicegrid::toPlain(stored.data(), part.data(), n, W, key, from, count, kernel);
        ASSERT_TRUE(std::equal(part.begin(), part.end(), plain.begin() + from));
    }
}

} // namespace

TEST(SliceGrid, MatchesThePerByteMappingForManyLengthsAndSliceCounts)
{
    std::mt19937 rng(1);
    std::vector<int32_t> lengths;
    for (int32_t n = 0; n <= 600; ++n)
        lengths.push_back(n);
    for (int32_t n = 601; n <= 5000; n += 37)
        lengths.push_back(n);
    for (int32_t n : lengths) {
        const Bytes plain = randomBytes(n, rng);
        for (int32_t W : kSliceCounts) {
            expectGridMatches(plain, W, static_cast<uint8_t>(rng()));
            if (HasFatalFailure())
                return;
        }
    }
}

TEST(SliceGrid, GridsOfSeveralThousandRowsMatchThePerByteMapping)
{
    // Long columns are walked in bands of many rows; these cross band ends, with a last band
    // that is not a multiple of 8 rows, and partial ranges that start and end mid-band.
    std::mt19937 rng(4);
    for (int32_t W : {8, 80, 239}) {
        const Bytes plain = randomBytes(2500 * W + 3, rng);
        expectGridMatches(plain, W, static_cast<uint8_t>(rng()), 1500 * 3 + 77, 5000);
    }
}

TEST(SliceGrid, PartialRangesMatchThePerByteMapping)
{
    std::mt19937 rng(2);
    for (int iteration = 0; iteration < 4000; ++iteration) {
        const int32_t n = 1 + int32_t(rng() % 3000);
        const int32_t W = kSliceCounts[rng() % kSliceCounts.size()];
        const Bytes sliced = slicePerByte(randomBytes(n, rng), uint8_t(rng()), uint8_t(W));
        const int32_t from = int32_t(rng() % n);
        // Mostly short ranges, which start and end inside columns; sometimes long ones.
        const int32_t longest = n - from;
        const int32_t count = rng() % 4 ? int32_t(rng() % std::min(longest, 2 * W + 3)) + 1 : int32_t(rng() % longest) + 1;
        const Bytes expected = unslicePerByte(sliced, from, count);
        for (auto kernel : kKernels) {
            Bytes got(count);
            slicegrid::toPlain(sliced.data() + 2, got.data(), n, W, sliced[0], from, count, kernel);
            ASSERT_EQ(got, expected) << "n " << n << ", W " << W << ", from " << from << ", count " << count;
        }
    }
}

TEST(SliceStream, StoresKeySliceCountAndTheKeyedTransposition)
{
    std::mt19937 rng(3);
    setRandomSeed(3);
    for (int32_t n : {1, 79, 80, 240, 1000, 4099}) {
        const Bytes plain = randomBytes(n, rng);
        const Bytes sliced = sliceOf(plain);
        ASSERT_EQ(sliced.size(), plain.size() + 2);
        const uint8_t key = sliced[0], slices = sliced[1] ^ sliced[0];
        EXPECT_EQ(sliced, slicePerByte(plain, key, slices));
    }
}

TEST(SliceStream, DrawsTheKeyFirstThenTheSliceCount)
{
    for (uint64_t seed = 1; seed <= 50; ++seed) {
        setRandomSeed(seed);
        const int32_t key = randomInt(200) | 2;
        const int32_t slices = 80 + randomInt(160);
        setRandomSeed(seed);
        const Bytes sliced = sliceOf({});
        ASSERT_EQ(sliced.size(), 2u);
        EXPECT_EQ(sliced[0], key);
        EXPECT_EQ(sliced[1] ^ sliced[0], slices);
    }
}

TEST(SliceStream, KeyIsNeverZeroAndBothDrawsStayInTheirRanges)
{
    setRandomSeed(4);
    std::set<int> keys, slices;
    for (int i = 0; i < 6000; ++i) {
        const Bytes sliced = sliceOf({1, 2, 3});
        const int key = sliced[0], w = sliced[1] ^ sliced[0];
        ASSERT_NE(key, 0);
        ASSERT_TRUE(key & 2) << key;
        ASSERT_GE(w, 80);
        ASSERT_LE(w, 239);
        keys.insert(key);
        slices.insert(w);
    }
    EXPECT_EQ(*keys.begin(), 2);
    EXPECT_EQ(*keys.rbegin(), 199);
    EXPECT_EQ(slices.size(), 160u) << "every slice count 80 .. 239 is drawn";
}

TEST(SliceStream, ReadsBackToItsBytesForEveryLength)
{
    std::mt19937 rng(5);
    setRandomSeed(5);
    for (int32_t n = 0; n <= 4000; ++n) {
        const Bytes plain = randomBytes(n, rng);
        TMemoryStream source;
        load(source, plain);
        auto sliced = SliceStream(source, n);
        TSliceStreamReader reader(*sliced);
        ASSERT_EQ(reader.Size(), n);
        ASSERT_EQ(readRest(reader), plain) << "n " << n;
    }
}

TEST(SliceStream, TakesTheNextNBytesFromTheSourcePosition)
{
    std::mt19937 rng(7);
    const Bytes all = randomBytes(300, rng);
    const Bytes middle(all.begin() + 10, all.begin() + 260);
    TMemoryStream source;
    load(source, all);

    for (bool general : {false, true}) {
        source.SetPosition(10);
        ForwardingStream forwarding(source);
        TStream& from = general ? static_cast<TStream&>(forwarding) : source;
        setRandomSeed(8);
        auto sliced = SliceStream(from, 250);
        EXPECT_EQ(source.Position(), 260);
        EXPECT_EQ(sliced->Position(), 0);
        const Bytes got = contents(*sliced);
        EXPECT_EQ(got, slicePerByte(middle, got[0], got[1] ^ got[0])) << (general ? "general" : "memory");
    }

    // n = 0 uses nothing of the source (and certainly not all of it).
    source.SetPosition(10);
    EXPECT_EQ(SliceStream(source, 0)->Size(), 2);
    EXPECT_EQ(SliceStream(source, -5)->Size(), 2);
    EXPECT_EQ(source.Position(), 10);
}

TEST(SliceStream, ShortSourceRaisesTheReadError)
{
    TMemoryStream source;
    load(source, {1, 2, 3});
    source.SetPosition(1);
    EXPECT_EQ(errorMessageOf([&] { SliceStream(source, 3); }), stock::readError());
    source.SetPosition(-4);
    EXPECT_THROW(SliceStream(source, 1), EFrameworkError);
    VirtualStream virtualSource(10);
    EXPECT_THROW(SliceStream(virtualSource, 11), EFrameworkError);
}

TEST(SliceStream, ResultBeyondAMemoryStreamRaisesTheMemoryError)
{
    VirtualStream huge(int64_t(INT32_MAX) + 10);
    for (int32_t n : {INT32_MAX, INT32_MAX - 1}) {
        huge.SetPosition(0);
        EXPECT_EQ(errorMessageOf([&] { SliceStream(huge, n); }), stock::memoryStreamError()) << n;
    }
}

TEST(SliceStreamReader, SeekAndReadAreClampedToThePlainBytes)
{
    std::mt19937 rng(9);
    const Bytes plain = randomBytes(12, rng);
    TMemoryStream sliced;
    load(sliced, slicePerByte(plain, 0x2A, 5));
    TSliceStreamReader reader(sliced);

    EXPECT_EQ(reader.Size(), 12);
    EXPECT_EQ(reader.Seek(3, soEnd), 9) << "origin 2 counts back from the end";
    EXPECT_EQ(reader.Seek(-3, soEnd), 12);
    EXPECT_EQ(reader.Seek(-5, soBeginning), 0);
    EXPECT_EQ(reader.Seek(4, soBeginning), 4);
    EXPECT_EQ(reader.Seek(100, 7), 4) << "an unknown origin keeps the position";
    EXPECT_EQ(reader.Seek(-1, soCurrent), 3);
    EXPECT_EQ(reader.Seek(INT64_MAX, soCurrent), 12);
    EXPECT_EQ(reader.Seek(INT64_MIN, soEnd), 12);
    EXPECT_EQ(reader.Seek(INT64_MIN, soCurrent), 0);
    EXPECT_EQ(reader.Seek(INT64_MAX, soEnd), 0);

    reader.SetPosition(5);
    uint8_t buffer[16] = {};
    EXPECT_EQ(reader.Read(buffer, 10), 7);
    EXPECT_TRUE(std::equal(buffer, buffer + 7, plain.begin() + 5));
    EXPECT_EQ(reader.Position(), 12);
    EXPECT_EQ(reader.Read(buffer, 10), 0);
    reader.SetPosition(0);
    EXPECT_EQ(reader.Read(buffer, -1), 0);
    EXPECT_EQ(reader.Read(buffer, INT64_MAX), 12);
}

TEST(SliceStreamReader, WriteChangesNothing)
{
    TMemoryStream sliced;
    load(sliced, slicePerByte({1, 2, 3, 4}, 0x13, 80));
    const Bytes before = contents(sliced);
    TSliceStreamReader reader(sliced);
    const uint8_t bytes[4] = {9, 9, 9, 9};
    EXPECT_EQ(reader.Write(bytes, 4), 0);
    EXPECT_EQ(reader.Position(), 0);
    EXPECT_EQ(contents(sliced), before);
}

TEST(SliceStreamReader, SourcesWithoutAGridReadAsEmpty)
{
    seam::ScriptedHandler ui;
    // Fewer than 3 bytes, and a slice count of 0 (key repeated in byte 1), which is rejected.
    for (const Bytes& bytes : {Bytes{}, Bytes{7}, Bytes{7, 3}, Bytes{0x55, 0x55, 1, 2, 3, 4, 5}}) {
        TMemoryStream sliced;
        load(sliced, bytes);
        TSliceStreamReader reader(sliced);
        uint8_t b[8];
        EXPECT_EQ(reader.Size(), 0);
        EXPECT_EQ(reader.Read(b, 8), 0);
        EXPECT_EQ(reader.SliceCountRejected(), bytes.size() == 7);
    }
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST(SliceStreamReader, ArbitraryBytesReadLikeThePerByteForm)
{
    seam::ScriptedHandler ui;
    std::mt19937 rng(10);
    for (int iteration = 0; iteration < 300; ++iteration) {
        Bytes sliced = randomBytes(3 + rng() % 2000, rng);
        if ((sliced[1] ^ sliced[0]) == 0)
            sliced[1] ^= 1;
        TMemoryStream source;
        load(source, sliced);
        TSliceStreamReader reader(source);
        const int32_t n = int32_t(sliced.size() - 2);
        ASSERT_EQ(readRest(reader), unslicePerByte(sliced, 0, n));
        // Then in random pieces from random places.
        for (int k = 0; k < 5; ++k) {
            const int32_t from = int32_t(rng() % n), count = int32_t(rng() % (n - from)) + 1;
            reader.SetPosition(from);
            Bytes got(count);
            ASSERT_EQ(reader.Read(got.data(), count), count);
            ASSERT_EQ(got, unslicePerByte(sliced, from, count));
        }
    }
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST(SliceStreamReader, SourceResizedUnderTheReaderReadsNothing)
{
    TMemoryStream sliced;
    load(sliced, slicePerByte(Bytes(500, 7), 0x22, 100));
    TSliceStreamReader reader(sliced);
    sliced.SetSize(10);
    uint8_t b[500];
    EXPECT_EQ(reader.Read(b, 500), 0);
}
