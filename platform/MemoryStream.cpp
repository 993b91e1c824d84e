#include "MemoryStream.h"

#include "FileStream.h"
#include "FrameworkError.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace dw {

namespace {

// Blocks from this size on are backed by large pages where the system offers them. A fresh
// block costs a page fault for every page first written; in 4 KiB pages that was most of the
// time of saving a large project (two 16 MiB blocks: 8192 faults), and a turned picture read
// across its rows missed the address cache on every source row.
constexpr size_t kLargePageBlock = size_t(4) << 20;

void preferLargePages(uint8_t* block, size_t size)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kLargePage - 1) & ~(kLargePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(kLargePage - 1);
    // Only a hint: where large pages are off or unavailable nothing changes.
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

} // namespace

uint64_t TMemoryStream::Stamp::next()
{
    static std::atomic<uint64_t> counter{0};
    return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

void TMemoryStream::own()
{
    if (!m_shared)
        return;
    try {
        ByteBlock copy;
        copy.reserve(m_shared->size());
        if (copy.capacity() >= kLargePageBlock)
            preferLargePages(copy.data(), copy.capacity());
        copy.assign(m_shared->begin(), m_shared->end());
        m_data = std::move(copy);
    } catch (const std::bad_alloc&) {
        throw EFrameworkError(stock::memoryStreamError());
    }
    m_shared.reset();
}

SharedBytes TMemoryStream::share()
{
    if (!m_shared) {
        try {
            m_shared = std::make_shared<const ByteBlock>(std::move(m_data));
        } catch (const std::bad_alloc&) {
            throw EFrameworkError(stock::memoryStreamError());
        }
        m_data = ByteBlock();
    }
    return m_shared;
}

void TMemoryStream::adopt(SharedBytes bytes)
{
    m_stamp.renew();
    m_data = ByteBlock();
    m_shared = bytes && !bytes->empty() ? std::move(bytes) : nullptr;
    m_position = 0;
}

void TMemoryStream::resizeBlock(int64_t newSize, bool clear)
{
    own();
    m_stamp.renew();
    if (newSize < 0 || newSize > kMaxSize)
        throw EFrameworkError(stock::memoryStreamError());
    try {
        // Grow geometrically so that a stream filled by many small writes stays linear.
        if (static_cast<size_t>(newSize) > m_data.capacity()) {
            m_data.reserve(std::max<size_t>(static_cast<size_t>(newSize), m_data.capacity() * 2));
            // Before the new part of the block is first written.
            if (m_data.capacity() >= kLargePageBlock)
                preferLargePages(m_data.data(), m_data.capacity());
        }
        const size_t oldSize = m_data.size();
        m_data.resize(static_cast<size_t>(newSize));
        if (clear && m_data.size() > oldSize)
            std::memset(m_data.data() + oldSize, 0, m_data.size() - oldSize);
    } catch (const std::bad_alloc&) {
        throw EFrameworkError(stock::memoryStreamError());
    } catch (const std::length_error&) {
        throw EFrameworkError(stock::memoryStreamError());
    }
}

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    if (m_position < 0 || count <= 0)
        return 0;
    const int64_t available = size() - m_position;
    if (available <= 0)
        return 0;
    const int64_t n = count < available ? count : available;
    std::memcpy(buffer, std::as_const(*this).Memory() + m_position, static_cast<size_t>(n));
    m_position += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (m_position < 0 || count <= 0)
        return 0;
    if (count > kMaxSize - m_position)
        throw EFrameworkError(stock::memoryStreamError());
    const int64_t end = m_position + count;
    if (end > size()) {
        // Only a gap between the old end and the position needs clearing; the rest is written.
        const int64_t oldSize = size();
        resizeBlock(end, false);
        if (m_position > oldSize)
            std::memset(m_data.data() + oldSize, 0, static_cast<size_t>(m_position - oldSize));
    }
    own();
    m_stamp.renew();
    std::memcpy(m_data.data() + m_position, buffer, static_cast<size_t>(count));
    m_position = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin)
{
    switch (origin) {
    case soBeginning: m_position = offset; break;
    case soCurrent: m_position += offset; break;
    case soEnd: m_position = size() + offset; break;
    default: break;
    }
    return m_position;
}

void TMemoryStream::SetSize(int64_t newSize)
{
    resizeBlock(newSize);
    if (m_position > newSize)
        m_position = newSize;
}

void TMemoryStream::SetSizeForOverwrite(int64_t newSize)
{
    resizeBlock(newSize, false);
    if (m_position > newSize)
        m_position = newSize;
}

void TMemoryStream::Clear()
{
    m_stamp.renew();
    m_shared.reset();
    m_data.clear();
    m_data.shrink_to_fit();
    m_position = 0;
}

void TMemoryStream::LoadFromFile(const QString& path)
{
    TFileStream file(path, TFileStream::fmOpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const QString& path)
{
    TFileStream file(path, TFileStream::fmCreate);
    file.WriteBuffer(std::as_const(*this).Memory(), size());
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    const int64_t count = source.Size();
    SetSize(count);
    m_position = 0;
    m_stamp.renew();
    source.ReadBuffer(m_data.data(), count);
}

} // namespace dw
