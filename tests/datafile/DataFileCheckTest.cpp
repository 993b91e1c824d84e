// Every rule of the layout broken once, on an otherwise sound member list: exactly one line, and
// it names the rule.

#include "SampleProject.h"

#include "datafile/DataFileCheck.h"
#include "datafile/FileImage.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dw;
using namespace dw::test;

namespace {

using Members = std::vector<Bytes>;

void set32(Bytes& b, size_t at, int32_t v) { writeLE32s(b.data() + at, v); }
void set16(Bytes& b, size_t at, uint16_t v) { writeLE16(b.data() + at, v); }

Bytes regionOf(std::initializer_list<TRect> rects, TRect bound)
{
    Bytes b;
    for (int32_t v : {32, 1, int32_t(rects.size()), int32_t(16 * rects.size()), bound.Left, bound.Top, bound.Right, bound.Bottom})
        put32(b, v);
    for (const TRect& r : rects)
        for (int32_t v : {r.Left, r.Top, r.Right, r.Bottom})
            put32(b, v);
    return b;
}

std::string soundHeader()
{
    return "HPX=4\r\nHPY=60\r\nMPX=3\r\nMPY=80\r\nSPX=1\r\nSPY=90\r\nHCX=100\r\nHCY=100\r\nMCX=100\r\nMCY=100\r\n"
           "SCX=100\r\nSCY=-3\r\nTLH=1\r\nCHA=2\r\nExtrudeHand=1\r\nCopyRight=Dialwright\r\nDate=2024/03/09 17:05:03\r\n";
}

void replaceIn(Bytes& b, const std::string& from, const std::string& to)
{
    std::string s(b.begin(), b.end());
    const size_t at = s.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    s.replace(at, from.size(), to);
    b.assign(s.begin(), s.end());
}

// A member list that keeps every rule, with all seven slots and every kind of member.
Members soundMembers()
{
    SampleProject project;
    project.setAllSlots();
    Members m;
    m.push_back(bitmapFile(20, 20, pf8bit));
    m.push_back({});
    m.push_back(bitmapFile(3, 40, pf1bit));
    m.push_back(bitmapFile(2, 50, pf32bit));
    m.push_back(regionOf({{0, 0, 10, 2}, {12, 0, 20, 2}, {0, 2, 20, 5}}, {0, 0, 20, 5}));
    const std::string header = soundHeader();
    m.push_back(Bytes(header.begin(), header.end()));
    m.push_back(bytesOf("\x8D\xEC\x8E\xD2\r\nsecond line\r\n"));
    for (const TMemoryStream& slot : project.slotRecords)
        m.push_back(bytesOf(slot));
    return m;
}

struct Case {
    const char* rule;
    std::function<void(Members&)> breakIt;
    const char* expected; // a part of the one line that must come out
};

void expectEachCaseBreaksOneRule(const std::vector<Case>& cases)
{
    ASSERT_EQ(checkMembers(soundMembers()), QStringList{}) << "the sound list must pass";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        Members m = soundMembers();
        c.breakIt(m);
        const QStringList lines = checkMembers(m);
        ASSERT_EQ(lines.size(), 1) << lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(lines.first().contains(QString::fromUtf8(c.expected))) << lines.first().toStdString();
        EXPECT_TRUE(lines.first().startsWith(QStringLiteral("member "))) << lines.first().toStdString();
    }
}

// Byte offsets inside a bitmap file.
constexpr size_t bfSize = 2, bfOffBits = 10, biSize = 14, biWidth = 18, biPlanes = 26, biBitCount = 28,
                 biCompression = 30, biClrUsed = 46;

} // namespace

TEST(DataFileCheck, MemberCountOutsideSevenToFourteenIsReported)
{
    Members m = soundMembers();
    m.resize(6);
    EXPECT_EQ(checkMembers(m), QStringList{QStringLiteral("the stream list holds 6 members, not 7 to 14")});
}

