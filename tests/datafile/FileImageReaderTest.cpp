// The file-image reader that takes an image as it arrives (files from outside) against the one
// that reads it whole (readFileImage): the same members of a sound image, the same problems of
// a damaged one, whatever pieces the bytes come in; and a member over its limit refused before
// the rest of the image is wanted.

#include "SliceReference.h"

#include "datafile/FileImage.h"
#include "datafile/FileImageReader.h"

#include "tests/support/TestFiles.h"

#include "platform/ByteOrder.h"

#include <gtest/gtest.h>

#include <random>

using namespace dw;
using namespace dw::test;

namespace {

Bytes imageOfPlain(const Bytes& plain, uint8_t key, uint8_t slices)
{
    Bytes image = slicePerByte(plain, key, slices);
    chainWords(image.data(), int64_t(image.size()));
    return image;
}

// Feeds the image in pieces of random sizes (1 to maxPiece bytes) until the reader says no.
// Returns the bytes it took.
int64_t feed(FileImageReader& reader, const Bytes& image, std::mt19937& rng, int64_t maxPiece)
{
    int64_t at = 0;
    while (at < int64_t(image.size())) {
        const int64_t piece = std::min<int64_t>(std::uniform_int_distribution<int64_t>(1, maxPiece)(rng),
                                                int64_t(image.size()) - at);
        const bool more = reader.take(image.data() + at, piece);
        at += piece;
        if (!more)
            break;
    }
    return at;
}

// Overwrites the 32-bit word at plain position at.
void setWord(Bytes& plain, size_t at, int32_t value) { writeLE32s(plain.data() + at, value); }

struct Layout {
    Bytes plain;
    std::vector<size_t> offsets; // of each record
};

// Three members large enough that the image is read as it arrives: 700 KB, a few bytes, 500 KB.
Layout largeList(std::mt19937& rng, size_t middle)
{
    Layout l;
    l.plain = listOf({randomBytes(700001, rng), randomBytes(middle, rng), randomBytes(500003, rng)});
    for (int i = 0; i < 3; ++i)
        l.offsets.push_back(size_t(readLE32s(l.plain.data() + 4 + 4 * i)));
    return l;
}

} // namespace

TEST(FileImageReader, SoundAndDamagedLargeImagesReadAsReadFileImageReadsThem)
{
    std::mt19937 rng(18);
    struct Case {
        const char* name;
        std::function<void(Layout&)> damage;
    };
    const std::vector<Case> cases = {
        {"sound", [](Layout&) {}},
        {"a size word too small", [](Layout& l) { setWord(l.plain, l.offsets[1], int32_t(2 ^ l.offsets[1])); }},
        {"a negative size", [](Layout& l) { setWord(l.plain, l.offsets[1], int32_t(uint32_t(-5) ^ l.offsets[1])); }},
        {"the last size too small", [](Layout& l) { setWord(l.plain, l.offsets[2], int32_t(400000 ^ l.offsets[2])); }},
        {"the last size too large", [](Layout& l) { setWord(l.plain, l.offsets[2], int32_t(600000 ^ l.offsets[2])); }},
        {"offsets swapped", [](Layout& l) {
             setWord(l.plain, 8, int32_t(l.offsets[2]));
             setWord(l.plain, 12, int32_t(l.offsets[1]));
         }},
        {"an offset past the end", [](Layout& l) { setWord(l.plain, 8, int32_t(l.plain.size() + 10)); }},
        {"a negative count", [](Layout& l) { setWord(l.plain, 0, -3); }},
        {"a count the table cannot hold", [](Layout& l) { setWord(l.plain, 0, 200); }},
    };
    // Slice counts at both ends of the byte, and middles that leave the image a length that is
    // not a whole number of words nor of rows.
    const std::vector<std::pair<uint8_t, size_t>> grids = {{1, 3}, {97, 10}, {255, 1}};
    for (const auto& [slices, middle] : grids) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", slice count " + std::to_string(slices));
            Layout l = largeList(rng, middle);
            c.damage(l);
            const Bytes image = imageOfPlain(l.plain, 0x3C, slices);
            ASSERT_GT(int64_t(image.size()), FileImageReader::kWholeImageBytes);
            const FileImageContents whole = readFileImage(image);

            FileImageReader reader(int64_t(image.size()));
            feed(reader, image, rng, 70000);
            const FileImageContents got = reader.finish();
            EXPECT_EQ(got.count, whole.count);
            EXPECT_EQ(got.problems, whole.problems);
            if (whole.sound())
                EXPECT_EQ(got.members, whole.members);
            else
                EXPECT_TRUE(got.members.empty()) << "a large damaged image is not held for its members";
        }
    }
}

