#pragma once

// The per-byte forms of slicing and unslicing, written straight from the mapping, as the
// reference the grid walk of the stream-list unit is checked against; and small builders.

#include "datafile/StreamList.h"

#include "platform/ByteOrder.h"
#include "platform/MemoryStream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

namespace dw::test {

using Bytes = std::vector<uint8_t>;

inline Bytes slicePerByte(const Bytes& plain, uint8_t key, uint8_t slices)
{
    const int32_t n = static_cast<int32_t>(plain.size());
    Bytes out(plain.size() + 2);
    out[0] = key;
    out[1] = slices ^ key;
    for (int32_t i = 0; i < n; ++i)
        out[2 + FlatToSlicedPos(i, n, slices)] = plain[i] ^ key;
    return out;
}

// Plain bytes from .. from + count − 1 of a sliced buffer (slice count ≥ 1).
inline Bytes unslicePerByte(const Bytes& sliced, int32_t from, int32_t count)
{
    const int32_t n = static_cast<int32_t>(sliced.size()) - 2;
    const uint8_t key = sliced[0], slices = sliced[1] ^ sliced[0];
    Bytes out(count);
    for (int32_t k = 0; k < count; ++k)
        out[k] = sliced[2 + FlatToSlicedPos(from + k, n, slices)] ^ key;
    return out;
}

inline Bytes randomBytes(size_t n, std::mt19937& rng)
{
    Bytes b(n);
    for (auto& x : b)
        x = static_cast<uint8_t>(rng());
    return b;
}

// Little-endian 32-bit words as bytes, for stream lists written out by hand.
inline Bytes words(std::initializer_list<int64_t> values)
{
    Bytes b;
    for (int64_t v : values) {
        b.resize(b.size() + 4);
        writeLE32(b.data() + b.size() - 4, static_cast<uint32_t>(v));
    }
    return b;
}

inline void append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

inline void load(TMemoryStream& s, const Bytes& bytes)
{
    s.Clear();
    if (!bytes.empty())
        s.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    s.SetPosition(0);
}

inline Bytes contents(const TMemoryStream& s) { return Bytes(s.Memory(), s.Memory() + s.size()); }

// The stream list of the given members, written into a fresh memory stream.
inline Bytes listOf(const std::vector<Bytes>& members)
{
    std::vector<std::unique_ptr<TMemoryStream>> streams;
    std::vector<TStream*> list;
    for (const Bytes& m : members) {
        streams.push_back(std::make_unique<TMemoryStream>());
        load(*streams.back(), m);
        list.push_back(streams.back().get());
    }
    TMemoryStream target;
    WriteStreamList(target, list);
    return contents(target);
}

// Everything a stream can still give from its position.
inline Bytes readRest(TStream& s)
{
    Bytes out;
    uint8_t chunk[4096];
    for (int64_t got; (got = s.Read(chunk, sizeof chunk)) > 0;)
        out.insert(out.end(), chunk, chunk + got);
    return out;
}

// A stream of a given size that holds no memory: every byte reads as 0, writes are taken and
// dropped. Stands in for members and sources too big to allocate in a test.
class VirtualStream : public TStream {
public:
    explicit VirtualStream(int64_t size) : m_size(size) {}
    int64_t Read(void* buffer, int64_t count) override
    {
        const int64_t n = std::max<int64_t>(0, std::min(count, m_size - m_pos));
        std::memset(buffer, 0, static_cast<size_t>(n));
        m_pos += n;
        return n;
    }
    int64_t Write(const void*, int64_t count) override
    {
        m_pos += count;
        m_size = std::max(m_size, m_pos);
        return count;
    }
    int64_t Seek(int64_t offset, int origin) override
    {
        m_pos = origin == soBeginning ? offset : origin == soCurrent ? m_pos + offset : m_size + offset;
        return m_pos;
    }

private:
    int64_t m_size;
    int64_t m_pos = 0;
};

} // namespace dw::test
