#pragma once

// Opening a saved custom data file for reading: as it is, or as the cabinet that holds it.

#include "FileImage.h"
#include "FileImageReader.h"

#include "platform/CabinetReader.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace dw {

struct OpenedDataFile {
    // Why the bytes cannot be read as a custom data file at all, in one line; empty when they
    // can. When set, only the cabinet fields may hold anything.
    QString unreadable;

    bool cabinet = false;                          // the file is a cabinet
    std::vector<CabinetReader::Member> cabinetMembers;
    int cabinetFolders = 0;
    int dataMember = -1;                           // the cabinet member that was read
    int64_t fileSize = 0;                          // bytes of the file itself
    int64_t imageSize = 0;                         // bytes of the file image (the member's)

    FileImageContents image;                       // the members; sound when readable
    // The member whose size (or, for the header text, its number of lines) refused the file
    // (DataFileLimits.h); -1 when none did.
    int refusedMember = -1;
    bool readable() const { return unreadable.isEmpty(); }
};

// Reads a file's bytes. A cabinet (signature "MSCF") is opened and its member "DATA" read as
// the file image; a cabinet without that member but with exactly one member has that one read
// (the checker reports the name). Any other file is taken as a file image. A file image that
// does not read soundly (see readFileImage) is unreadable, with its first problem as reason, and
// so is one with a member over its limit (DataFileLimits.h), refused before that member is held.
// The image is read as it is decompressed, never held whole besides its members
// (FileImageReader.h). extractLimit bounds the bytes taken out of a cabinet (see
// CabinetReader::extract).
OpenedDataFile openDataFile(const uint8_t* bytes, int64_t size,
                            int64_t extractLimit = CabinetReader::kMaxExtractBytes);
OpenedDataFile openDataFile(const std::vector<uint8_t>& bytes);

// The same for the file at path, read as it is needed: a plain file image a block at a time, a
// cabinet its header, its tables and the member's blocks one at a time, so that no file is ever
// held beside its members. Raises EFrameworkError as TFileStream does when the file cannot be
// opened or a plain file cannot be read. With a holding, an image of more than
// FileImageReader::kWholeImageBytes holds of each member what it says (image.statedSizes).
OpenedDataFile openDataFile(const QString& path, int64_t extractLimit = CabinetReader::kMaxExtractBytes,
                            const MemberHolding& holding = {});

// The leading bytes of a picture member that hold everything but its rows: its headers and colour
// table (TDib::kMaxHeadersSize), with room to spare.
constexpr int64_t kPictureHeadBytes = 64 * 1024;
// Pictures (members 0 to 3) of more than wholeBytes held as their first kPictureHeadBytes, every
// other member whole: for readers that look at a picture's headers only.
MemberHolding picturesHeldUpTo(int64_t wholeBytes);

} // namespace dw
