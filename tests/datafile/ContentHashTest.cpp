// The content hash behind a built clock's slicing: the same for the same bytes however they are
// handed in and whichever code takes them, changed by any byte and by the length, and the same
// from one version to the next (a built clock's bytes depend on it).

#include "SliceReference.h"

#include "datafile/ContentHash.h"
#include "datafile/StreamList.h"

#include <gtest/gtest.h>

#include <random>

using namespace dw;
using namespace dw::test;

namespace {

uint64_t hashInParts(const Bytes& bytes, const std::vector<int64_t>& parts, HashKernel kernel)
{
    ContentHasher hasher(kernel);
    int64_t at = 0;
    for (size_t i = 0; at < int64_t(bytes.size()); ++i) {
        const int64_t n = std::min(parts[i % parts.size()], int64_t(bytes.size()) - at);
        hasher.add(bytes.data() + at, n);
        at += n;
    }
    return hasher.finish();
}

} // namespace

TEST(ContentHash, TheSameBytesGiveTheSameHashHoweverSplitAndWhicheverKernel)
{
    std::mt19937 rng(29);
    // Around a stripe (64 bytes) and the lanes' mixing (1 KiB), and longer.
    for (const size_t size : {0, 1, 7, 63, 64, 65, 1023, 1024, 1025, 1088, 4113, 70001}) {
        SCOPED_TRACE(size);
        const Bytes bytes = randomBytes(size, rng);
        const uint64_t whole = hashInParts(bytes, {int64_t(size) + 1}, HashKernel::Portable);
        for (const auto kernel : {HashKernel::Fastest, HashKernel::Portable})
            for (const std::vector<int64_t>& parts : std::vector<std::vector<int64_t>>{
                     {int64_t(size) + 1}, {1}, {3, 64, 5}, {63}, {65, 1000}, {4096, 4}})
                EXPECT_EQ(hashInParts(bytes, parts, kernel), whole);
    }
}

TEST(ContentHash, EveryByteAndTheLengthCount)
{
    std::mt19937 rng(5);
    const Bytes bytes = randomBytes(3000, rng);
    const uint64_t whole = hashInParts(bytes, {3000}, HashKernel::Fastest);
    // Each of the eight lanes of a stripe, in a mixed and an unmixed stretch, and the last,
    // part-filled stripe.
    for (const size_t at : {0, 8, 23, 31, 32, 47, 63, 1100, 2047, 2048, 2999}) {
        for (const uint8_t flip : {1, 0x80}) {
            Bytes changed = bytes;
            changed[at] ^= flip;
            EXPECT_NE(hashInParts(changed, {3000}, HashKernel::Fastest), whole) << at << " " << int(flip);
        }
    }
    Bytes longer = bytes;
    longer.push_back(0); // the padding of the last stripe is zeros: the length tells them apart
    EXPECT_NE(hashInParts(longer, {3001}, HashKernel::Fastest), whole);
    EXPECT_NE(ContentHasher().finish(), hashInParts(Bytes(1, 0), {1}, HashKernel::Fastest));
}

// Every built clock's bytes depend on these values: the hash's, and the seed's of a list long
// enough to be taken from a sample of it.
TEST(ContentHash, TheHashAndTheSeedOfKnownBytesStayTheSame)
{
    Bytes bytes(3 << 20);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7 + (i >> 8));
    for (const auto kernel : {HashKernel::Fastest, HashKernel::Portable}) {
        const Bytes first(bytes.begin(), bytes.begin() + 5000);
        EXPECT_EQ(hashInParts(first, {5000}, kernel), 12347172625533594302ull);
        EXPECT_EQ(hashInParts(Bytes(), {1}, kernel), 17891914323100908547ull);
    }
    EXPECT_EQ(contentSeed(bytes.data(), int64_t(bytes.size()) - 10), 8517801923882812081ull);
}
