#include "SliceReference.h"

#include "datafile/FileImage.h"
#include "datafile/StreamList.h"

#include "tests/support/TestFiles.h"

#include "platform/FrameworkError.h"
#include "platform/Random.h"
#include "platform/ScriptedSeam.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>

using namespace dw;
using namespace dw::test;

namespace {

const QString kMalformed = QStringLiteral(DIALWRIGHT_TEST_DATA "/malformed");
const QString kSeeds = QStringLiteral(DIALWRIGHT_TEST_DATA "/../../../fuzz/corpus/fileimage");

// A file image as the program writes one: stream list, sliced, word-chained.
Bytes saveImage(const std::vector<Bytes>& members)
{
    TMemoryStream plain;
    load(plain, listOf(members));
    auto sliced = SliceStream(plain, int32_t(plain.size()));
    chainWords(sliced->Memory(), sliced->size());
    return contents(*sliced);
}

// A file image of hand-made plain bytes, with a fixed key and slice count.
Bytes imageOfPlain(const Bytes& plain, uint8_t key = 0x46, uint8_t slices = 80)
{
    Bytes image = slicePerByte(plain, key, slices);
    chainWords(image.data(), int64_t(image.size()));
    return image;
}

bool mentions(const QStringList& problems, const char* text)
{
    for (const QString& p : problems)
        if (p.contains(QLatin1String(text)))
            return true;
    return false;
}

// Members shaped like a saved clock: four pictures, the shape's region data, the header text,
// the author text, then slot records.
std::vector<Bytes> projectMembers(std::mt19937& rng, int slotCount)
{
    std::vector<Bytes> m;
    m.push_back(randomBytes(1200, rng)); // dial picture
    m.push_back({});                     // built-in hands
    m.push_back({});
    m.push_back(randomBytes(90, rng));
    m.push_back(words({32, 1, 1, 16, 0, 0, 10, 10, 0, 0, 10, 10}));
    m.push_back(bytesOf("HPX=3\r\nHPY=-4\r\nCopyRight=x\r\nDate=2024/01/02 03:04:05\r\n"));
    m.push_back(bytesOf("author\r\ntext"));
    for (int s = 7; s > 7 - slotCount; --s) {
        Bytes record = words({s});
        append(record, randomBytes(s % 2 ? 40 : 0, rng));
        m.push_back(record);
    }
    return m;
}

} // namespace

TEST(WordChain, ChainsEveryWordWithTheUnchangedOneBeforeIt)
{
    Bytes bytes = {0x01, 0x02, 0x03, 0x04, 0x10, 0x20, 0x30, 0x40, 0x05};
    chainWords(bytes.data(), int64_t(bytes.size()));
    EXPECT_EQ(bytes, (Bytes{0x01, 0x02, 0x03, 0x04, 0x11, 0x22, 0x33, 0x44, 0x05}));
    unchainWords(bytes.data(), int64_t(bytes.size()));
    EXPECT_EQ(bytes, (Bytes{0x01, 0x02, 0x03, 0x04, 0x10, 0x20, 0x30, 0x40, 0x05}));

    // Three words: each is chained with the original word before it, not the chained one.
    Bytes three = words({0x11111111, 0x22222222, 0x44444444});
    chainWords(three.data(), 12);
    EXPECT_EQ(three, words({0x11111111, 0x33333333, 0x66666666}));
}

TEST(WordChain, LeavesShortImagesAndTheTailBytesAlone)
{
    std::mt19937 rng(20);
    for (size_t n = 0; n < 8; ++n) {
        Bytes bytes = randomBytes(n, rng);
        const Bytes before = bytes;
        chainWords(bytes.data(), int64_t(n));
        EXPECT_EQ(bytes, before) << n;
    }
    Bytes eleven = randomBytes(11, rng);
    const Bytes before = eleven;
    chainWords(eleven.data(), 11);
    EXPECT_EQ(Bytes(eleven.begin(), eleven.begin() + 4), Bytes(before.begin(), before.begin() + 4));
    EXPECT_EQ(Bytes(eleven.begin() + 8, eleven.end()), Bytes(before.begin() + 8, before.end()));
    EXPECT_NE(eleven, before);
}

TEST(WordChain, UnchainUndoesChainForEveryLength)
{
    std::mt19937 rng(21);
    for (size_t n = 0; n <= 70; ++n) {
        const Bytes original = randomBytes(n, rng);
        Bytes bytes = original;
        chainWords(bytes.data(), int64_t(n));
        unchainWords(bytes.data(), int64_t(n));
        ASSERT_EQ(bytes, original) << n;
    }
}