TEST(DataFileCheck, EachPictureRuleIsChecked)
{
    expectEachCaseBreaksOneRule({
        {"signature", [](Members& m) { m[0][0] = 'X'; }, "signature BM"},
        {"too short for headers", [](Members& m) { m[0].resize(16); }, "too few for a bitmap file's headers"},
        {"info header size", [](Members& m) { set32(m[0], biSize, 12); }, "info header states 12 bytes"},
        {"truncated info header", [](Members& m) { m[3].resize(30); }, "ends inside its 40-byte info header"},
        {"file size beyond the member", [](Members& m) { set32(m[0], bfSize, int32_t(m[0].size() + 1)); }, "file header states"},
        {"file size short of the rows", [](Members& m) { set32(m[0], bfSize, 100); }, "fewer than its pixel rows need"},
        {"no picture", [](Members& m) { set32(m[0], biWidth, 0); }, "is not a picture"},
        {"too large", [](Members& m) {
             set32(m[0], biWidth, 70000); set32(m[0], bfSize, 0);
             m[0].resize(1078 + 70000 * 20);
         }, "larger than the program reads"},
        {"planes", [](Members& m) { set16(m[0], biPlanes, 2); }, "plane count is 2"},
        {"bit count", [](Members& m) { set16(m[3], biBitCount, 7); }, "7 bits per pixel"},
        {"compression", [](Members& m) { set32(m[0], biCompression, 1); }, "compression 1 is not supported"},
        {"colour table too large", [](Members& m) { set32(m[2], biClrUsed, 3); }, "colour table of 3 entries"},
        {"colour table cut", [](Members& m) { m[0].resize(14 + 40 + 100); set32(m[0], bfSize, 0); }, "headers and colour table need"},
        {"pixel offset into headers", [](Members& m) { set32(m[3], bfOffBits, 20); }, "points into its headers"},
        {"pixel offset past the end", [](Members& m) { set32(m[3], bfOffBits, int32_t(m[3].size() + 8)); }, "past the end of the member"},
        {"rows cut", [](Members& m) { m[3].pop_back(); m[3].pop_back(); set32(m[3], bfSize, 0); }, "pixel rows end at byte"},
        {"masks the reader refuses", [](Members& m) {
             set32(m[3], biCompression, 3); // bit fields right after the 40-byte header, not contiguous
             set32(m[3], 54, 0x00F0F000); set32(m[3], 58, 0x0F00); set32(m[3], 62, 0xF0);
             set32(m[3], bfOffBits, 66); set32(m[3], bfSize, 0);
             m[3].resize(66 + 4 * 2 * 50);
         }, "cannot read"},
    });
}

TEST(DataFileCheck, EachShapeRuleIsChecked)
{
    expectEachCaseBreaksOneRule({
        {"shorter than the header", [](Members& m) { m[4].resize(20); }, "fewer than the 32-byte"},
        {"header size", [](Members& m) { set32(m[4], 0, 40); }, "header size is 40"},
        {"type", [](Members& m) { set32(m[4], 4, 2); }, "type is 2"},
        {"count against the size", [](Members& m) { m[4].resize(m[4].size() - 16); set32(m[4], 12, 48); }, "rectangles need 80 bytes"},
        {"rectangle size field", [](Members& m) { set32(m[4], 12, 0); }, "size field is 0"},
        {"bounding box", [](Members& m) { set32(m[4], 24, 21); }, "not the rectangles' bounding box"},
        {"empty shape keeps a zero box", [](Members& m) { m[4] = regionOf({}, {0, 0, 1, 1}); }, "bounding box (0, 0, 1, 1)"},
        {"empty rectangle", [](Members& m) { m[4] = regionOf({{0, 0, 10, 2}, {12, 0, 12, 2}}, {0, 0, 10, 2}); }, "is empty"},
        {"coordinate range", [](Members& m) { m[4] = regionOf({{-(1 << 28), 0, 10, 2}}, {-(1 << 28), 0, 10, 2}); }, "coordinate range"},
        {"band bottoms", [](Members& m) { m[4] = regionOf({{0, 0, 10, 2}, {12, 0, 20, 3}}, {0, 0, 20, 3}); }, "but ends at 3"},
        {"overlap in a band", [](Members& m) { m[4] = regionOf({{0, 0, 10, 2}, {8, 0, 20, 2}}, {0, 0, 20, 2}); }, "overlaps"},
        {"left order in a band", [](Members& m) { m[4] = regionOf({{12, 0, 20, 2}, {0, 0, 10, 2}}, {0, 0, 20, 2}); }, "lies left of"},
        {"bands top to bottom", [](Members& m) { m[4] = regionOf({{0, 2, 10, 4}, {0, 0, 10, 2}}, {0, 0, 10, 4}); }, "lies above the band"},
        {"bands do not overlap", [](Members& m) { m[4] = regionOf({{0, 0, 10, 4}, {0, 2, 10, 6}}, {0, 0, 10, 6}); }, "inside the band 0 to 4"},
    });
}

