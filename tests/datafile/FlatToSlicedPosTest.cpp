#include "datafile/StreamList.h"

#include "platform/ScriptedSeam.h"

#include <gtest/gtest.h>

#include <vector>

using namespace dw;

namespace {

std::vector<int32_t> mapping(int32_t n, int32_t W)
{
    std::vector<int32_t> out;
    for (int32_t i = 0; i < n; ++i)
        out.push_back(FlatToSlicedPos(i, n, W));
    return out;
}

// True when FlatToSlicedPos(·, n, W) hits every place 0 .. n − 1 exactly once.
bool isPermutation(int32_t n, int32_t W)
{
    std::vector<char> hit(n, 0);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t p = FlatToSlicedPos(i, n, W);
        if (p < 0 || p >= n || hit[p])
            return false;
        hit[p] = 1;
    }
    return true;
}

} // namespace

TEST(FlatToSlicedPos, PlainBytesRunDownTheColumns)
{
    EXPECT_EQ(mapping(7, 3), (std::vector<int32_t>{0, 3, 6, 1, 4, 2, 5}));
    EXPECT_EQ(mapping(10, 4), (std::vector<int32_t>{0, 4, 8, 1, 5, 9, 2, 6, 3, 7}));
    // Full columns only (r = 0): a plain transposition of a 3 × 4 grid.
    EXPECT_EQ(mapping(12, 4), (std::vector<int32_t>{0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11}));
}

TEST(FlatToSlicedPos, IsAPermutationForEveryLengthAndSliceCount)
{
    seam::ScriptedHandler ui;
    for (int32_t n = 1; n <= 300; ++n)
        for (int32_t W = 1; W <= n + 2; ++W)
            ASSERT_TRUE(isPermutation(n, W)) << "n " << n << ", W " << W;
    for (int32_t n = 301; n <= 3000; n += 7)
        for (int32_t W : {1, 2, 3, 7, 8, 9, 80, 81, 127, 128, 199, 239, 255})
            ASSERT_TRUE(isPermutation(n, W)) << "n " << n << ", W " << W;
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST(FlatToSlicedPos, IsTheIdentityBelowTheSliceCount)
{
    for (int32_t n = 1; n < 80; ++n)
        for (int32_t i = 0; i < n; ++i)
            ASSERT_EQ(FlatToSlicedPos(i, n, 80), i);
}

TEST(FlatToSlicedPos, PositionOutsideTheSequenceShowsTheDebugMessageAndGivesZero)
{
    seam::ScriptedHandler ui;
    seam::setApplicationTitle(QStringLiteral("Dialwright ver. 2.25a"));
    EXPECT_EQ(FlatToSlicedPos(100, 10, 4), 0); // the formula gives 49
    EXPECT_EQ(FlatToSlicedPos(-1, 10, 4), 0);  // the formula gives −4
    ASSERT_EQ(ui.messages().size(), 2);
    EXPECT_EQ(ui.messages()[0], QStringLiteral("DEBUG: FlatToSlicedPos = 49\n100, 10, 4"));
    EXPECT_EQ(ui.messages()[1], QStringLiteral("DEBUG: FlatToSlicedPos = -4\n-1, 10, 4"));
    EXPECT_EQ(ui.records(seam::ScriptedHandler::Kind::MessageBox)[0].caption, QStringLiteral("Dialwright ver. 2.25a"));
}

TEST(FlatToSlicedPos, ArgumentsThatWouldDivideByZeroGiveZeroWithTheDebugMessage)
{
    seam::ScriptedHandler ui;
    EXPECT_EQ(FlatToSlicedPos(0, 10, 0), 0);  // no columns
    EXPECT_EQ(FlatToSlicedPos(0, 0, 80), 0);  // nothing to place
    EXPECT_EQ(FlatToSlicedPos(5, 5, 80), 0);  // n < W, pos at n: every column has one byte
    EXPECT_EQ(ui.messages(), (QStringList{QStringLiteral("DEBUG: FlatToSlicedPos = -1\n0, 10, 0"),
                                          QStringLiteral("DEBUG: FlatToSlicedPos = -1\n0, 0, 80"),
                                          QStringLiteral("DEBUG: FlatToSlicedPos = -1\n5, 5, 80")}));
}

TEST(FlatToSlicedPos, ExtremeArgumentsDoNotOverflow)
{
    seam::ScriptedHandler ui;
    // The last byte of the longest sequence ends column 1 of a 2-column grid.
    EXPECT_EQ(FlatToSlicedPos(INT32_MAX - 1, INT32_MAX, 2), INT32_MAX - 2);
    EXPECT_EQ(FlatToSlicedPos(INT32_MAX - 1, INT32_MAX, 239), 2147483592); // row q − 1 of column 238
    EXPECT_EQ(FlatToSlicedPos(INT32_MIN, INT32_MIN, -1), 0);
    EXPECT_EQ(FlatToSlicedPos(INT32_MAX, 3, 2), 0);
    EXPECT_EQ(ui.messages().size(), 2);
}
