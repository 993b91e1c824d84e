#pragma once

// Window shapes made to cost a reader seconds and gigabytes: region data whose rectangles
// overlap, which no writer of the program lays out, put in a clock as its shape member. Made by
// the tests (and the fuzz seeds) themselves, never held as files. Header-only.

#include "tests/support/SyntheticImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dw::test {

enum class CraftedShape {
    // Rectangle i is (0, i, 1000, 100000): their region is one rectangle, yet each of the n
    // bands lies under every rectangle above it.
    Nested,
    // Rectangle i is (2i, i, 2i + 1, n + 1): band k holds k + 1 of them apart, n(n + 1)/2
    // rectangles in all.
    Staircase,
};

struct CraftedShapeCase {
    CraftedShape kind;
    int count;
    const char* name;
};

// The files a crafted shape is tried with: the sizes that cost seconds and gigabytes.
inline const std::vector<CraftedShapeCase>& craftedShapeCases()
{
    static const std::vector<CraftedShapeCase> cases = {
        {CraftedShape::Nested, 20000, "nested-20000"},       {CraftedShape::Nested, 40000, "nested-40000"},
        {CraftedShape::Nested, 80000, "nested-80000"},       {CraftedShape::Staircase, 4000, "staircase-4000"},
        {CraftedShape::Staircase, 8000, "staircase-8000"},   {CraftedShape::Staircase, 16000, "staircase-16000"},
    };
    return cases;
}

// The region data: the 32-byte header (bounding box included), then the rectangles.
inline std::string craftedShapeData(CraftedShape kind, int count)
{
    std::string data(32 + 16 * size_t(count), '\0');
    auto put = [&data](size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i)
            data[at + size_t(i)] = char(uint32_t(v) >> (8 * i));
    };
    const bool nested = kind == CraftedShape::Nested;
    put(0, 32);
    put(4, 1);
    put(8, count);
    put(12, 16 * count);
    put(16, 0);
    put(20, 0);
    put(24, nested ? 1000 : 2 * count - 1);
    put(28, nested ? 100000 : count + 1);
    for (int i = 0; i < count; ++i) {
        const size_t at = 32 + 16 * size_t(i);
        if (nested) {
            put(at, 0), put(at + 4, i), put(at + 8, 1000), put(at + 12, 100000);
        } else {
            put(at, 2 * i), put(at + 4, i), put(at + 8, 2 * i + 1), put(at + 12, count + 1);
        }
    }
    return data;
}

// A clock of built-in pictures whose shape is that crafted one, written as a file image (not
// packed) at path. Returns the file's size, or -1.
inline int64_t writeCraftedShapeClock(const QString& path, CraftedShape kind, int count)
{
    std::vector<SyntheticMember> members = clockMembers(validHeaderText(), "author");
    const std::string shape = craftedShapeData(kind, count);
    members[4] = {int64_t(shape.size()), shape};
    return writeSyntheticImage(path, members);
}

} // namespace dw::test
