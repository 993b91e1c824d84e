#include "FileImagePieces.h"

#include "ContentHash.h"
#include "SliceGrid.h"
#include "StreamList.h"

#include "platform/ByteOrder.h"
#include "platform/ByteViewStream.h"
#include "platform/FrameworkError.h"
#include "platform/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace dw {

int64_t KnownListBytes::Read(void* buffer, int64_t count)
{
    const int64_t n = std::max<int64_t>(0, std::min(count, m_size - m_pos));
    auto* out = static_cast<uint8_t*>(buffer);
    for (int64_t i = 0; i < n; ++i) {
        const auto known = m_bytes.find(m_pos + i);
        out[i] = known == m_bytes.end() ? 0 : known->second;
    }
    m_pos += n;
    return n;
}

int64_t KnownListBytes::Seek(int64_t offset, int origin)
{
    const int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? m_pos : origin == soEnd ? m_size : -1;
    if (base >= 0)
        m_pos = std::clamp<int64_t>(base + offset, 0, m_size);
    return m_pos;
}

// The stream list of the members, never written out: any run of its bytes is read from the
// count and offset table (held, a few dozen bytes), the records' size words (made when asked
// for) and the members themselves.
class FileImagePieces::PlainList {
public:
    explicit PlainList(std::vector<TStream*> members) : m_members(std::move(members))
    {
        constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
        const auto count = int64_t(m_members.size());
        if (count > (kLimit - 4) / 4)
            throw EFrameworkError(stock::memoryStreamError());
        m_head.resize(size_t(4 + 4 * count));
        writeLE32s(m_head.data(), int32_t(count));
        int64_t offset = int64_t(m_head.size());
        for (size_t i = 0; i < m_members.size(); ++i) {
            const int64_t size = m_members[i]->Size();
            if (offset + 4 + size > kLimit)
                throw EFrameworkError(stock::memoryStreamError());
            m_sizes.push_back(size);
            m_offsets.push_back(offset);
            writeLE32s(m_head.data() + 4 + 4 * i, int32_t(offset));
            offset += 4 + size;
        }
        m_size = offset;
    }

    int64_t size() const { return m_size; }
    size_t count() const { return m_members.size(); }
    int64_t offsetOf(size_t i) const { return m_offsets[i]; }

    // Where the members' bytes are read from: straight from a memory stream's block or the bytes
    // a view shows, else through the stream. Done before reading; a member whose size has
    // changed is refused.
    void open()
    {
        m_direct.assign(m_members.size(), nullptr);
        for (size_t i = 0; i < m_members.size(); ++i) {
            if (m_members[i]->Size() != m_sizes[i])
                throw EFrameworkError(stock::readError());
            // Read through the constant block: the stream's bytes stay known to be unchanged.
            if (const auto* memory = dynamic_cast<const TMemoryStream*>(m_members[i]))
                m_direct[i] = memory->Memory();
            else if (const auto* view = dynamic_cast<const ByteViewStream*>(m_members[i]))
                m_direct[i] = view->bytes();
        }
    }

    // The list's seed runs (forEachSeedRun), in order, to hasher, read through buffer.
    void hash(ContentHasher& hasher, std::vector<uint8_t>& buffer)
    {
        forEachSeedRun(m_size, [&](int64_t at, int64_t count) {
            for (int64_t done = 0; done < count;) {
                const int64_t n = std::min(count - done, int64_t(buffer.size()));
                read(at + done, buffer.data(), n);
                hasher.add(buffer.data(), n);
                done += n;
            }
        });
    }

    void setMembersAtTheirEnds()
    {
        for (TStream* member : m_members)
            member->Seek(0, soEnd);
    }

    // Plain bytes at .. at + count − 1 (all inside the list) into out.
    void read(int64_t at, uint8_t* out, int64_t count)
    {
        while (count > 0) {
            int64_t n;
            if (at < int64_t(m_head.size())) {
                n = std::min<int64_t>(count, int64_t(m_head.size()) - at);
                std::memcpy(out, m_head.data() + at, size_t(n));
            } else {
                const size_t i = size_t(std::upper_bound(m_offsets.begin(), m_offsets.end(), at) - m_offsets.begin()) - 1;
                const int64_t within = at - m_offsets[i];
                if (within < 4) {
                    uint8_t word[4];
                    writeLE32s(word, int32_t(m_sizes[i]) ^ int32_t(m_offsets[i]));
                    n = std::min<int64_t>(count, 4 - within);
                    std::memcpy(out, word + within, size_t(n));
                } else {
                    n = std::min<int64_t>(count, m_sizes[i] - (within - 4));
                    readMember(i, within - 4, out, n);
                }
            }
            at += n;
            out += n;
            count -= n;
        }
    }

private:
    void readMember(size_t i, int64_t from, uint8_t* out, int64_t count)
    {
        if (m_direct[i]) {
            std::memcpy(out, m_direct[i] + from, size_t(count));
            return;
        }
        if (m_members[i]->Seek(from, soBeginning) != from)
            throw EFrameworkError(stock::readError());
        m_members[i]->ReadBuffer(out, count);
    }

    std::vector<TStream*> m_members;
    std::vector<int64_t> m_sizes;
    std::vector<int64_t> m_offsets; // where each record (its size word) starts
    std::vector<uint8_t> m_head;    // the count and the offset table
    std::vector<const uint8_t*> m_direct;
    int64_t m_size = 0;
};

FileImagePieces::FileImagePieces(std::vector<TStream*> members, bool sliceFromContent, int checkedMembers)
    : m_list(std::make_unique<PlainList>(std::move(members))), m_fromContent(sliceFromContent),
      m_checkedMembers(checkedMembers), m_plainRead(m_list->size()), m_slicedRead(m_list->size())
{
}

