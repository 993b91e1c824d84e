// A picture's bytes held either as a saved clock's member or as a file read without clearing:
// the same bytes are the same picture whichever way they are held (the editor decides by it
// whether a picture still comes from its file).

#include "datafile/PictureBytes.h"

#include <gtest/gtest.h>

using namespace dw;

namespace {

ByteBlock block(std::initializer_list<uint8_t> bytes) { return ByteBlock(bytes); }

} // namespace

TEST(PictureBytes, AreComparedByTheirBytesHoweverHeld)
{
    const struct {
        PictureBytes a, b;
        bool same;
    } cases[] = {
        {std::vector<uint8_t>{1, 2, 3}, block({1, 2, 3}), true},
        {block({1, 2, 3}), block({1, 2, 3}), true},
        {std::vector<uint8_t>{1, 2, 3}, block({1, 2, 4}), false},
        {block({1, 2, 3}), block({1, 2}), false},
        {PictureBytes(), block({}), true},
        {PictureBytes(), std::vector<uint8_t>{0}, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].a == cases[i].b, cases[i].same) << i;
        EXPECT_EQ(cases[i].b == cases[i].a, cases[i].same) << i;
    }
}

TEST(PictureBytes, ShowTheirBytesAndLetThemGo)
{
    PictureBytes held(block({7, 8, 9}));
    const std::span<const uint8_t> span = held;
    ASSERT_EQ(span.size(), 3u);
    EXPECT_EQ(span[2], 9);
    EXPECT_EQ(held.data(), span.data());
    held.release();
    EXPECT_TRUE(held.empty());
}