TEST(DataFileCheck, EachHeaderRuleIsChecked)
{
    expectEachCaseBreaksOneRule({
        {"NUL", [](Members& m) { replaceIn(m[5], "CopyRight=Dial", std::string("CopyRight=D\0al", 14)); }, "NUL byte"},
        {"LF alone", [](Members& m) { replaceIn(m[5], "TLH=1\r\n", "TLH=1\n"); }, "LF without CR"},
        {"CR alone", [](Members& m) { replaceIn(m[5], "CHA=2\r\n", "CHA=2\r"); }, "CR without LF"},
        {"CP932", [](Members& m) { replaceIn(m[5], "CopyRight=Dial", "CopyRight=\x81 Dial"); }, "line 16 is not CP932"},
        {"last line ended", [](Members& m) { m[5].resize(m[5].size() - 2); }, "last line is not ended by CR LF"},
        {"unknown key", [](Members& m) { replaceIn(m[5], "CHA=2\r\n", "CHA=2\r\nColour=3\r\n"); }, "not one of the header's keys"},
        {"title first", [](Members& m) { replaceIn(m[5], "TLH=1", "Title=Late"); }, "comes after SCY=, out of order"},
        {"key repeated", [](Members& m) { replaceIn(m[5], "CHA=2\r\n", "CHA=2\r\nCHA=1\r\n"); }, "repeats the key"},
        {"required key", [](Members& m) { replaceIn(m[5], "MCX=100\r\n", ""); }, "has no line MCX="},
        {"no leading zeros", [](Members& m) { replaceIn(m[5], "HPY=60", "HPY=060"); }, "HPY= must be a decimal"},
        {"no plus sign", [](Members& m) { replaceIn(m[5], "HPY=60", "HPY=+60"); }, "HPY= must be a decimal"},
        {"32 bits", [](Members& m) { replaceIn(m[5], "HCX=100", "HCX=2147483648"); }, "HCX= must be a decimal"},
        {"option value", [](Members& m) { replaceIn(m[5], "TLH=1", "TLH=0"); }, "TLH= must be 1 or 2"},
        {"extrude value", [](Members& m) { replaceIn(m[5], "ExtrudeHand=1", "ExtrudeHand=2"); }, "ExtrudeHand= must be 1"},
        {"title not empty", [](Members& m) { replaceIn(m[5], "HPX=", "Title=\r\nHPX="); }, "Title= must be a text that is not empty"},
        {"date", [](Members& m) { replaceIn(m[5], "2024/03/09", "2024/02/30"); }, "Date= must be a date"},
        {"time", [](Members& m) { replaceIn(m[5], "17:05:03", "24:05:03"); }, "Date= must be a date"},
    });
}

TEST(DataFileCheck, EachAuthorRuleIsChecked)
{
    expectEachCaseBreaksOneRule({
        {"NUL", [](Members& m) { m[6].push_back(0); }, "NUL byte at 19"},
        {"LF alone", [](Members& m) { replaceIn(m[6], "\r\nsecond", "\nsecond"); }, "LF without CR"},
        {"CP932", [](Members& m) { replaceIn(m[6], "second", "sec\xFFond"); }, "line 2 is not CP932"},
    });
}

TEST(DataFileCheck, EachSlotRuleIsChecked)
{
    expectEachCaseBreaksOneRule({
        {"slot number", [](Members& m) { m[13].resize(2); }, "too few for a slot number"},
        {"known slot", [](Members& m) { m[13] = silentRecord(9); }, "slot number 9 is not one of 1 to 7"},
        {"kind whole", [](Members& m) { m[13].resize(6); }, "too few for its kind"},
        {"order", [](Members& m) { std::swap(m[12], m[13]); }, "slot 2 comes after slot 1"},
        {"once each", [](Members& m) { m[13] = silentRecord(2); }, "slot 2 comes after slot 2"},
        {"sound kind", [](Members& m) { set32(m[11], 4, 5); }, "kind 5 is not 0 (file name) or 1"},
        {"name NUL at the end", [](Members& m) { m[11].pop_back(); }, "not ended by a NUL"},
        {"one NUL only", [](Members& m) { m[11][9] = 0; }, "holds a NUL byte at 1 before its end"},
        {"empty name", [](Members& m) { m[11] = soundByName(3, ""); }, "empty file name"},
        {"name CP932", [](Members& m) { m[11] = soundByName(3, "\x81 .wav"); }, "not CP932"},
        {"animation kind", [](Members& m) { set32(m[8], 4, 0); }, "kind 0 is not 1 (file name) or 2"},
        {"parameters whole", [](Members& m) { m[8].resize(20); }, "too few for its kind and animation parameters"},
        {"rows", [](Members& m) { set32(m[8], 16, 0); }, "VertCount 0"},
        {"columns", [](Members& m) { set32(m[7], 20, 101); }, "HorzCount 101"},
        {"frame time", [](Members& m) { set32(m[8], 24, 49); }, "FrameTime 49"},
        {"strip bitmap", [](Members& m) { m[7][28] = 'X'; }, "its strip bitmap: does not begin"},
    });
}

TEST(DataFileCheck, SavedImageIsCheckedWholeAndDamagedOnesAreUnreadableInOneLine)
{
    SampleProject project;
    project.setAllSlots();
    const Bytes image = project.image();
    const DataFileCheck sound = checkDataFile(image.data(), int64_t(image.size()));
    EXPECT_TRUE(sound.passed()) << sound.violations.join(QLatin1Char('\n')).toStdString();

    Bytes cut(image.begin(), image.begin() + image.size() / 2);
    const DataFileCheck truncated = checkDataFile(cut.data(), int64_t(cut.size()));
    EXPECT_TRUE(truncated.unreadable.startsWith(QStringLiteral("not a readable custom data file: "))) << truncated.unreadable.toStdString();
    EXPECT_FALSE(truncated.unreadable.contains(QLatin1Char('\n')));
    EXPECT_TRUE(truncated.violations.isEmpty());

    EXPECT_EQ(checkDataFile(nullptr, 0).unreadable, QStringLiteral("the file is empty"));
}
