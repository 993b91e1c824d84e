#pragma once

// File images of any size made member by member without holding them: the large and hostile
// files the reading tests and benchmarks open (a header of 64 MiB of line feeds, a picture of
// 512 MiB). The bytes are exactly what the program's writer lays out (stream list, sliced form
// with the given key and slice count, word chain), produced row by row of the grid and written
// as they are made. Header-only, so that the benchmarks can use it as well as the tests.

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace dw::test {

// A member: `pattern` repeated (and cut) to `size` bytes; an empty pattern gives zeros.
struct SyntheticMember {
    int64_t size = 0;
    std::string pattern;
};

// The members a file image of a clock needs to read soundly: four built-in pictures, a shape
// without rectangles, a header with every required key and an author text, before `records`.
inline std::vector<SyntheticMember> clockMembers(const std::string& header, const std::string& author,
                                                 const std::vector<SyntheticMember>& records = {})
{
    std::string shape(32, '\0');
    shape[0] = 32;
    shape[4] = 1;
    std::vector<SyntheticMember> members = {{0, {}}, {0, {}}, {0, {}}, {0, {}}, {32, shape},
                                            {static_cast<int64_t>(header.size()), header}, {static_cast<int64_t>(author.size()), author}};
    members.insert(members.end(), records.begin(), records.end());
    return members;
}

// A header text holding every key a clock needs.
inline std::string validHeaderText()
{
    std::string text;
    for (const char* key : {"HPX", "HPY", "MPX", "MPY", "SPX", "SPY", "HCX", "HCY", "MCX", "MCY", "SCX", "SCY"})
        text += std::string(key) + "=1\r\n";
    return text + "CopyRight=test\r\nDate=2024/01/02 3:04:05\r\n";
}

// The plain bytes of a stream list, read from front to back by one column of the grid.
class SyntheticPlain {
public:
    explicit SyntheticPlain(const std::vector<SyntheticMember>* members) : m_members(members)
    {
        const int64_t count = int64_t(members->size());
        m_table.resize(size_t(4 + 4 * count));
        putWord(m_table.data(), uint32_t(count));
        int64_t offset = 4 + 4 * count;
        for (int64_t i = 0; i < count; ++i) {
            putWord(m_table.data() + 4 + 4 * i, uint32_t(offset));
            m_offsets.push_back(offset);
            offset += 4 + (*members)[size_t(i)].size;
        }
        m_size = offset;
    }

    int64_t size() const { return m_size; }

    // A cursor at plain position `at`; next() gives the byte there and moves on.
    class Cursor {
    public:
        Cursor(const SyntheticPlain* plain, int64_t at) : m_plain(plain) { seek(at); }
        uint8_t next()
        {
            uint8_t b = 0;
            if (m_member < 0) {
                b = m_plain->m_table[size_t(m_at)];
            } else {
                const SyntheticMember& m = (*m_plain->m_members)[size_t(m_member)];
                if (m_at < 4) {
                    const uint32_t word = uint32_t(m.size) ^ uint32_t(m_plain->m_offsets[size_t(m_member)]);
                    b = uint8_t(word >> (8 * m_at));
                } else if (!m.pattern.empty()) {
                    b = uint8_t(m.pattern[size_t((m_at - 4) % int64_t(m.pattern.size()))]);
                }
            }
            advance();
            return b;
        }

    private:
        void seek(int64_t at)
        {
            m_member = -1;
            m_at = at;
            if (at < int64_t(m_plain->m_table.size()))
                return;
            // The record that holds `at` (records are few).
            const auto& offsets = m_plain->m_offsets;
            size_t i = 0;
            while (i + 1 < offsets.size() && offsets[i + 1] <= at)
                ++i;
            m_member = int64_t(i);
            m_at = at - offsets[i];
        }
        void advance()
        {
            ++m_at;
            const int64_t end = m_member < 0 ? int64_t(m_plain->m_table.size())
                                             : 4 + (*m_plain->m_members)[size_t(m_member)].size;
            if (m_at >= end && m_member + 1 < int64_t(m_plain->m_offsets.size())) {
                m_at -= end;
                ++m_member;
            }
        }

        const SyntheticPlain* m_plain;
        int64_t m_member = -1; // -1: the count and the offset table
        int64_t m_at = 0;      // within the table or the record (size word first)
    };

private:
    static void putWord(uint8_t* p, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            p[i] = uint8_t(v >> (8 * i));
    }

    const std::vector<SyntheticMember>* m_members;
    std::vector<uint8_t> m_table;
    std::vector<int64_t> m_offsets;
    int64_t m_size = 0;
};

// Writes the file image of `members` to path: key, slice count, the sliced stream list, chained
// word by word. Returns the image's size, or -1 when the file cannot be written.
inline int64_t writeSyntheticImage(const QString& path, const std::vector<SyntheticMember>& members,
                                   uint8_t key = 0x35, uint8_t slices = 97)
{
    const SyntheticPlain plain(&members);
    const int64_t n = plain.size();
    const int64_t W = slices;
    const int64_t q = n / W, r = n % W;
    std::vector<SyntheticPlain::Cursor> columns;
    for (int64_t c = 0; c < W; ++c)
        columns.emplace_back(&plain, c * q + std::min(c, r));

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    const int64_t total = n + 2;
    const bool chained = total >= 8;
    const int64_t chainedEnd = total / 4 * 4; // the 1 to 3 bytes after it never change
    std::vector<uint8_t> out;
    out.reserve(1 << 20);
    out.push_back(key);
    out.push_back(uint8_t(slices ^ key));
    int64_t written = 0;
    uint32_t previous = 0; // the unchained word before the next one, once there is one
    auto flush = [&](bool last) {
        // Whole words only, except at the end.
        size_t ready = last ? out.size() : out.size() / 4 * 4;
        for (size_t i = 0; i + 4 <= ready && chained; i += 4) {
            const int64_t at = written + int64_t(i);
            if (at + 4 > chainedEnd)
                break;
            uint32_t word;
            std::memcpy(&word, out.data() + i, 4);
            const uint32_t original = word;
            if (at > 0)
                word ^= previous;
            previous = original;
            std::memcpy(out.data() + i, &word, 4);
        }
        if (file.write(reinterpret_cast<const char*>(out.data()), qint64(ready)) != qint64(ready))
            return false;
        written += int64_t(ready);
        out.erase(out.begin(), out.begin() + int64_t(ready));
        return true;
    };
    for (int64_t row = 0; row <= q; ++row) {
        const int64_t width = row < q ? W : r;
        for (int64_t c = 0; c < width; ++c)
            out.push_back(uint8_t(columns[size_t(c)].next() ^ key));
        if (out.size() >= (1u << 20) && !flush(false))
            return -1;
    }
    if (!flush(true) || !file.flush())
        return -1;
    return total;
}

} // namespace dw::test
