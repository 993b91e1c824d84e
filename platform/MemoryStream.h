#pragma once

#include "Stream.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace dw {

// Leaves the bytes a resize adds as they are: a block about to be filled whole is not cleared
// first (TMemoryStream::SetSizeForOverwrite).
template <class T> struct UninitializedAllocator : std::allocator<T> {
    template <class U> struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <class U> UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// A memory stream's block of bytes.
using ByteBlock = std::vector<uint8_t, UninitializedAllocator<uint8_t>>;
// A block that no one changes any more, shared by whoever holds it (a memory stream, the undo
// history, the recovery copy).
using SharedBytes = std::shared_ptr<const ByteBlock>;

// A byte stream over one growable block of memory that callers may address directly.
// Seek does not clamp: a position past the end reads nothing and a write there grows the
// block (the gap is zero-filled); Seek from the end is size + offset.
class TMemoryStream : public TStream {
public:
    // The largest block a memory stream holds; every length in the program's file layouts is
    // a 32-bit signed number. Growing past it, or running out of memory while growing, raises
    // EFrameworkError with the framework's memory message.
    static constexpr int64_t kMaxSize = 0x7FFFFFFF;

    TMemoryStream() = default;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    // Resizes the block; new bytes are zero. The position is kept unless it lies past the new
    // end, in which case it moves to the end.
    void SetSize(int64_t newSize) override;
    // The same without clearing the new bytes, for a caller that writes every one of them before
    // anything reads the stream (a block about to be filled whole).
    void SetSizeForOverwrite(int64_t newSize);

    // Empties the stream (size and position 0).
    void Clear();
    // Replaces the content by the bytes of a file (framework errors as TFileStream raises them).
    void LoadFromFile(const QString& path);
    // Writes the whole content to a file, creating or replacing it.
    void SaveToFile(const QString& path);
    // Replaces the content by the whole of another stream, read from its first byte.
    void LoadFromStream(TStream& source);

    // Writable access counts as a change: whoever asks for it may write through it. A shared
    // block is copied first (copy on write); read through the constant Memory() to spare that.
    uint8_t* Memory()
    {
        own();
        m_stamp.renew();
        return m_data.data();
    }
    const uint8_t* Memory() const { return m_shared ? m_shared->data() : m_data.data(); }

    // The bytes as a block shared with the caller, without a copy: the stream reads from that
    // block from then on, until it is next changed, when it takes a copy of its own (the block
    // stays as it is for everyone else). The change stamp stays: the bytes are the same.
    SharedBytes share();
    // Holds `bytes` (shared, not copied) as its content from now on, position 0; a new stamp.
    // Null holds nothing.
    void adopt(SharedBytes bytes);
    // Whether the content is a shared block, and which.
    const SharedBytes& sharedBlock() const { return m_shared; }
    // A number that changes whenever the content may have changed, and is never given to any
    // other content: a stream that shows the same stamp as before holds the same bytes. A stream
    // moved to takes the stamp with the bytes; the one moved from gets a fresh one.
    uint64_t changeStamp() const { return m_stamp.value; }
    int64_t size() const { return static_cast<int64_t>(m_shared ? m_shared->size() : m_data.size()); }
    int64_t position() const { return m_position; }

private:
    void resizeBlock(int64_t newSize, bool clear = true);
    // Takes a copy of a shared block as the stream's own, to be changed.
    void own();

    struct Stamp {
        uint64_t value = next();
        Stamp() = default;
        Stamp(Stamp&& other) noexcept : value(other.value) { other.renew(); }
        Stamp& operator=(Stamp&& other) noexcept
        {
            value = other.value;
            other.renew();
            return *this;
        }
        void renew() { value = next(); }
        static uint64_t next();
    };

    ByteBlock m_data;      // the content, unless it is shared
    SharedBytes m_shared; // the content while it is shared
    int64_t m_position = 0;
    Stamp m_stamp;
};

} // namespace dw
