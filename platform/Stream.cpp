#include "Stream.h"

#include "FrameworkError.h"

#include <algorithm>
#include <vector>

namespace dw {

void TStream::SetSize(int64_t) {}

int64_t TStream::Position() { return Seek(0, soCurrent); }

void TStream::SetPosition(int64_t position) { Seek(position, soBeginning); }

int64_t TStream::Size()
{
    const int64_t pos = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EFrameworkError(stock::readError());
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EFrameworkError(stock::writeError());
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int64_t chunk = 1 << 16;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, chunk)));
    int64_t left = count;
    while (left > 0) {
        const int64_t n = std::min(left, chunk);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

void TStream::WriteInt32(int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    WriteBuffer(bytes, 4);
}

int32_t TStream::ReadInt32()
{
    uint8_t b[4];
    ReadBuffer(b, 4);
    return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16
                                | uint32_t(b[3]) << 24);
}

} // namespace dw
