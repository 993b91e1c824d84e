// The file image made a band at a time: the same bytes as the whole list sliced and chained at
// once, for lists shorter than a row of the grid up to several bands; what the checks read back;
// and a save that never holds the whole image and leaves the old file when it cannot finish.

#include "SampleProject.h"
#include "SliceReference.h"

#include "datafile/FileImage.h"
#include "datafile/FileImagePieces.h"
#include "datafile/StreamList.h"

#include "platform/ByteViewStream.h"
#include "platform/FrameworkError.h"
#include "platform/Random.h"
#include "platform/ScriptedSeam.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace dw;
using namespace dw::test;

namespace {

struct Made {
    Bytes file;
    std::vector<int64_t> pieces;
};

Made produce(FileImagePieces& pieces)
{
    Made made;
    EXPECT_TRUE(pieces.produce([&](const uint8_t* bytes, int64_t count) {
        made.file.insert(made.file.end(), bytes, bytes + count);
        made.pieces.push_back(count);
        return true;
    }));
    return made;
}

// The file as the list written whole, sliced whole and chained whole makes it.
Bytes wholeFile(const std::vector<TStream*>& members, bool fromContent)
{
    TMemoryStream list;
    const int32_t n = WriteStreamList(list, members);
    list.SetPosition(0);
    auto sliced = fromContent ? SliceStream(list, n, sliceChoiceFromSeed(contentSeed(list.Memory(), n)))
                              : SliceStream(list, n);
    chainWords(sliced->Memory(), sliced->size());
    return contents(*sliced);
}

// A member that gives its first `good` bytes and then fails, as a file on a failing disk would.
class FailingStream : public VirtualStream {
public:
    FailingStream(int64_t size, int64_t good) : VirtualStream(size), m_good(good) {}
    int64_t Read(void* buffer, int64_t count) override
    {
        const int64_t at = Position();
        return at + count > m_good ? 0 : VirtualStream::Read(buffer, count);
    }

private:
    int64_t m_good;
};

} // namespace

TEST(FileImagePieces, BandsGiveTheBytesOfTheWholeListSlicedAndChainedAtOnce)
{
    std::mt19937 rng(7);
    // Member sizes: lists shorter than one row of the grid, of one band, of several bands with a
    // short last row, and with members read through their stream rather than from memory, or
    // from bytes shown by a view; long enough for the seed to be taken from a sample, the last
    // run of its middle a short one (278526).
    const std::vector<std::vector<int64_t>> cases = {
        {}, {0}, {1, 2, 3}, {40, 0, 7}, {1000}, {300000}, {278526},
        {1 << 20, 5, 3, 0, 17, 999}, {700001, 65536},
    };
    for (const bool fromContent : {false, true}) {
        for (size_t k = 0; k < cases.size(); ++k) {
            SCOPED_TRACE(testing::Message() << "case " << k << (fromContent ? ", from content" : ""));
            std::vector<std::unique_ptr<TStream>> owned;
            std::vector<TStream*> members;
            std::vector<Bytes> viewed(cases[k].size());
            for (const int64_t size : cases[k]) {
                if (size == 65536) {
                    owned.push_back(std::make_unique<VirtualStream>(size));
                } else if (size == 300000 || size == 999) {
                    viewed[members.size()] = randomBytes(size_t(size), rng);
                    owned.push_back(std::make_unique<ByteViewStream>(viewed[members.size()].data(), size));
                } else {
                    auto memory = std::make_unique<TMemoryStream>();
                    load(*memory, randomBytes(size_t(size), rng));
                    owned.push_back(std::move(memory));
                }
                members.push_back(owned.back().get());
            }
            setRandomSeed(k + 1);
            const Bytes expected = wholeFile(members, fromContent);
            for (TStream* member : members)
                member->SetPosition(member->Size() / 2); // read from the first byte all the same
            std::vector<uint64_t> stamps;
            for (const auto& member : owned)
                if (const auto* memory = dynamic_cast<const TMemoryStream*>(member.get()))
                    stamps.push_back(memory->changeStamp());
            setRandomSeed(k + 1);
            FileImagePieces pieces(members, fromContent);
            const Made made = produce(pieces);
            for (const auto& member : owned)
                if (const auto* memory = dynamic_cast<const TMemoryStream*>(member.get())) {
                    EXPECT_EQ(memory->changeStamp(), stamps.front()) << "read, never marked as changed";
                    stamps.erase(stamps.begin());
                }
            ASSERT_EQ(int64_t(made.file.size()), pieces.fileSize());
            EXPECT_TRUE(made.file == expected);
            for (const int64_t piece : made.pieces)
                EXPECT_LE(piece, FileImagePieces::kBandBytes + 8);
            for (TStream* member : members)
                EXPECT_EQ(member->Position(), member->Size()) << "each member's position is at its end";
        }
    }
}

