#include "platform/ByteViewStream.h"
#include "platform/FileStream.h"
#include "platform/FrameworkError.h"
#include "platform/MemoryStream.h"

#include "tests/support/TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

using namespace dw;
using dw::test::errorMessageOf;

namespace {

TMemoryStream streamOf(const char* text)
{
    TMemoryStream s;
    s.WriteBuffer(text, int64_t(std::strlen(text)));
    s.SetPosition(0);
    return s;
}

} // namespace

TEST(MemoryStream, SeekFromEndIsSizePlusOffsetAndIsNotClamped)
{
    TMemoryStream s = streamOf("0123456789");
    EXPECT_EQ(s.Seek(-3, soEnd), 7);
    EXPECT_EQ(s.Seek(5, soEnd), 15);
    EXPECT_EQ(s.Seek(-20, soCurrent), -5);
    char c = 0;
    EXPECT_EQ(s.Read(&c, 1), 0) << "a negative position reads nothing";
    EXPECT_EQ(s.Write(&c, 1), 0) << "and writes nothing";
    EXPECT_EQ(s.Seek(2, 7), -5) << "an unknown origin leaves the position";
}

TEST(MemoryStream, ReadStopsAtTheEndAndWritePastItZeroFillsTheGap)
{
    TMemoryStream s = streamOf("abc");
    char buf[8] = {};
    s.SetPosition(1);
    EXPECT_EQ(s.Read(buf, 8), 2);
    EXPECT_EQ(std::string(buf, 2), "bc");
    EXPECT_EQ(s.Read(buf, 8), 0);
    s.SetPosition(6);
    s.WriteBuffer("Z", 1);
    ASSERT_EQ(s.Size(), 7);
    EXPECT_EQ(std::memcmp(s.Memory(), "abc\0\0\0Z", 7), 0);
}

TEST(MemoryStream, SetSizeKeepsThePositionInsideTheBlock)
{
    TMemoryStream s = streamOf("abcdef");
    s.SetPosition(5);
    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3);
    s.SetSize(10);
    EXPECT_EQ(s.Position(), 3);
    EXPECT_EQ(s.Memory()[9], 0);
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(MemoryStream, BytesAStreamGrowsByAreZeroWhereItsBlockHeldOthers)
{
    // Shrinking keeps the block; growing again must not bring back what it held.
    TMemoryStream s;
    s.SetSize(64);
    std::memset(s.Memory(), 0xAB, 64);
    s.SetSize(4);
    s.SetSize(40);
    for (int i = 4; i < 40; ++i)
        ASSERT_EQ(s.Memory()[i], 0) << "SetSize, byte " << i;
    std::memset(s.Memory(), 0xCD, 40);
    s.SetSize(8);
    s.SetPosition(20);
    s.WriteBuffer("Z", 1);
    ASSERT_EQ(s.Size(), 21);
    for (int i = 8; i < 20; ++i)
        ASSERT_EQ(s.Memory()[i], 0) << "gap, byte " << i;
    EXPECT_EQ(s.Memory()[20], 'Z');
    EXPECT_EQ(s.Memory()[7], 0xCD);

    // For a caller that fills the block itself: the size and the kept bytes as SetSize.
    s.SetPosition(21);
    s.SetSizeForOverwrite(10);
    EXPECT_EQ(s.Size(), 10);
    EXPECT_EQ(s.Position(), 10);
    s.SetSizeForOverwrite(30);
    EXPECT_EQ(s.Size(), 30);
    EXPECT_EQ(s.Memory()[7], 0xCD);
}

