#include "SampleProject.h"

#include "datafile/DataFileCheck.h"
#include "datafile/DataFileWriter.h"
#include "datafile/FileImage.h"
#include "datafile/StreamList.h"

#include "platform/Random.h"
#include "platform/ScriptedSeam.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dw;
using namespace dw::test;

namespace {

QString memberText(const FileImageContents& image, int index)
{
    const Bytes& m = image.members[size_t(index)];
    return QString::fromLatin1(reinterpret_cast<const char*>(m.data()), qsizetype(m.size()));
}

int32_t slotOf(const Bytes& record) { return readLE32s(record.data()); }

} // namespace

TEST(DataFileWriter, ProjectWithoutShapeSavesTheRegionHeaderAlone)
{
    SampleProject project;
    project.shape = TRegion();
    const FileImageContents image = readFileImage(project.image());
    Bytes header;
    for (int32_t v : {32, 1, 0, 0, 0, 0, 0, 0})
        put32(header, v);
    EXPECT_EQ(image.members[4], header);
}

TEST(DataFileWriter, BlankTitleIsWrittenAsTheFirstLine)
{
    SampleProject project;
    project.header.title = QStringLiteral(" ");
    const FileImageContents image = readFileImage(project.image());
    const QString header = memberText(image, 5);
    EXPECT_TRUE(header.startsWith(QStringLiteral("Title= \r\nHPX="))) << header.toStdString();
    EXPECT_EQ(header.count(QStringLiteral("\r\n")), 15);
}

TEST(DataFileWriter, SevenSlotsGiveFourteenMembersFromZeroHourAnimationToSecondSound)
{
    SampleProject project;
    project.setAllSlots();
    const FileImageContents image = readFileImage(project.image());
    ASSERT_EQ(image.count, 14);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(slotOf(image.members[size_t(7 + i)]), 7 - i);
        EXPECT_EQ(image.members[size_t(7 + i)], bytesOf(project.slotRecords[size_t(i)])) << "slot " << 7 - i;
    }
    EXPECT_EQ(checkMembers(image.members), QStringList{});
}

TEST(DataFileWriter, SilentSlotIsSavedButUnsetAndShorterOnesAreNot)
{
    SampleProject project;
    setBytes(project.slot(1), silentRecord(1));
    setBytes(project.slot(6), Bytes{6, 0, 0}); // fewer than 4 bytes: no record
    const FileImageContents image = readFileImage(project.image());
    ASSERT_EQ(image.count, 8);
    EXPECT_EQ(image.members[7], silentRecord(1));
}

TEST(DataFileWriter, EveryMemberReadsBackByteForByteAndTheProjectKeepsItsBytes)
{
    SampleProject project;
    project.setAllSlots();
    setBytes(project.FBkgStream, bitmapFile(200, 200, pf8bit));
    setBytes(project.FHourStream, bitmapFile(9, 70));
    setBytes(project.FSecStream, bitmapFile(3, 95, pf4bit));
    project.header.title = QStringLiteral("夜の時計");
    project.author = QStringLiteral("作者\nline two");
    const Bytes dial = bytesOf(project.FBkgStream);
    project.FBkgStream.SetPosition(17);

    const FileImageContents image = readFileImage(project.image());
    ASSERT_TRUE(image.sound());
    EXPECT_EQ(image.members[0], dial);
    EXPECT_EQ(image.members[1], bytesOf(project.FHourStream));
    EXPECT_TRUE(image.members[2].empty());
    EXPECT_EQ(image.members[3], bytesOf(project.FSecStream));
    const DataFileTexts texts = dataFileTexts(project.header, project.author);
    EXPECT_EQ(image.members[5], Bytes(texts.header.begin(), texts.header.end()));
    EXPECT_EQ(image.members[6], bytesOf("\x8D\xEC\x8E\xD2\r\nline two"));
    EXPECT_EQ(bytesOf(project.FBkgStream), dial) << "only the position moves";
    EXPECT_EQ(checkMembers(image.members), QStringList{});
}

