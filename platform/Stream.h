#pragma once

#include <cstdint>

namespace dw {

// Seek origins of every byte stream.
enum SeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// The abstract byte stream. Read, Write and Seek are the primitives; Position and Size are
// derived from Seek, so a stream that only implements those three behaves consistently.
// Counts and positions are 64-bit here; streams with narrower state clamp on their side.
class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to count bytes into buffer; returns the number read (0 at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes up to count bytes from buffer; returns the number written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves the position (origin: soBeginning, soCurrent, soEnd) and returns the new one.
    virtual int64_t Seek(int64_t offset, int origin) = 0;
    // Changes the size; the base stream has no size of its own and ignores the call.
    virtual void SetSize(int64_t newSize);

    int64_t Position();
    void SetPosition(int64_t position);
    // Seeks to the end and back, as the framework's stream does.
    int64_t Size();

    // Like Read and Write, but anything short raises EFrameworkError with the framework's
    // stock message ("ストリームの読み込みエラー" / "ストリームへの書き込みエラー").
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);

    // Copies count bytes from source's current position; count 0 copies the whole source
    // from its first byte. Returns the number of bytes copied; a short source raises the
    // read error.
    int64_t CopyFrom(TStream& source, int64_t count);

    // 32-bit little-endian helpers used by every file layout of the program.
    void WriteInt32(int32_t value);
    int32_t ReadInt32();

protected:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    TStream(TStream&&) = default;
    TStream& operator=(TStream&&) = default;
};

} // namespace dw