// Every way of changing the bytes gives a stamp never seen before (undo trusts an unchanged stamp
// to mean unchanged bytes, without comparing them); reading keeps it. A shared block is read in
// place and copied only when the stream is changed; whoever else holds it keeps its bytes whatever
// the stream does.
TEST(MemoryStream, EveryChangeGivesANewStampAndCopiesASharedBlockThatReadingKeeps)
{
    const std::vector<std::pair<const char*, std::function<void(TMemoryStream&)>>> changes = {
        {"Write", [](TMemoryStream& s) { s.SetPosition(1), s.WriteBuffer("XY", 2); }},
        {"SetSize", [](TMemoryStream& s) { s.SetSize(9); }},
        {"SetSizeForOverwrite", [](TMemoryStream& s) { s.SetSizeForOverwrite(3); }},
        {"writable Memory", [](TMemoryStream& s) { s.Memory()[0] = 'Z'; }},
        {"LoadFromStream",
         [](TMemoryStream& s) {
             TMemoryStream source = streamOf("ghi");
             s.LoadFromStream(source);
         }},
        {"Clear", [](TMemoryStream& s) { s.Clear(); }},
    };
    std::vector<uint64_t> seen;
    for (const auto& [how, change] : changes) {
        SCOPED_TRACE(how);
        TMemoryStream s = streamOf("abcdef");
        s.SetPosition(4);
        const uint64_t stamp = s.changeStamp();
        seen.push_back(stamp);
        const SharedBytes block = s.share();
        EXPECT_EQ(s.share(), block) << "shared once";
        EXPECT_EQ(std::as_const(s).Memory(), block->data()) << "no copy";
        EXPECT_EQ(s.position(), 4);
        char two[2];
        s.ReadBuffer(two, 2);
        EXPECT_EQ(std::string(two, 2), "ef");
        s.Seek(-1, soEnd);
        EXPECT_EQ(s.changeStamp(), stamp) << "reading changes nothing";

        change(s);
        EXPECT_EQ(std::string(block->begin(), block->end()), "abcdef") << "the block stays as it was";
        EXPECT_NE(s.sharedBlock(), block);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), s.changeStamp()), 0);
        seen.push_back(s.changeStamp());
        if (s.size() > 0) {
            EXPECT_NE(std::as_const(s).Memory(), block->data());
        }
        // The same change to a block of the stream's own.
        TMemoryStream own = streamOf("abcdef");
        seen.push_back(own.changeStamp());
        change(own);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), own.changeStamp()), 0) << "a block of its own";
        seen.push_back(own.changeStamp());
    }

    TMemoryStream t = streamOf("xyz");
    const uint64_t before = t.changeStamp();
    TMemoryStream moved = std::move(t);
    EXPECT_EQ(moved.changeStamp(), before);
    EXPECT_NE(t.changeStamp(), before) << "the stream moved from no longer holds those bytes";
    const auto held = std::make_shared<const ByteBlock>(ByteBlock{'1', '2', '3', '4'});
    moved.adopt(held);
    EXPECT_NE(moved.changeStamp(), before);
    EXPECT_EQ(moved.Size(), 4);
    EXPECT_EQ(std::as_const(moved).Memory(), held->data());
    TMemoryStream again = std::move(moved);
    EXPECT_EQ(again.sharedBlock(), held) << "a move takes the block along";
    again.adopt(nullptr);
    EXPECT_EQ(again.Size(), 0);
}

TEST(MemoryStream, GrowingPastTheLimitRaisesTheMemoryMessage)
{
    TMemoryStream s;
    EXPECT_EQ(errorMessageOf([&] { s.SetSize(TMemoryStream::kMaxSize + 1); }),
              QStringLiteral("メモリストリームの拡大中にメモリが足りなくなりました"));
    s.SetPosition(TMemoryStream::kMaxSize);
    EXPECT_THROW(s.Write("x", 1), EFrameworkError);
    EXPECT_EQ(s.Size(), 0) << "a refused growth leaves the stream as it was";
}

