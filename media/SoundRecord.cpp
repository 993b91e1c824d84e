#include "SoundRecord.h"

#include <cstring>

namespace dw {

void writeEmbeddedSound(TMemoryStream& record, int32_t slot, const uint8_t* wave, int64_t count)
{
    // Sized once up front, so that a file too large for a record fails before the old record
    // is touched.
    record.SetSize(kSlotHeaderSize + count);
    record.SetPosition(0);
    record.WriteInt32(slot);
    record.WriteInt32(skWaveData);
    record.WriteBuffer(wave, count);
}

void writeNamedSound(TMemoryStream& record, int32_t slot, const std::string& ansiName)
{
    record.Clear();
    if (ansiName.empty())
        return;
    record.WriteInt32(slot);
    record.WriteInt32(skFileName);
    record.WriteBuffer(ansiName.data(), int64_t(ansiName.size()));
    const char nul = 0;
    record.WriteBuffer(&nul, 1);
}

std::optional<std::string> recordedSoundName(const TMemoryStream& record)
{
    if (record.size() <= kSlotHeaderSize || recordKind(record) != skFileName)
        return std::nullopt;
    const auto* name = reinterpret_cast<const char*>(record.Memory() + kSlotHeaderSize);
    const auto available = size_t(record.size() - kSlotHeaderSize);
    const void* nul = std::memchr(name, 0, available);
    return std::string(name, nul ? size_t(static_cast<const char*>(nul) - name) : available);
}

SoundItemStates soundItemStates(const TMemoryStream& record)
{
    // Test Play is offered for every record with a kind: a name, wave bytes, or the header
    // alone that an empty wave file leaves (which plays nothing).
    return {record.size() > 0, record.size() >= kSlotHeaderSize};
}

} // namespace dw