TEST(FileImage, ReadsBackEveryMemberOfASavedImage)
{
    std::mt19937 rng(22);
    setRandomSeed(22);
    std::vector<std::vector<Bytes>> lists = {projectMembers(rng, 0), projectMembers(rng, 7), {}};
    for (int i = 0; i < 40; ++i) {
        std::vector<Bytes> members(rng() % 15);
        for (Bytes& m : members)
            m = randomBytes(rng() % 4 ? rng() % 300 : rng() % 20000, rng);
        lists.push_back(members);
    }
    for (const auto& members : lists) {
        const FileImageContents got = readFileImage(saveImage(members));
        ASSERT_TRUE(got.sound()) << got.problems.join('\n').toStdString();
        ASSERT_EQ(got.count, int32_t(members.size()));
        ASSERT_EQ(got.members, members);
    }
}

TEST(FileImage, FirstFourBytesAreTheSlicingHeaderAndTwoKeyedBytes)
{
    setRandomSeed(23);
    const Bytes image = saveImage({{1, 2, 3}, {}});
    setRandomSeed(23);
    TMemoryStream plain;
    load(plain, listOf({{1, 2, 3}, {}}));
    const Bytes sliced = contents(*SliceStream(plain, int32_t(plain.size())));
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 4), Bytes(sliced.begin(), sliced.begin() + 4));
    EXPECT_NE(image[0], 0);
}

TEST(FileImage, SlicedImageReadsTheSameBeforeChaining)
{
    TMemoryStream plain;
    load(plain, listOf({{9, 8, 7}, Bytes(500, 1)}));
    auto sliced = SliceStream(plain, int32_t(plain.size()));
    const Bytes before = contents(*sliced);
    const FileImageContents got = readSlicedImage(*sliced);
    EXPECT_TRUE(got.sound());
    EXPECT_EQ(got.members, (std::vector<Bytes>{{9, 8, 7}, Bytes(500, 1)}));
    EXPECT_EQ(contents(*sliced), before);
}

TEST(FileImage, DamagedImagesAreReportedAndReadWithinTheirBytes)
{
    seam::ScriptedHandler ui;
    struct Case {
        const char* name;
        Bytes image;
        const char* problem;
        std::vector<Bytes> members;
    };
    Bytes cut = words({1, 8, 1000 ^ 8});
    append(cut, {1, 2, 3});
    Bytes gap = words({2, 12, 20, 1 ^ 12});
    append(gap, {7, 0, 0, 0}); // three bytes nobody claims before the second record
    append(gap, words({0 ^ 20}));
    const std::vector<Case> cases = {
        {"empty file", {}, "fewer than the 2 bytes", {}},
        {"header only", {0x46, 0x46 ^ 80}, "too few for its member count", {}},
        {"slice count 0", {0x46, 0x46, 1, 2, 3, 4, 5, 6}, "slice count is 0", {}},
        {"negative count", imageOfPlain(words({-3, 8})), "negative (-3)", {}},
        {"count beyond the table", imageOfPlain(words({5, 12, 12 ^ 0})), "room for 2 offsets", {{}, {}}},
        {"offset past the end", imageOfPlain(words({1, 400})), "offset 400 lies outside", {{}}},
        {"offset near INT32_MAX", imageOfPlain(words({1, INT32_MAX - 1, 0})), "lies outside", {{}}},
        {"negative offset", imageOfPlain(words({1, -4, 0})), "offset -4 lies outside", {{}}},
        {"size past the end", imageOfPlain(cut), "runs past the end", {{1, 2, 3}}},
        {"negative size", imageOfPlain(words({1, 8, -2 ^ 8})), "negative size (-2)", {{}}},
        {"size overflowing 32 bits", imageOfPlain(words({1, 8, INT32_MAX ^ 8, 0})), "runs past the end", {{0, 0, 0, 0}}},
        {"record out of place", imageOfPlain(gap), "starts at 20, not at 17", {{7}, {}}},
        {"trailing bytes", imageOfPlain(words({0, 5})), "4 bytes follow the last member", {}},
    };
    for (const Case& c : cases) {
        const FileImageContents got = readFileImage(c.image);
        EXPECT_TRUE(mentions(got.problems, c.problem)) << c.name << ": " << got.problems.join('|').toStdString();
        EXPECT_EQ(got.members, c.members) << c.name;
    }
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join('|').toStdString();
}

