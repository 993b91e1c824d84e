#include "SliceReference.h"

#include "datafile/StreamList.h"

#include "platform/FrameworkError.h"
#include "platform/ScriptedSeam.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>

using namespace dw;
using namespace dw::test;

namespace {

const QString kOffsetError = QStringLiteral("ERROR: TStreamListReader.GetItemOffset");

Bytes member(TStreamListReader& reader, int32_t i)
{
    reader.SetItemIndex(i);
    reader.SetPosition(0);
    return readRest(reader);
}

} // namespace

TEST(WriteStreamList, LaysOutCountOffsetsAndKeyedRecords)
{
    TMemoryStream a, b, target;
    load(a, {0xA1, 0xA2, 0xA3});
    a.SetPosition(2); // copied whole all the same
    std::vector<TStream*> members = {&a, &b};
    EXPECT_EQ(WriteStreamList(target, members), 23);

    Bytes expected = words({2, 12, 19, 3 ^ 12});
    append(expected, {0xA1, 0xA2, 0xA3});
    append(expected, words({0 ^ 19}));
    EXPECT_EQ(contents(target), expected);
    EXPECT_EQ(a.Position(), 3) << "each member ends at its end";
    EXPECT_EQ(b.Position(), 0);
}

TEST(WriteStreamList, EmptyListIsTheCountAloneAndReadsAsNoMembers)
{
    TMemoryStream target;
    EXPECT_EQ(WriteStreamList(target, {}), 4);
    EXPECT_EQ(contents(target), words({0}));
    target.SetPosition(0);
    TStreamListReader reader(target);
    uint8_t b[4];
    EXPECT_EQ(reader.Count(), 0);
    EXPECT_EQ(reader.ItemSize(), 0);
    EXPECT_EQ(reader.Read(b, 4), 0);
}

TEST(WriteStreamList, WritesAtTheTargetPositionWithOffsetsFromTheListStart)
{
    TMemoryStream a, b, target;
    load(a, {1, 2, 3});
    load(target, {9, 9, 9, 9, 9});
    target.Seek(0, soEnd);
    std::vector<TStream*> members = {&a, &b};
    EXPECT_EQ(WriteStreamList(target, members), 23);
    const Bytes all = contents(target);
    ASSERT_EQ(all.size(), 28u);
    EXPECT_EQ(Bytes(all.begin(), all.begin() + 5), Bytes(5, 9));
    EXPECT_EQ(Bytes(all.begin() + 5, all.end()), listOf({{1, 2, 3}, {}}));
}

TEST(WriteStreamList, ListBeyond32BitOffsetsIsRefusedBeforeAnythingIsWritten)
{
    VirtualStream big1(int64_t(1) << 30), big2(int64_t(1) << 30);
    TMemoryStream target;
    std::vector<TStream*> members = {&big1, &big2};
    EXPECT_EQ(errorMessageOf([&] { WriteStreamList(target, members); }), stock::memoryStreamError());
    EXPECT_EQ(target.size(), 0);
}

TEST(StreamListReader, ReadsEveryMemberBack)
{
    std::mt19937 rng(11);
    std::vector<Bytes> members;
    for (size_t size : {0, 1, 5000, 0, 3, 70000, 4})
        members.push_back(randomBytes(size, rng));
    TMemoryStream list;
    load(list, listOf(members));
    TStreamListReader reader(list);
    ASSERT_EQ(reader.Count(), int32_t(members.size()));
    EXPECT_EQ(reader.ItemIndex(), 0) << "member 0 is selected on creation";
    // Backwards, so that every selection really moves.
    for (int32_t i = int32_t(members.size()) - 1; i >= 0; --i) {
        EXPECT_EQ(member(reader, i), members[i]) << i;
        EXPECT_EQ(reader.ItemSize(), int32_t(members[i].size()));
        EXPECT_EQ(reader.Size(), int32_t(members[i].size()));
    }
}