// The view reads and seeks as a memory stream over the same bytes does, whatever the moves, and
// writes nothing.
TEST(ByteViewStream, ReadsAndSeeksAsAMemoryStreamAndWritesNothing)
{
    const char* text = "0123456789";
    TMemoryStream memory = streamOf(text);
    ByteViewStream view(reinterpret_cast<const uint8_t*>(text), 10);
    const struct {
        int64_t offset;
        int origin;
        int64_t count;
    } moves[] = {{0, soCurrent, 4},   {0, soCurrent, 4},    {0, soCurrent, 4},   {-3, soEnd, 5},
                 {5, soEnd, 2},       {-20, soCurrent, 3},  {-1, soBeginning, 2}, {9, soBeginning, 1},
                 {10, soBeginning, 1}, {2, soBeginning, 0}, {3, 7, 2}};
    for (const auto& m : moves) {
        SCOPED_TRACE(::testing::Message() << m.offset << " from " << m.origin);
        const int64_t at = memory.Seek(m.offset, m.origin);
        EXPECT_EQ(view.Seek(m.offset, m.origin), at);
        char a[8] = {}, b[8] = {};
        EXPECT_EQ(view.Read(b, m.count), memory.Read(a, m.count));
        EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
        EXPECT_EQ(view.Position(), memory.Position());
    }
    // Seeks of any size stay far from overflowing and read nothing.
    char byte = 0;
    for (int64_t far : {std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()})
        for (int origin : {soBeginning, soCurrent, soCurrent, soEnd}) {
            if (origin == soEnd)
                view.Seek(0, soEnd);
            view.Seek(far, origin);
            EXPECT_EQ(view.Read(&byte, 1), 0);
        }
    EXPECT_EQ(view.Size(), 10);
    view.SetPosition(0);
    EXPECT_EQ(view.Write("xx", 2), 0);
    view.SetSize(3);
    EXPECT_EQ(view.Size(), 10);
    EXPECT_EQ(std::memcmp(text, "0123456789", 10), 0);
}

TEST(Stream, ShortReadAndWriteRaiseTheStockMessages)
{
    TMemoryStream s = streamOf("ab");
    char buf[4];
    EXPECT_EQ(errorMessageOf([&] { s.ReadBuffer(buf, 3); }), QStringLiteral("ストリームの読み込みエラー"));
    s.SetPosition(0);
    EXPECT_NO_THROW(s.ReadBuffer(buf, 2));
}

TEST(Stream, CopyFromWithCountZeroCopiesTheWholeSourceFromItsStart)
{
    TMemoryStream src = streamOf("hello world");
    src.SetPosition(6);
    TMemoryStream dst;
    EXPECT_EQ(dst.CopyFrom(src, 0), 11);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dst.Memory()), 11), "hello world");

    src.SetPosition(6);
    TMemoryStream part;
    EXPECT_EQ(part.CopyFrom(src, 5), 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(part.Memory()), 5), "world");
    src.SetPosition(8);
    EXPECT_THROW(part.CopyFrom(src, 5), EFrameworkError) << "the source holds only 3 more bytes";
}

TEST(Stream, Int32IsLittleEndianAndSigned)
{
    TMemoryStream s;
    s.WriteInt32(-2);
    s.WriteInt32(0x01020304);
    ASSERT_EQ(s.Size(), 8);
    const uint8_t expected[8] = {0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(std::memcmp(s.Memory(), expected, 8), 0);
    s.SetPosition(0);
    EXPECT_EQ(s.ReadInt32(), -2);
    EXPECT_EQ(s.ReadInt32(), 0x01020304);
}

TEST(FileStream, MissingFilesAndFoldersGiveTheStockMessagesWithThePath)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("nothing.bmp");
    EXPECT_EQ(errorMessageOf([&] { TFileStream(missing, TFileStream::fmOpenRead); }),
              QStringLiteral("ファイル %1 を開けません").arg(missing));
    const QString inMissingFolder = dir.filePath("no/such/folder/x.pdl");
    EXPECT_EQ(errorMessageOf([&] { TFileStream(inMissingFolder, TFileStream::fmCreate); }),
              QStringLiteral("ファイル %1 を作成できません").arg(inMissingFolder));
    EXPECT_THROW(TFileStream(dir.path(), TFileStream::fmOpenRead), EFrameworkError);
}

TEST(FileStream, MemoryStreamSavesAndLoadsByteForByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.bin");
    TMemoryStream s;
    for (int i = 0; i < 70000; ++i) {
        const uint8_t b = uint8_t(i * 7);
        s.WriteBuffer(&b, 1);
    }
    s.SaveToFile(path);
    TMemoryStream back;
    back.WriteBuffer("old", 3);
    back.LoadFromFile(path);
    ASSERT_EQ(back.Size(), 70000);
    EXPECT_EQ(back.Position(), 0);
    EXPECT_EQ(std::memcmp(back.Memory(), s.Memory(), 70000), 0);

    TFileStream f(path, TFileStream::fmOpenReadWrite);
    EXPECT_EQ(f.Size(), 70000);
    f.SetSize(10);
    EXPECT_EQ(f.Size(), 10);
}
