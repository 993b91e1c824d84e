#include "FileImageReader.h"

#include "ReaderSeek.h"
#include "SliceGrid.h"
#include "StreamList.h"
#include "StreamListSurvey.h"

#include "platform/ByteOrder.h"
#include "platform/FrameworkError.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <set>

namespace dw {

namespace {

// The plain stream list as far as the survey reads it: the count and the offset table, and the
// size word of every record; every other byte reads as 0 and is never asked for.
class KnownBytes final : public TStream {
public:
    KnownBytes(int64_t size, const std::map<int64_t, uint8_t>& known) : m_size(int32_t(size)), m_known(known) {}

    int64_t Read(void* buffer, int64_t count) override
    {
        count = std::min<int64_t>(count, int64_t(m_size) - m_pos);
        auto* out = static_cast<uint8_t*>(buffer);
        for (int64_t i = 0; i < count; ++i) {
            const auto found = m_known.find(m_pos + i);
            out[i] = found == m_known.end() ? 0 : found->second;
        }
        m_pos += int32_t(std::max<int64_t>(count, 0));
        return std::max<int64_t>(count, 0);
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, int origin) override
    {
        m_pos = readerSeekTarget(m_pos, m_size, offset, origin);
        return m_pos;
    }

private:
    int32_t m_size;
    int32_t m_pos = 0;
    const std::map<int64_t, uint8_t>& m_known;
};

// Rows of the grid handed on at a time, about this many bytes.
constexpr int64_t kBlockBytes = 256 * 1024;
// Rows gathered before the member count is known: enough for the table of a custom data file.
constexpr int64_t kFirstHeadRows = 64;

} // namespace

struct FileImageReader::State {
    int64_t imageSize = 0;
    MemberLimit limit;
    MemberHolding holding;
    std::vector<int64_t> sizes; // of the members, when one is not held whole

    bool whole = false;
    std::vector<uint8_t> all; // a small image, gathered

    // The word chain.
    int64_t taken = 0;      // image bytes given to take()
    int64_t received = 0;   // image bytes passed on (a partial word waits in pending)
    int64_t chainedEnd = 0; // the bytes from here on are never chained
    uint32_t previous = 0;  // the last word restored
    uint8_t pending[4] = {};
    int pendingCount = 0;
    std::vector<uint8_t> restored;

    // The grid.
    enum Phase { SliceHeader, Head, Body, Done } phase = SliceHeader;
    uint8_t key = 0;
    int64_t W = 0, n = 0, q = 0, r = 0;
    int64_t stored = 0;      // grid bytes received
    std::vector<uint8_t> rows; // the first rows at first, then one block of rows at a time
    int64_t rowsFirst = 0;   // the row rows starts with
    int64_t headRows = kFirstHeadRows;
    int64_t blockRows = 1;
    std::vector<uint8_t> transposed;

    // The list.
    bool countKnown = false;
    int32_t count = 0;
    int64_t present = 0;
    std::map<int64_t, uint8_t> known; // plain bytes the survey reads
    std::vector<std::vector<uint8_t>> members;
    struct Range {
        int64_t start, end; // plain positions
        uint8_t* dest;      // the member's bytes at start; null: into known, or passed on
        int member = -1;    // passed on: the member, whose byte `at` lies at start
        int64_t at = 0;
    };
    std::vector<Range> ranges; // sorted, not overlapping
    std::vector<size_t> cursor; // per column: the first range it has not passed

    // Why reading stopped early.
    bool tooLarge = false;
    bool noGrid = false;
    bool tooManyMembers = false;
    QString refusal;
    int refusedMember = -1;

    int64_t colStart(int64_t c) const { return c * q + std::min(c, r); }