TEST(StreamListReader, ReadAndSeekAreClampedToTheSelectedMember)
{
    std::mt19937 rng(12);
    const Bytes twelve = randomBytes(12, rng);
    TMemoryStream source;
    load(source, listOf({{1, 2}, twelve, {3, 4, 5}}));
    TStreamListReader reader(source);
    reader.SetItemIndex(1);

    EXPECT_EQ(reader.Seek(3, soEnd), 9);
    EXPECT_EQ(reader.Seek(-3, soEnd), 12);
    EXPECT_EQ(reader.Seek(-5, soBeginning), 0);
    EXPECT_EQ(reader.Seek(4, soBeginning), 4);
    EXPECT_EQ(reader.Seek(1, 7), 4);
    EXPECT_EQ(reader.Seek(INT64_MAX, soCurrent), 12);
    EXPECT_EQ(reader.Seek(INT64_MIN, soCurrent), 0);

    reader.SetPosition(5);
    uint8_t buffer[10];
    EXPECT_EQ(reader.Read(buffer, 10), 7);
    EXPECT_TRUE(std::equal(buffer, buffer + 7, twelve.begin() + 5));
    EXPECT_EQ(reader.Position(), 12);
    EXPECT_EQ(reader.Read(buffer, 10), 0) << "nothing of the next record is read";
    reader.SetPosition(0);
    EXPECT_EQ(reader.Read(buffer, -3), 0);
    EXPECT_EQ(reader.Position(), 0);
}

TEST(StreamListReader, SelectingTheSelectedMemberKeepsItsPosition)
{
    TMemoryStream source;
    load(source, listOf({{1, 2, 3, 4}, {5, 6}}));
    TStreamListReader reader(source);
    reader.SetPosition(3);
    reader.SetItemIndex(0);
    EXPECT_EQ(reader.Position(), 3);
    reader.SetItemIndex(-1);
    reader.SetItemIndex(2);
    EXPECT_EQ(reader.ItemIndex(), 0);
    EXPECT_EQ(reader.Position(), 3);
    reader.SetItemIndex(1);
    EXPECT_EQ(reader.ItemIndex(), 1);
    EXPECT_EQ(reader.Position(), 0);
}

TEST(StreamListReader, WriteOverwritesOnlyTheSelectedMember)
{
    TMemoryStream source;
    const Bytes before = listOf({{1, 1, 1}, {2, 2, 2, 2, 2}, {3, 3}});
    load(source, before);
    TStreamListReader reader(source);
    reader.SetItemIndex(1);
    reader.SetPosition(2);
    const uint8_t bytes[10] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(reader.Write(bytes, 10), 3);
    EXPECT_EQ(reader.Position(), 5);
    EXPECT_EQ(reader.Write(bytes, 10), 0);

    Bytes expected = before;
    const size_t data1 = 16 + 4 + 3 + 4; // member 1's data
    std::fill(expected.begin() + data1 + 2, expected.begin() + data1 + 5, 9);
    EXPECT_EQ(contents(source), expected);
    EXPECT_EQ(member(reader, 2), (Bytes{3, 3}));
}

TEST(StreamListReader, ReadsAStreamListThroughASliceReader)
{
    std::mt19937 rng(13);
    std::vector<Bytes> members = {randomBytes(1000, rng), {}, randomBytes(7, rng), randomBytes(300, rng)};
    TMemoryStream plain;
    load(plain, listOf(members));
    auto sliced = SliceStream(plain, int32_t(plain.size()));
    TSliceStreamReader slices(*sliced);
    slices.SetPosition(0);
    TStreamListReader reader(slices);
    ASSERT_EQ(reader.Count(), 4);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(member(reader, i), members[i]) << i;
}

TEST(StreamListReader, MissingOffsetWordShowsTheErrorOnceAndGivesAnEmptyMember)
{
    seam::ScriptedHandler ui;
    // Count 3, but the table holds only the first offset (pointing at an empty record).
    TMemoryStream source;
    load(source, words({3, 8, 8}));
    TStreamListReader reader(source);
    EXPECT_TRUE(ui.messages().isEmpty());
    reader.SetItemIndex(2);
    EXPECT_EQ(ui.messages(), QStringList{kOffsetError});
    uint8_t b[4];
    EXPECT_EQ(reader.ItemSize(), 0);
    EXPECT_EQ(reader.Read(b, 4), 0);
    EXPECT_EQ(reader.Write(b, 4), 0);
    EXPECT_EQ(reader.GetItemOffset(), TStreamListReader::kNoRecord);
    EXPECT_EQ(ui.messages().size(), 2);
    EXPECT_EQ(source.size(), 12);

    // With no offset at all the error comes on creation, for member 0.
    ui.clearLog();
    load(source, words({1}));
    TStreamListReader bare(source);
    EXPECT_EQ(bare.Count(), 1);
    EXPECT_EQ(bare.ItemSize(), 0);
    EXPECT_EQ(ui.messages(), QStringList{kOffsetError});
}