TEST(FileImageReader, BytesOneAtATimeReadTheSame)
{
    std::mt19937 rng(4);
    const Layout l = largeList(rng, 5);
    const Bytes image = imageOfPlain(l.plain, 0x81, 200);
    FileImageReader reader(int64_t(image.size()));
    feed(reader, image, rng, 1);
    EXPECT_EQ(reader.finish().members, readFileImage(image).members);
}

TEST(FileImageReader, MemberOverItsLimitIsRefusedOnceTheTableHasArrived)
{
    std::mt19937 rng(9);
    const Layout l = largeList(rng, 20);
    const Bytes image = imageOfPlain(l.plain, 0x11, 131);
    std::vector<std::pair<int, int64_t>> asked;
    FileImageReader reader(int64_t(image.size()), [&asked](int index, int64_t size) {
        asked.push_back({index, size});
        return index == 2 ? QStringLiteral("member 2 is too large") : QString();
    });
    const int64_t taken = feed(reader, image, rng, 4096);
    EXPECT_LT(taken, 64 * 1024) << "refused with the first rows, not after the whole image";
    EXPECT_EQ(asked, (std::vector<std::pair<int, int64_t>>{{0, 700001}, {1, 20}, {2, 500003}}));
    EXPECT_EQ(reader.refusal(), QStringLiteral("member 2 is too large"));
    EXPECT_EQ(reader.refusedMember(), 2);
    EXPECT_TRUE(reader.finish().members.empty());
}

TEST(FileImageReader, SliceCountZeroAndTooManyMembersStopAtOnceAndAnImageCutShortIsNotSound)
{
    std::mt19937 rng(7);
    Layout l = largeList(rng, 8);
    Bytes image = imageOfPlain(l.plain, 0x20, 50);
    Bytes noGrid = image;
    noGrid[1] = noGrid[0]; // slice count 0
    FileImageReader zero(int64_t(noGrid.size()));
    EXPECT_LE(feed(zero, noGrid, rng, 1000), 1000);
    EXPECT_EQ(zero.finish().problems, readFileImage(noGrid).problems);

    setWord(l.plain, 0, 5000); // a table of 5000 offsets
    const Bytes many = imageOfPlain(l.plain, 0x20, 50);
    FileImageReader tooMany(int64_t(many.size()));
    EXPECT_LT(feed(tooMany, many, rng, 1000), 64 * 1024);
    const FileImageContents got = tooMany.finish();
    EXPECT_EQ(got.count, 5000);
    EXPECT_EQ(got.problems, QStringList{QStringLiteral("The member count is 5000; a list of more than 1000 members is not read.")});

    FileImageReader cut(int64_t(image.size()));
    cut.take(image.data(), int64_t(image.size()) - 3);
    const QStringList problems = cut.finish().problems;
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].startsWith(QStringLiteral("The data ends after"))) << problems[0].toStdString();
}

TEST(FileImageReader, RecordsThatOverlapAreNotReadForTheirMembers)
{
    // 300 members that all name one record of 512 KiB: an image of half a megabyte stating
    // 150 MiB of members. It is not sound, and nothing of it is held.
    constexpr int32_t kMembers = 300, kRecord = 512 * 1024;
    const int32_t offset = 4 + 4 * kMembers;
    Bytes plain = words({kMembers});
    for (int32_t i = 0; i < kMembers; ++i)
        append(plain, words({offset}));
    append(plain, words({kRecord ^ offset}));
    plain.resize(plain.size() + kRecord, 0x5A);
    const Bytes image = imageOfPlain(plain, 0x44, 90);
    ASSERT_LE(int64_t(image.size()), FileImageReader::kWholeImageBytes);
    FileImageReader reader(int64_t(image.size()));
    reader.take(image.data(), int64_t(image.size()));
    const FileImageContents got = reader.finish();
    EXPECT_EQ(got.count, kMembers);
    EXPECT_EQ(got.problems, readFileImage(image).problems);
    EXPECT_TRUE(got.members.empty());
}
