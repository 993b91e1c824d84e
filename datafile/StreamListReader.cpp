#include "StreamList.h"

#include "ReaderSeek.h"

#include "platform/ByteOrder.h"
#include "platform/Seam.h"

#include <QString>

#include <algorithm>
#include <limits>

namespace dw {

namespace {
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
}

TStreamListReader::TStreamListReader(TStream& source) : FStream(&source)
{
    const int64_t base = source.Position();
    // Record offsets are 32-bit, so a list that starts beyond them cannot be addressed.
    if (base < 0 || base > kInt32Max)
        return;
    FBase = static_cast<int32_t>(base);
    uint8_t word[4];
    if (source.Read(word, 4) == 4)
        FCount = readLE32s(word);
    if (FCount > 0)
        selectItem(0);
}

void TStreamListReader::SetItemIndex(int32_t i)
{
    if (i < 0 || i >= FCount || i == FIndex)
        return;
    selectItem(i);
}

void TStreamListReader::selectItem(int32_t i)
{
    FIndex = i;
    FItemOffset = GetItemOffset();
    FItemPos = 0;
    // From the offset just read, so that a damaged offset word is reported once per selection.
    FItemSize = sizeOfRecordAt(FItemOffset);
}

int32_t TStreamListReader::GetItemOffset()
{
    const int64_t at = int64_t(FBase) + 4 + 4 * int64_t(FIndex);
    uint8_t word[4];
    if (FStream->Seek(at, soBeginning) != at || FStream->Read(word, 4) != 4) {
        seam::showMessage(QStringLiteral("ERROR: TStreamListReader.GetItemOffset"));
        return kNoRecord;
    }
    const int64_t offset = int64_t(readLE32s(word)) + FBase;
    if (offset < 0 || offset > kInt32Max)
        return kNoRecord;
    return static_cast<int32_t>(offset);
}

int32_t TStreamListReader::GetItemSize() { return sizeOfRecordAt(GetItemOffset()); }

int32_t TStreamListReader::sizeOfRecordAt(int32_t offset)
{
    if (offset < 0)
        return 0;
    const int64_t sourceSize = FStream->Size();
    const int64_t data = int64_t(offset) + 4;
    uint8_t word[4];
    if (data > sourceSize || FStream->Seek(offset, soBeginning) != offset || FStream->Read(word, 4) != 4)
        return 0;
    // The size word is keyed with the record's own position.
    const int32_t size = static_cast<int32_t>(readLE32(word) ^ static_cast<uint32_t>(offset));
    if (size < 0)
        return 0;
    // A size that runs past the end of the source is cut there.
    return static_cast<int32_t>(std::min<int64_t>(size, sourceSize - data));
}

bool TStreamListReader::seekSourceToItemPos()
{
    if (FItemOffset < 0)
        return false;
    const int64_t at = int64_t(FItemOffset) + 4 + FItemPos;
    return FStream->Seek(at, soBeginning) == at;
}

int64_t TStreamListReader::Read(void* buffer, int64_t count)
{
    if (!seekSourceToItemPos())
        return 0;
    if (int64_t(FItemPos) + count > FItemSize)
        count = int64_t(FItemSize) - FItemPos;
    if (count <= 0)
        return 0;
    const int64_t done = std::clamp<int64_t>(FStream->Read(buffer, count), 0, count);
    FItemPos = static_cast<int32_t>(std::min<int64_t>(FItemPos + done, FItemSize));
    return done;
}

int64_t TStreamListReader::Write(const void* buffer, int64_t count)
{
    if (!seekSourceToItemPos())
        return 0;
    if (int64_t(FItemPos) + count > FItemSize)
        count = int64_t(FItemSize) - FItemPos;
    if (count <= 0)
        return 0;
    const int64_t done = std::clamp<int64_t>(FStream->Write(buffer, count), 0, count);
    FItemPos = static_cast<int32_t>(std::min<int64_t>(FItemPos + done, FItemSize));
    return done;
}

int64_t TStreamListReader::Seek(int64_t offset, int origin)
{
    FItemPos = readerSeekTarget(FItemPos, FItemSize, offset, origin);
    return FItemPos;
}

} // namespace dw