TEST(StreamListReader, WriteOverItsOwnOffsetTableKeepsTheSelectedRecord)
{
    // Member 0's record lies at 0, so its data covers the offset word that points at it.
    Bytes list = words({1, 0});
    append(list, {5, 6, 7, 8});
    TMemoryStream source;
    load(source, list);
    TStreamListReader reader(source);
    // The size word at 0 is the count 1, keyed with 0: one byte, the low byte of the offset word.
    ASSERT_EQ(reader.ItemSize(), 1);
    EXPECT_EQ(reader.ItemOffset(), 0);
    const uint8_t byte = 0x40;
    EXPECT_EQ(reader.Write(&byte, 1), 1);
    EXPECT_EQ(source.Memory()[4], 0x40);
    EXPECT_EQ(reader.ItemOffset(), 0) << "the record read at selection stays selected";
    reader.SetPosition(0);
    uint8_t back = 0;
    EXPECT_EQ(reader.Read(&back, 1), 1);
    EXPECT_EQ(back, 0x40);
    EXPECT_EQ(source.size(), int64_t(list.size()));
}

// Lists whose words lie: every member reads as much as the source really holds (often nothing),
// writes through it never grow the source, and only an offset word missing from the table
// raises the error.
TEST(StreamListReader, ListsThatLieGiveOnlyWhatTheSourceHolds)
{
    struct Member {
        int32_t index;
        Bytes data;
        bool noRecord = false;
    };
    struct Case {
        const char* name;
        Bytes list;
        int32_t count;
        std::vector<Member> members;
        int errors;
    };
    const auto joined = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& part : parts)
            append(all, part);
        return all;
    };
    const Case cases[] = {
        {"source too short for the count", {1, 0, 0}, 0, {{0, {}}}, 0},
        // Offsets: past the end, negative, INT32_MAX, and one leaving no room for the size word.
        {"record offsets outside the source", joined({words({4, 100, -8, INT32_MAX, 22}), {0, 0}}), 4,
         {{0, {}}, {1, {}, true}, {2, {}}, {3, {}}}, 0},
        {"size of 1000 with 5 bytes there", joined({words({1, 8, 1000 ^ 8}), {1, 2, 3, 4, 5}}), 1,
         {{0, {1, 2, 3, 4, 5}}}, 0},
        // A record stating INT32_MAX bytes, whose end overflows 32 bits, and one stating −7.
        {"size overflowing 32 bits and a negative one",
         joined({words({2, 12, 16, INT32_MAX ^ 12}), words({-7 ^ 16}), {1, 2, 3}}), 2,
         {{0, joined({words({-7 ^ 16}), {1, 2, 3}})}, {1, {}}}, 0},
        {"huge count with one offset", words({INT32_MAX, 8, 8}), INT32_MAX,
         {{0, {}}, {INT32_MAX - 1, {}, true}}, 1},
        {"negative count", words({-5, 8}), -5, {{0, {}}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seam::ScriptedHandler ui;
        TMemoryStream source;
        load(source, c.list);
        TStreamListReader reader(source);
        EXPECT_EQ(reader.Count(), c.count);
        for (const Member& m : c.members) {
            EXPECT_EQ(member(reader, m.index), m.data) << m.index;
            EXPECT_EQ(reader.ItemSize(), int32_t(m.data.size())) << m.index;
            if (c.count > 0) {
                EXPECT_EQ(reader.ItemIndex(), m.index);
            }
            if (m.noRecord) {
                EXPECT_EQ(reader.ItemOffset(), TStreamListReader::kNoRecord) << m.index;
            }
        }
        EXPECT_EQ(ui.messages(), QStringList(c.errors, kOffsetError));
        // Last first, so that no write changes a record a later member is read from.
        for (auto m = c.members.rbegin(); m != c.members.rend(); ++m) {
            reader.SetItemIndex(m->index);
            reader.SetPosition(0);
            const Bytes ones(2000, 1);
            EXPECT_EQ(reader.Write(ones.data(), 2000), int64_t(m->data.size())) << m->index;
        }
        EXPECT_EQ(source.size(), int64_t(c.list.size())) << "writes never grow the source";
        bool allEmpty = true;
        for (const Member& m : c.members)
            allEmpty = allEmpty && m.data.empty();
        if (allEmpty) {
            EXPECT_EQ(contents(source), c.list) << "nothing to write into";
        }
    }
}