    bool feed(const uint8_t* p, int64_t count);
    bool feedGrid(const uint8_t* p, int64_t count);
    void countArrived();
    bool setUp();
    void deliver(int64_t column, int64_t at, const uint8_t* src, int64_t count);
    void deliverRows(const uint8_t* block, int64_t first, int64_t rowCount);
    void deliverLastRow(const uint8_t* bytes, int64_t count);
};

FileImageReader::FileImageReader(int64_t imageSize, MemberLimit limit, MemberHolding holding) : m(std::make_unique<State>())
{
    m->imageSize = std::max<int64_t>(imageSize, 0);
    m->limit = std::move(limit);
    m->holding = std::move(holding);
    m->whole = m->imageSize <= kWholeImageBytes;
    m->chainedEnd = m->imageSize / 4 * 4;
    // Every position in an image is a 32-bit number, as in the memory stream that holds it.
    if (m->imageSize > TMemoryStream::kMaxSize) {
        m->tooLarge = true;
        m->phase = State::Done;
    }
}

FileImageReader::~FileImageReader() = default;

const QString& FileImageReader::refusal() const { return m->refusal; }
int FileImageReader::refusedMember() const { return m->refusedMember; }

bool FileImageReader::take(const uint8_t* bytes, int64_t count)
{
    State& s = *m;
    if (s.phase == State::Done || count <= 0)
        return s.phase != State::Done;
    count = std::min(count, s.imageSize - s.taken);
    s.taken += count;
    if (s.whole) {
        s.all.insert(s.all.end(), bytes, bytes + count);
        s.received += count;
        return true;
    }
    return s.feed(bytes, count);
}

// Undoes the word chain: every word from the second on is XORed with the word before it as
// restored, in ascending order; the bytes after the last whole word stay as they are.
bool FileImageReader::State::feed(const uint8_t* p, int64_t count)
{
    while (count > 0 && phase != Done) {
        if (received >= chainedEnd) {
            received += count;
            return feedGrid(p, count);
        }
        if (pendingCount > 0 || count < 4) {
            const int64_t n = std::min<int64_t>(4 - pendingCount, count);
            std::memcpy(pending + pendingCount, p, size_t(n));
            pendingCount += int(n);
            p += n;
            count -= n;
            if (pendingCount < 4)
                return true;
            uint32_t word;
            std::memcpy(&word, pending, 4);
            word ^= previous; // previous is 0 before the first word, which stays as it is
            previous = word;
            pendingCount = 0;
            received += 4;
            uint8_t out[4];
            std::memcpy(out, &word, 4);
            if (!feedGrid(out, 4))
                return false;
            continue;
        }
        const int64_t words = std::min<int64_t>({count / 4, (chainedEnd - received) / 4, 16384});
        restored.resize(size_t(words * 4));
        uint32_t last = previous;
        uint8_t* out = restored.data();
        for (int64_t i = 0; i < words; ++i) {
            uint32_t word;
            std::memcpy(&word, p + 4 * i, 4);
            last ^= word;
            std::memcpy(out + 4 * i, &last, 4);
        }
        previous = last;
        p += words * 4;
        count -= words * 4;
        received += words * 4;
        if (!feedGrid(restored.data(), words * 4))
            return false;
    }
    return phase != Done;
}

bool FileImageReader::State::feedGrid(const uint8_t* p, int64_t count)
{
    while (count > 0) {
        switch (phase) {
        case SliceHeader: {
            // The two bytes before the grid: key, and slice count XOR key.
            rows.push_back(*p++);
            --count;
            if (rows.size() < 2)
                break;
            key = rows[0];
            W = rows[1] ^ key;
            rows.clear();
            if (W == 0) {
                noGrid = true;
                phase = Done;
                return false;
            }
            n = imageSize - 2;
            q = n / W;
            r = n % W;
            blockRows = std::max<int64_t>(1, kBlockBytes / W);
            phase = Head;
            break;
        }
        case Head: {
            // Large images have thousands of rows, so the head rows are always whole rows.
            const int64_t take = std::min(count, headRows * W - int64_t(rows.size()));
            rows.insert(rows.end(), p, p + take);
            p += take;
            count -= take;
            stored += take;
            if (!countKnown && int64_t(rows.size()) >= 3 * W + 1) {
                countArrived();
                if (tooManyMembers) {
                    phase = Done;
                    return false;
                }
            }
            if (int64_t(rows.size()) == headRows * W) {
                if (!setUp())
                    return false;
                deliverRows(rows.data(), 0, headRows);
                rows.clear();
                rowsFirst = headRows;
                phase = Body;
            }
            break;
        }
        case Body: {
            const int64_t take = std::min(count, blockRows * W - int64_t(rows.size()));
            rows.insert(rows.end(), p, p + take);
            p += take;
            count -= take;
            stored += take;
            const bool last = stored == n;
            if (int64_t(rows.size()) == blockRows * W || last) {
                const int64_t whole = int64_t(rows.size()) / W;
                deliverRows(rows.data(), rowsFirst, whole);
                if (last)
                    deliverLastRow(rows.data() + whole * W, int64_t(rows.size()) - whole * W);
                rowsFirst += whole;
                rows.clear();
            }
            if (last)
                phase = Done;
            break;
        }
        case Done: return false;
        }
    }
    return true;
}

// The count is plain bytes 0 to 3, the top of column 0: rows 0 to 3.
void FileImageReader::State::countArrived()
{
    uint8_t word[4];
    for (int j = 0; j < 4; ++j)
        word[j] = rows[size_t(j * W)] ^ key;
    count = readLE32s(word);
    countKnown = true;
    present = count < 0 ? 0 : std::min<int64_t>(count, (n - 4) / 4);
    if (present > kMaxStreamedMembers) {
        tooManyMembers = true;
        return;
    }
    // The table runs down column 0; every row down to its end is needed before any byte can be
    // placed, since the record that a byte of another column belongs to is only known then.
    headRows = std::max<int64_t>(kFirstHeadRows, 4 + 4 * present);
}

bool FileImageReader::State::setUp()
{
    const int64_t tableBytes = 4 + 4 * present;
    for (int64_t j = 0; j < tableBytes; ++j)
        known[j] = rows[size_t(j * W)] ^ key;
    std::vector<int64_t> offsets;
    for (int64_t i = 0; i < present; ++i) {
        uint8_t word[4];
        for (int b = 0; b < 4; ++b)
            word[b] = known[4 + 4 * i + b];
        offsets.push_back(readLE32s(word)); // the list starts at position 0
    }

    // The records as a sound image has them: each where the one before it ends, the last one up
    // to the end. Their sizes follow from the table alone; the size words, which arrive later,
    // must agree (the survey at the end checks it).
    std::vector<int64_t> sizes;
    bool inPlace = count >= 0 && present == count;
    int64_t expected = tableBytes;
    for (int64_t i = 0; i < present && inPlace; ++i) {
        const int64_t next = i + 1 < present ? offsets[size_t(i + 1)] : n;
        const int64_t size = next - offsets[size_t(i)] - 4;
        if (offsets[size_t(i)] != expected || size < 0)
            inPlace = false;
        sizes.push_back(size);
        expected = next;
    }

    if (inPlace && limit) {
        for (int64_t i = 0; i < present; ++i) {
            const QString why = limit(int(i), sizes[size_t(i)]);
            if (!why.isEmpty()) {
                refusal = why;
                refusedMember = int(i);
                phase = Done;
                return false;
            }
        }
    }

    std::set<int64_t> captures;
    for (const int64_t offset : offsets)
        if (offset >= 0 && offset + 4 <= n)
            for (int64_t b = offset; b < offset + 4; ++b)
                if (b >= tableBytes)
                    captures.insert(b);
    for (const int64_t at : captures) {
        if (!ranges.empty() && !ranges.back().dest && ranges.back().member < 0 && ranges.back().end == at)
            ranges.back().end = at + 1;
        else
            ranges.push_back({at, at + 1, nullptr});
    }
    if (inPlace) {
        try {
            members.resize(size_t(present));
            bool cut = false;
            for (int64_t i = 0; i < present; ++i) {
                const int64_t size = sizes[size_t(i)];
                const int64_t held = holding.held ? std::clamp<int64_t>(holding.held(int(i), size), 0, size) : size;
                const int64_t start = offsets[size_t(i)] + 4;
                members[size_t(i)].resize(size_t(held));
                if (held > 0)
                    ranges.push_back({start, start + held, members[size_t(i)].data()});
                if (held < size) {
                    cut = true;
                    if (holding.passOn)
                        ranges.push_back({start + held, start + size, nullptr, int(i), held});
                    else
                        ranges.push_back({start + held, start + size, nullptr, int(i), -1});
                }
            }
            if (cut)
                this->sizes = sizes;
        } catch (const std::bad_alloc&) {
            throw EFrameworkError(stock::memoryStreamError());
        }
        std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.start < b.start; });
    }

    cursor.resize(size_t(W));
    for (int64_t c = 0; c < W; ++c) {
        const int64_t start = colStart(c);
        cursor[size_t(c)] = size_t(std::partition_point(ranges.begin(), ranges.end(), [start](const Range& range) {
                                       return range.end <= start;
                                   }) - ranges.begin());
    }
    transposed.resize(size_t(blockRows * W));
    rows.reserve(size_t(std::max(headRows, blockRows) * W));
    return true;
}