TEST(FileImage, OverlappingMembersBeyondAMemoryStreamAreRefusedWithTheMemoryMessage)
{
    // 2100 members that all name the same 1 MiB record: 2.1 GB from a file of about 1 MiB.
    constexpr int32_t kMembers = 2100, kRecord = 1 << 20;
    const int32_t offset = 4 + 4 * kMembers;
    Bytes plain = words({kMembers});
    for (int32_t i = 0; i < kMembers; ++i)
        append(plain, words({offset}));
    append(plain, words({kRecord ^ offset}));
    plain.resize(plain.size() + kRecord, 0x5A);
    TMemoryStream source;
    load(source, plain);
    auto sliced = SliceStream(source, int32_t(plain.size()));
    EXPECT_EQ(errorMessageOf([&] { readSlicedImage(*sliced); }), stock::memoryStreamError());
}

TEST(FileImage, ProblemListStopsAfterTwentyAndCountsTheRest)
{
    Bytes plain = words({100});
    for (int i = 0; i < 100; ++i)
        append(plain, words({100000 + i}));
    const FileImageContents got = readFileImage(imageOfPlain(plain));
    ASSERT_EQ(got.problems.size(), FileImageContents::kMaxProblems + 1);
    EXPECT_EQ(got.problems.last(), QStringLiteral("… and 80 more problems"));
    EXPECT_EQ(got.members.size(), 100u);
}

// The committed samples: damaged images found once or made to stand for a kind of damage.
// Each must read without crashing, be reported, and give members that lie within the file.
TEST(FileImage, MalformedSamplesAreReportedAndReadWithinTheirBytes)
{
    seam::ScriptedHandler ui;
    const QStringList names = QDir(kMalformed).entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        const Bytes image = readFile(kMalformed + '/' + name);
        const FileImageContents got = readFileImage(image);
        EXPECT_FALSE(got.sound()) << name.toStdString();
        for (const Bytes& m : got.members)
            EXPECT_LE(m.size(), image.size()) << name.toStdString();
    }
}

// The seeds of the file-image fuzz target are sound images of a few shapes, kept small. With
// DIALWRIGHT_WRITE_SAMPLES=1 this test writes them (and the hand-made malformed samples) anew.
TEST(FileImage, FuzzSeedsAreSoundImages)
{
    if (std::getenv("DIALWRIGHT_WRITE_SAMPLES")) {
        std::mt19937 rng(25);
        setRandomSeed(25);
        const std::map<QString, Bytes> seeds = {
            {"empty-list.pdl", saveImage({})},
            {"two-members-3-and-0.pdl", saveImage({{1, 2, 3}, {}})},
            {"fresh-project.pdl", saveImage({{}, {}, {}, {}, words({32, 1, 1, 16, 0, 0, 9, 9, 0, 0, 9, 9}),
                                             bytesOf("HPX=0\r\nDate=2024/01/02 03:04:05\r\n"), {}})},
            {"mixed-sizes.pdl", saveImage({randomBytes(300, rng), {}, randomBytes(5, rng), randomBytes(90, rng)})},
            {"all-slots.pdl", saveImage([&] {
                 std::vector<Bytes> m(7);
                 for (int s = 7; s >= 1; --s)
                     m.push_back(words({s}));
                 return m;
             }())},
        };
        QDir().mkpath(kSeeds);
        for (const auto& [name, bytes] : seeds)
            writeFile(kSeeds + '/' + name, bytes);

        QDir().mkpath(kMalformed);
        const Bytes whole = saveImage(projectMembers(rng, 2));
        writeFile(kMalformed + "/truncated-in-offset-table.pdl", Bytes(whole.begin(), whole.begin() + 20));
        writeFile(kMalformed + "/truncated-in-member-data.pdl", Bytes(whole.begin(), whole.begin() + whole.size() / 2));
        Bytes zeroSlices = whole;
        zeroSlices[1] = zeroSlices[0];
        writeFile(kMalformed + "/slice-count-zero.pdl", zeroSlices);
    }
    const QStringList names = QDir(kSeeds).entryList(QDir::Files);
    ASSERT_GE(names.size(), 5);
    for (const QString& name : names) {
        EXPECT_LE(QFileInfo(kSeeds + '/' + name).size(), 4096) << name.toStdString();
        const FileImageContents got = readFileImage(readFile(kSeeds + '/' + name));
        EXPECT_TRUE(got.sound()) << name.toStdString() << ": " << got.problems.join('|').toStdString();
    }
}
