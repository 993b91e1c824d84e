#include "StreamList.h"

#include "ReaderSeek.h"
#include "SliceGrid.h"

#include <algorithm>

namespace dw {

TSliceStreamReader::TSliceStreamReader(TMemoryStream& source) : FSource(&source)
{
    if (source.size() < 3)
        return;
    const uint8_t* bytes = source.Memory();
    FKey = bytes[0];
    FSlices = bytes[1] ^ bytes[0];
    // A slice count of 0 has no grid; the source is rejected and reads as empty.
    if (FSlices != 0)
        FSize = static_cast<int32_t>(source.size() - 2);
}

int64_t TSliceStreamReader::Read(void* buffer, int64_t count)
{
    if (int64_t(FPos) + count > FSize)
        count = int64_t(FSize) - FPos;
    if (count <= 0)
        return 0;
    // The grid is that of the source at creation; a source that has changed its size since
    // would put it out of bounds.
    if (FSource->size() != int64_t(FSize) + 2)
        return 0;
    slicegrid::toPlain(FSource->Memory() + 2, static_cast<uint8_t*>(buffer), FSize, FSlices, FKey, FPos, count);
    FPos = static_cast<int32_t>(std::min<int64_t>(int64_t(FPos) + count, FSize));
    return count;
}

int64_t TSliceStreamReader::Write(const void*, int64_t) { return 0; }

int64_t TSliceStreamReader::Seek(int64_t offset, int origin)
{
    FPos = readerSeekTarget(FPos, FSize, offset, origin);
    return FPos;
}

} // namespace dw