void FileImageReader::State::deliver(int64_t column, int64_t at, const uint8_t* src, int64_t count)
{
    const int64_t end = at + count;
    size_t& k = cursor[size_t(column)];
    while (k < ranges.size() && ranges[k].end <= at)
        ++k;
    for (size_t j = k; j < ranges.size() && ranges[j].start < end; ++j) {
        const Range& range = ranges[j];
        const int64_t from = std::max(at, range.start), to = std::min(end, range.end);
        if (from >= to)
            continue;
        if (range.dest) {
            std::memcpy(range.dest + (from - range.start), src + (from - at), size_t(to - from));
        } else if (range.member >= 0) {
            // A member's bytes beyond those held: passed on, or dropped (at −1).
            if (range.at >= 0)
                holding.passOn(range.member, range.at + (from - range.start), src + (from - at), to - from);
        } else {
            for (int64_t x = from; x < to; ++x)
                known[x] = src[x - at];
        }
    }
}

// Whole rows of the grid: each column's bytes in them are consecutive plain bytes.
void FileImageReader::State::deliverRows(const uint8_t* block, int64_t first, int64_t rowCount)
{
    if (rowCount <= 0)
        return;
    if (int64_t(transposed.size()) < rowCount * W)
        transposed.resize(size_t(rowCount * W));
    // The rows as a grid of their own: column c's bytes end up at c × rowCount.
    slicegrid::toPlain(block, transposed.data(), rowCount * W, int32_t(W), key, 0, rowCount * W);
    for (int64_t c = 0; c < W; ++c)
        deliver(c, colStart(c) + first, transposed.data() + c * rowCount, rowCount);
}