TEST(FileImagePieces, ChecksReadTheCountTableAndFirstSizeWordsBackFromTheSlicedBytes)
{
    std::mt19937 rng(3);
    std::vector<TMemoryStream> streams(6);
    std::vector<TStream*> members;
    for (size_t i = 0; i < streams.size(); ++i) {
        load(streams[i], randomBytes(size_t(5000 * i + 3), rng));
        members.push_back(&streams[i]);
    }
    FileImagePieces pieces(members, false, 4);
    const Bytes file = produce(pieces).file;
    Bytes list = file;
    unchainWords(list.data(), int64_t(list.size()));
    const Bytes plain = unslicePerByte(list, 0, int32_t(list.size()) - 2);

    std::vector<int64_t> checked;
    for (int64_t p = 0; p < 4 + 4 * 6; ++p)
        checked.push_back(p);
    for (int i = 0; i < 4; ++i)
        for (int64_t p = 0; p < 4; ++p)
            checked.push_back(readLE32s(plain.data() + 4 + 4 * i) + p);
    for (const int64_t p : checked) {
        ASSERT_TRUE(pieces.slicedRead().known(p)) << p;
        EXPECT_EQ(pieces.slicedRead().at(p), plain[size_t(p)]) << p;
        EXPECT_EQ(pieces.plainRead().at(p), plain[size_t(p)]) << p;
    }
    const int64_t fifthSizeWord = readLE32s(plain.data() + 4 + 4 * 4);
    EXPECT_FALSE(pieces.slicedRead().known(fifthSizeWord)) << "only the first four members are checked";
    TStreamListReader reader(pieces.slicedRead());
    ASSERT_EQ(reader.Count(), 6);
    reader.SetItemIndex(3);
    EXPECT_EQ(reader.ItemSize(), 15003);
}

TEST(FileImagePieces, RefusedPieceStopsTheMakingAndAChangedMemberIsRefused)
{
    TMemoryStream big;
    load(big, Bytes(size_t(3) << 20, 0x5A));
    FileImagePieces pieces({&big}, false);
    int calls = 0;
    EXPECT_FALSE(pieces.produce([&](const uint8_t*, int64_t) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2) << "nothing is handed out after a refused piece";

    FileImagePieces changed({&big}, false);
    big.SetSize(10);
    EXPECT_THROW(changed.produce([](const uint8_t*, int64_t) { return true; }), EFrameworkError);
}

TEST(FileImagePieces, SaveThatCannotReadAMemberLeavesTheOldFileAndNoHiddenOne)
{
    SampleProject project;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clock.pdl"));
    const Bytes old = bytesOf("the clock saved yesterday");
    writeFile(path, old);
    FailingStream dial(3 << 20, 2 << 20);
    DataFileProject p = project.project();
    p.FBkgStream = &dial;
    EXPECT_EQ(errorMessageOf([&] { writeDataFile(path, p); }), stock::readError()) << "the unreadable member";
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("clock.pdl")});
}

#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
namespace {
size_t g_largest = 0;
void noteAllocation(const volatile void*, size_t size) { g_largest = std::max(g_largest, size); }
void noteFree(const volatile void*) {}
} // namespace

// A save holds no copy of the file image, whole or in large part: its largest allocation, counted
// through the allocator's hooks, is a band, whatever the dial's size; and the file is what
// buildFileImage makes of the same project, with the same draws.
TEST(FileImagePieces, SaveWritesTheFileWithoutACopyOfIt)
{
    seam::ScriptedHandler ui;
    SampleProject project;
    setBytes(project.FBkgStream, bitmapFile(1200, 1200)); // 4.1 MiB
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clock.pdl"));
    DataFileProject p = project.project();
    setRandomSeed(5);
    ASSERT_TRUE(__sanitizer_install_malloc_and_free_hooks(noteAllocation, noteFree));
    g_largest = 0;
    writeDataFile(path, p);
    const size_t largest = g_largest;
    __sanitizer_install_malloc_and_free_hooks(nullptr, nullptr);
    EXPECT_LE(largest, size_t(FileImagePieces::kBandBytes) + 64);
    setRandomSeed(5);
    EXPECT_TRUE(readFile(path) == bytesOf(*buildFileImage(p)));
    EXPECT_TRUE(ui.log().empty());
}
#endif
