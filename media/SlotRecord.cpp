#include "SlotRecord.h"

#include "platform/ByteOrder.h"

namespace dw {

void writeSilentRecord(TMemoryStream& record, int32_t slot)
{
    record.Clear();
    record.WriteInt32(slot);
}

std::optional<int32_t> recordKind(const TMemoryStream& record)
{
    if (record.size() < kSlotHeaderSize)
        return std::nullopt;
    return readLE32s(record.Memory() + 4);
}

} // namespace dw