TEST(DataFileWriter, SlicingFromTheContentGivesTheSameFileWhateverTheGenerator)
{
    seam::ScriptedHandler ui;
    test::SampleProject project;
    project.setAllSlots();
    const auto imageAfterSeed = [&](uint64_t seed, bool fromContent) {
        setRandomSeed(seed);
        DataFileProject p = project.project();
        p.sliceFromContent = fromContent;
        return test::bytesOf(*buildFileImage(p));
    };
    const test::Bytes seeded = imageAfterSeed(1, true);
    EXPECT_TRUE(imageAfterSeed(2, true) == seeded);
    EXPECT_TRUE(imageAfterSeed(1, false) != imageAfterSeed(2, false));
    // Its key and slice count lie in the generator's ranges, for any seed.
    EXPECT_EQ(seeded[0] & 2, 2);
    EXPECT_LT(seeded[0], 200);
    const uint8_t slices = seeded[1] ^ seeded[0];
    EXPECT_GE(slices, 80);
    EXPECT_LT(slices, 240);
    for (uint64_t seed : {0ull, 199ull, 200ull * 160 - 1, ~0ull}) {
        const SliceChoice c = sliceChoiceFromSeed(seed);
        EXPECT_TRUE((c.key & 2) && c.key < 200 && c.slices >= 80 && c.slices < 240) << seed;
    }
    EXPECT_NE(contentSeed(seeded.data(), 9), contentSeed(seeded.data(), 8));
}

// The first check reads the sliced buffer, the second the plain list, each with its own
// messages; either way the file is written all the same.
TEST(DataFileWriter, ChecksReadTheirOwnBufferAndTheSaveGoesOn)
{
    using Corrupt = BeforeChecksHook;
    const struct {
        const char* name;
        Corrupt corrupt;
        const char* message;
    } cases[] = {
        // Member 0's size word follows the count and the 7 offsets; its low bit is the size's.
        {"sliced size", [](KnownListBytes&, KnownListBytes& sliced) { sliced.at(4 + 4 * 7) ^= 0x01; },
         "ERROR: FBkgStream.Size\n1/0"},
        {"sliced count", [](KnownListBytes&, KnownListBytes& sliced) { sliced.at(0) ^= 0x0F; },
         "ERROR: slr.Count <> List.Count: 8/7"},
        {"plain count", [](KnownListBytes& plain, KnownListBytes&) { plain.at(0) ^= 0x0F; },
         "ERROR_2: slr.Count <> List.Count: 8/7"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        seam::ScriptedHandler ui;
        SampleProject project;
        const QString path = dir.filePath(QString::fromUtf8(c.name) + ".pdl");
        DataFileProject p = project.project();
        writeDataFile(path, p, c.corrupt);
        EXPECT_EQ(ui.messages(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(readFileImage(readFile(path)).count, 7);
    }
}

TEST(DataFileWriter, PictureThatChangesDuringTheSaveIsReportedByBothChecks)
{
    seam::ScriptedHandler ui;
    SampleProject project;
    setBytes(project.FHourStream, bitmapFile(5, 5));
    const int64_t size = project.FHourStream.size();
    DataFileProject p = project.project();
    const auto image = buildFileImage(p, [&](KnownListBytes&, KnownListBytes&) {
        project.FHourStream.Seek(0, soEnd);
        project.FHourStream.WriteInt32(0);
    });
    EXPECT_EQ(ui.messages(), (QStringList{QStringLiteral("ERROR: FHourStream.Size\n%1/%2").arg(size).arg(size + 4),
                                          QStringLiteral("ERROR_2: FHourStream.Size\n%1/%2").arg(size).arg(size + 4)}));
    EXPECT_EQ(int64_t(readFileImage(image->Memory(), image->size()).members[1].size()), size);
}

TEST(DataFileTexts, AuthorLineBreaksBecomeCrLfWithNothingAddedAtTheEnd)
{
    DataFileHeader header;
    const DataFileTexts texts = dataFileTexts(header, QStringLiteral("a\nb\r\nc\rd"));
    ASSERT_TRUE(texts.ok());
    EXPECT_EQ(texts.author, "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(texts.header.substr(texts.header.size() - 2), "\r\n");
}

TEST(DataFileTexts, CharactersThatCannotBeStoredAreNamedAndNothingIsConverted)
{
    DataFileHeader header;
    header.title = QStringLiteral("Clock\n☃");
    const DataFileTexts texts = dataFileTexts(header, QStringLiteral("¥100 ☃ 😀"));
    EXPECT_FALSE(texts.ok());
    EXPECT_EQ(texts.unstorable, QStringLiteral("\n☃¥😀"));
    EXPECT_TRUE(texts.header.empty());
    EXPECT_TRUE(texts.author.empty());
}
