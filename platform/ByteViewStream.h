#pragma once

// A read-only stream over bytes that someone else holds, for readers that take a stream (the
// engine's bitmap decoder) when the bytes are in memory already: nothing is copied.

#include "Stream.h"

#include <cstdint>

namespace dw {

// Reads and seeks as TMemoryStream does (a position past the end reads nothing; Seek from the
// end is size + offset); writing writes nothing, and SetSize changes nothing. The bytes must
// outlive the stream and stay unchanged while it reads them.
class ByteViewStream final : public TStream {
public:
    ByteViewStream(const uint8_t* bytes, int64_t size) : m_bytes(bytes), m_size(size < 0 ? 0 : size) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;

    // The bytes read, for a reader that takes them straight from memory.
    const uint8_t* bytes() const { return m_bytes; }

private:
    const uint8_t* m_bytes;
    int64_t m_size;
    int64_t m_position = 0;
};

} // namespace dw