// Row q, which only the first r columns reach.
void FileImageReader::State::deliverLastRow(const uint8_t* bytes, int64_t count)
{
    for (int64_t c = 0; c < count; ++c) {
        const uint8_t plain = bytes[c] ^ key;
        deliver(c, colStart(c) + q, &plain, 1);
    }
}

FileImageContents FileImageReader::finish()
{
    State& s = *m;
    FileImageContents out;
    if (s.whole) {
        // In place: the bytes are not needed afterwards. The members of a damaged image are not
        // read, since its records may overlap and state far more than the image holds.
        TMemoryStream sliced;
        sliced.SetSizeForOverwrite(int64_t(s.all.size()));
        if (!s.all.empty())
            std::memcpy(sliced.Memory(), s.all.data(), s.all.size());
        s.all = {};
        unchainWords(sliced.Memory(), sliced.size());
        out = readSlicedMembers(sliced, false);
        if (out.sound() && s.limit) {
            for (size_t i = 0; i < out.members.size(); ++i) {
                const QString why = s.limit(int(i), int64_t(out.members[i].size()));
                if (!why.isEmpty()) {
                    s.refusal = why;
                    s.refusedMember = int(i);
                    out.members.clear();
                    break;
                }
            }
        }
        return out;
    }
    if (!s.refusal.isEmpty())
        return out;
    {
        ProblemList problems(out.problems);
        if (s.tooLarge) {
            problems.add(QStringLiteral("The data holds %1 bytes, more than the %2 bytes a file image may hold.")
                             .arg(s.imageSize)
                             .arg(TMemoryStream::kMaxSize));
        } else if (s.noGrid) {
            problems.add(QStringLiteral("The slice count is 0, so the data cannot be unsliced."));
        } else if (s.tooManyMembers) {
            out.count = s.count;
            problems.add(QStringLiteral("The member count is %1; a list of more than %2 members is not read.")
                             .arg(s.count)
                             .arg(kMaxStreamedMembers));
        } else if (s.received < s.imageSize || s.pendingCount > 0) {
            problems.add(QStringLiteral("The data ends after %1 of its %2 bytes.").arg(s.received).arg(s.imageSize));
        } else {
            KnownBytes plain(s.n, s.known);
            const ListSurvey survey = surveyStreamList(plain, s.n, true, problems);
            out.count = survey.count;
        }
    }
    if (out.sound()) {
        out.members = std::move(s.members);
        out.statedSizes = std::move(s.sizes);
    }
    s.members = {};
    return out;
}

} // namespace dw
