#pragma once

// The sound slots' records: slot number, kind 0 and a file name with its NUL, or slot number,
// kind 1 and the bytes of a wave file, unchanged (see SlotRecord.h for the common part).
//
//   state          size               No Data item   Test Play item
//   unset          0                  disabled       disabled
//   silent         4                  enabled        disabled
//   by file name   name length + 9    enabled        enabled
//   embedded       8 + file size      enabled        enabled

#include "SlotRecord.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dw {

enum SoundKind : int32_t { skFileName = 0, skWaveData = 1 };

// The record becomes slot number, kind 1 and the count bytes at wave (none for an empty file).
void writeEmbeddedSound(TMemoryStream& record, int32_t slot, const uint8_t* wave, int64_t count);

// The record becomes slot number, kind 0, the name's bytes (ANSI text) and a NUL; an empty name
// empties the record (the slot becomes unset, not silent).
void writeNamedSound(TMemoryStream& record, int32_t slot, const std::string& ansiName);

// The name a record holds: its bytes after the header up to the first NUL, when the record is
// longer than 8 bytes and of kind 0; nothing otherwise (embedded, silent, unset).
std::optional<std::string> recordedSoundName(const TMemoryStream& record);

// The enabled states of a sound slot's No Data and Test Play items, read from its record.
struct SoundItemStates {
    bool noData = false;
    bool play = false;
    bool operator==(const SoundItemStates&) const = default;
};
SoundItemStates soundItemStates(const TMemoryStream& record);

} // namespace dw
