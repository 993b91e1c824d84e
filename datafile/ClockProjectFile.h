#pragma once

// A saved custom data file read back as the project it was saved from: the picture files byte
// for byte, the shape, the header's settings, the author text and the slot records. Everything
// is read and checked here, before the editor replaces anything, so that a damaged file leaves
// the project as it was.

#include "DataFileHeader.h"
#include "PictureBytes.h"
#include "platform/CabinetReader.h"
#include "platform/Region.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace dw {

struct ClockProjectFile {
    // The dial's, the hour, minute and second hands' file bytes; empty for a built-in picture.
    std::array<PictureBytes, 4> pictures;
    TRegion shape; // empty: no shape
    DataFileHeader header;
    QString author; // lines separated by "\n"
    // The slot records by slot number − 1 (second, minute, hour, zero-hour sound; minute, hour,
    // zero-hour animation), unchanged; empty for a slot the file has no record for.
    std::array<std::vector<uint8_t>, 7> slotRecords;
};

struct ClockProjectReading {
    std::optional<ClockProjectFile> project;
    // Why the file cannot be opened, in Japanese for the user; empty when it can.
    QString problem;
};

// Reads the bytes of a saved file: the plain file image or a cabinet holding it as its one
// member "DATA". Pictures are taken as they are, decodable or not (the editor keeps pictures it
// cannot show). A member over its limit (DataFileLimits.h) refuses the file before it is held.
// extractLimit bounds the bytes taken out of a cabinet (CabinetReader::kMaxExtractBytes).
ClockProjectReading readClockProjectFile(const uint8_t* bytes, int64_t size,
                                         int64_t extractLimit = CabinetReader::kMaxExtractBytes);

// The same for the file at path, read as it is needed (openDataFile): the project's members are
// all that is held of it. Raises EFrameworkError ("ファイル %s を開けません", the read error) when
// the file cannot be opened or read.
ClockProjectReading readClockProjectFile(const QString& path);

} // namespace dw
