#pragma once

// Every rule of the custom data file's layout as a check: each returns one English line per
// broken rule, an empty list when the bytes keep them all. Used by the companion tool's verify
// command and by the tests.
//
// The rules, member by member:
//   the file image reads soundly (see readFileImage) and holds 7 to 14 members;
//   0-3  each empty, or a bitmap file the program reads: "BM", an info header of 40 to 124 bytes,
//        planes 1, a supported bit count and compression, and the stated sizes (file size, pixel
//        offset, rows) inside the member;
//   4    region data: header size 32, type 1, the member exactly 32 + 16 × count bytes, the size
//        field 16 × count, the bounding box that of the rectangles (all zero when there are none),
//        every rectangle non-empty and inside the platform's coordinate range, in bands (equal top
//        and bottom within a band, bands one below the other), ordered by top and then by left,
//        none overlapping another;
//   5    CP932 text without NUL, every line ended by CR LF, the keys in their fixed order:
//        "Title=" (optional, not empty), HPX HPY MPX MPY SPX SPY HCX HCY MCX MCY SCX SCY with
//        32-bit decimal integers, TLH TE CHS CHA (optional, 1 or 2), "ExtrudeHand=1" (optional),
//        "CopyRight=", "Date=yyyy/mm/dd h:mm:ss", and nothing else;
//   6    CP932 text without NUL whose line breaks are CR LF;
//   7..  slot records, told apart by their first word: slot numbers strictly in the order
//        7 6 5 4 3 2 1, each in one of its forms (see DataFileLayout.h): a sound is 4 bytes,
//        kind 0 with a name and exactly one NUL at its end, or kind 1 with any wave bytes; an
//        animation is 4 bytes, kind 1 with parameters, a name and one NUL, or kind 2 with
//        parameters and a bitmap file; parameters within the dialog's ranges (1 to 100 rows and
//        columns, 50 to 1000 ms per frame); names CP932 text.
// A cabinet holds exactly one member, "DATA", in one MSZIP folder, and that member is a file
// image keeping the rules above.

#include "DataFileSource.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace dw {

struct DataFileCheck {
    // Why the file cannot be read at all (one line); then no rule below was checked.
    QString unreadable;
    // One line per broken rule of a readable file.
    QStringList violations;
    bool passed() const { return unreadable.isEmpty() && violations.isEmpty(); }
};

// Checks a whole file: a cabinet or a plain file image.
DataFileCheck checkDataFile(const uint8_t* bytes, int64_t size);
DataFileCheck checkDataFile(const OpenedDataFile& file);

// The member rules for a readable file image's members, each line starting with
// "member <index> (<meaning>): ". statedSizes: as FileImageContents has them (a picture member
// may then hold only its first bytes, which is all its check reads).
QStringList checkMembers(const std::vector<std::vector<uint8_t>>& members, const std::vector<int64_t>& statedSizes = {});

// The single checks, without the member prefix. At most kMaxLinesPerCheck lines each, then one
// line saying how many more there were.
constexpr int kMaxLinesPerCheck = 20;
// A bitmap file's check reads its headers only: its first min(size, TDib::kMaxHeadersSize) bytes.
QStringList checkBitmapFile(const uint8_t* bytes, int64_t size);
QStringList checkRegionData(const uint8_t* bytes, int64_t size);
QStringList checkHeaderText(const uint8_t* bytes, int64_t size);
QStringList checkAuthorText(const uint8_t* bytes, int64_t size);
// The form of one slot record (its order among the others is checkMembers' concern).
QStringList checkSlotRecord(const uint8_t* bytes, int64_t size);

} // namespace dw
