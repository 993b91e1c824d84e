#pragma once

// The byte image of one media slot as its memory stream holds it: a 32-bit slot number (1 second,
// 2 minute, 3 hour, 4 zero-hour sound; 5 minute, 6 hour, 7 zero-hour animation), then a 32-bit
// kind and the kind's payload. An empty record means no data; a record of the slot number alone
// is the explicit choice of no sound or no animation. All integers are little-endian.

#include "platform/MemoryStream.h"

#include <cstdint>
#include <optional>

namespace dw {

enum MediaSlotNumber : int32_t {
    kSecondSoundSlot = 1,
    kMinuteSoundSlot = 2,
    kHourSoundSlot = 3,
    kZeroSoundSlot = 4,
    kMinuteAnimSlot = 5,
    kHourAnimSlot = 6,
    kZeroAnimSlot = 7,
};

constexpr int64_t kSlotHeaderSize = 8; // slot number and kind
constexpr int64_t kSilentRecordSize = 4; // the slot number alone

// The record becomes the slot number alone (4 bytes): silent, or an animation set to none.
void writeSilentRecord(TMemoryStream& record, int32_t slot);

// The record's kind (bytes 4 to 7); nothing when the record is shorter than 8 bytes.
std::optional<int32_t> recordKind(const TMemoryStream& record);

} // namespace dw