FileImagePieces::~FileImagePieces() = default;

int32_t FileImagePieces::listSize() const { return int32_t(m_list->size()); }

namespace {

// The word chain made as the file passes: every whole 32-bit word of the file but the first is
// XORed with the unchanged word before it; the 1 to 3 bytes after the last whole word go as they
// are. Pieces come in as runs of file bytes; a run's last bytes short of a word wait for the next.
class ChainedOutput {
public:
    ChainedOutput(const FileImagePieces::Sink& sink, int64_t capacity) : m_sink(sink), m_out(size_t(capacity)) {}

    // The pending bytes (at most 3) followed by `count` new ones, chained and handed on as whole
    // words; what is short of a word is moved to the front of bytes.
    bool pass(uint8_t* bytes, int64_t count)
    {
        const int64_t whole = (m_pending + count) / 4 * 4;
        for (int64_t i = 0; i < whole; i += 4) {
            uint32_t word;
            std::memcpy(&word, bytes + i, 4);
            const uint32_t chained = m_first ? word : word ^ m_previous;
            std::memcpy(m_out.data() + i, &chained, 4);
            m_previous = word;
            m_first = false;
        }
        const int64_t rest = m_pending + count - whole;
        std::memmove(bytes, bytes + whole, size_t(rest));
        m_pending = rest;
        return whole == 0 || m_sink(m_out.data(), whole);
    }
    // The bytes after the last whole word, unchanged.
    bool finish(const uint8_t* bytes) { return m_pending == 0 || m_sink(bytes, m_pending); }
    int64_t pending() const { return m_pending; }

private:
    const FileImagePieces::Sink& m_sink;
    std::vector<uint8_t> m_out;
    int64_t m_pending = 0;
    uint32_t m_previous = 0;
    bool m_first = true;
};

} // namespace

bool FileImagePieces::produce(const Sink& sink)
{
    PlainList& list = *m_list;
    list.open();
    const int64_t n = list.size();

    // The positions the checks read: the count, the offset table, the first members' size words.
    std::vector<int64_t> checked;
    for (int64_t p = 0; p < std::min<int64_t>(n, 4 + 4 * int64_t(list.count())); ++p)
        checked.push_back(p);
    for (size_t i = 0; i < std::min(list.count(), size_t(std::max(m_checkedMembers, 0))); ++i)
        for (int64_t p = list.offsetOf(i); p < std::min(n, list.offsetOf(i) + 4); ++p)
            checked.push_back(p);

    try {
        std::vector<uint8_t> plain(size_t(std::min(n, kBandBytes)) + 1);
        SliceChoice choice;
        if (m_fromContent) {
            ContentHasher hasher;
            list.hash(hasher, plain);
            choice = sliceChoiceFromSeed(hasher.finish());
        } else {
            choice = drawSliceChoice();
        }
        const int64_t W = choice.slices;
        const uint8_t key = choice.key;

        for (const int64_t p : checked) {
            uint8_t byte;
            list.read(p, &byte, 1);
            m_plainRead.set(p, byte);
        }
        // Where each checked byte lands among the sliced bytes, in the order they are made.
        std::vector<std::pair<int64_t, int64_t>> landing; // (stored place, plain position)
        for (const int64_t p : checked)
            landing.emplace_back(FlatToSlicedPos(int32_t(p), int32_t(n), int32_t(W)), p);
        std::sort(landing.begin(), landing.end());
        auto nextLanding = landing.begin();

        // The grid: q whole rows of W, then r bytes; column c is the plain run from colStart(c).
        const int64_t q = n / W, r = n % W;
        const auto colStart = [&](int64_t c) { return c * q + std::min(c, r); };
        const int64_t rowsPerBand = std::max<int64_t>(1, kBandBytes / W);
        const int64_t bandBytes = std::min(rowsPerBand, std::max<int64_t>(q, 1)) * W;
        std::vector<uint8_t> file(size_t(bandBytes) + 8); // 3 pending bytes, then a band
        ChainedOutput chained(sink, int64_t(file.size()));
        // Hands on the sliced bytes of places from .. from + count − 1, made at file[pending].
        const auto pass = [&](int64_t from, int64_t count) {
            uint8_t* made = file.data() + chained.pending();
            for (; nextLanding != landing.end() && nextLanding->first < from + count; ++nextLanding)
                m_slicedRead.set(nextLanding->second, made[nextLanding->first - from] ^ key);
            return chained.pass(file.data(), count);
        };

        file[0] = key;
        file[1] = uint8_t(W) ^ key;
        if (!chained.pass(file.data(), 2))
            return false;
        for (int64_t row = 0; row < q; row += rowsPerBand) {
            const int64_t rows = std::min(rowsPerBand, q - row);
            for (int64_t c = 0; c < W; ++c)
                list.read(colStart(c) + row, plain.data() + c * rows, rows);
            slicegrid::toStored(plain.data(), file.data() + chained.pending(), rows * W, int32_t(W), key);
            if (!pass(row * W, rows * W))
                return false;
        }
        // The last, short row: the last byte of each of the first r columns.
        for (int64_t c = 0; c < r; ++c) {
            list.read(colStart(c) + q, file.data() + chained.pending() + c, 1);
            file[size_t(chained.pending() + c)] ^= key;
        }
        if ((r > 0 && !pass(q * W, r)) || !chained.finish(file.data()))
            return false;
    } catch (const std::bad_alloc&) {
        throw EFrameworkError(stock::memoryStreamError());
    }
    list.setMembersAtTheirEnds();
    return true;
}

} // namespace dw
