#include "datafile/DataFileHeader.h"

#include <gtest/gtest.h>

using namespace dw;

namespace {

DataFileHeader defaultProject()
{
    DataFileHeader h;
    h.hourPivot = {7, 70};
    h.minPivot = {7, 90};
    h.secPivot = {6, 90};
    h.hourCenter = h.minCenter = h.secCenter = {100, 100};
    h.saved = QDateTime(QDate(2026, 3, 7), QTime(9, 5, 4));
    return h;
}

} // namespace

TEST(DataFileHeader, DefaultProjectHasFourteenLinesStartingWithTheHourPivot)
{
    const QStringList lines = headerLines(defaultProject());
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines.mid(0, 12), (QStringList{"HPX=7", "HPY=70", "MPX=7", "MPY=90", "SPX=6", "SPY=90", "HCX=100",
                                             "HCY=100", "MCX=100", "MCY=100", "SCX=100", "SCY=100"}));
    EXPECT_TRUE(lines[12].startsWith("CopyRight=") && lines[12].size() > 10);
    EXPECT_EQ(lines[13], "Date=2026/03/07 9:05:04");
}

TEST(DataFileHeader, OptionsAndExtrudeHandWriteLinesOnlyWhenNotDefault)
{
    DataFileHeader h = defaultProject();
    h.translucent = DataFileHeader::OptionYes;
    h.countHourSound = DataFileHeader::OptionNo;
    h.countHourAnimation = DataFileHeader::OptionNo;
    h.extrudeHand = true;
    const QStringList lines = headerLines(h);
    ASSERT_EQ(lines.size(), 18);
    EXPECT_EQ(lines.mid(12, 4), (QStringList{"TLH=1", "CHS=2", "CHA=2", "ExtrudeHand=1"}));
    EXPECT_TRUE(lines[16].startsWith("CopyRight="));
}

TEST(DataFileHeader, NegativeNumbersHaveTheirSignRightAfterTheEqualsSign)
{
    DataFileHeader h = defaultProject();
    h.secPivot = {-3, 120};
    h.hourCenter = {0, -1};
    const QStringList lines = headerLines(h);
    EXPECT_EQ(lines[4], "SPX=-3");
    EXPECT_EQ(lines[6], "HCX=0");
    EXPECT_EQ(lines[7], "HCY=-1");
}

TEST(DataFileHeader, EveryLineEndsWithCrLf)
{
    const QString text = headerText(defaultProject());
    EXPECT_TRUE(text.startsWith("HPX=7\r\nHPY=70\r\n"));
    EXPECT_TRUE(text.endsWith("9:05:04\r\n"));
    EXPECT_EQ(text.count("\r\n"), 14);
    EXPECT_EQ(text.count('\n'), 14);
}
