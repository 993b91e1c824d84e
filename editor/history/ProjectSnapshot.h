#pragma once

// The clock project as one value: everything the main window holds of it, in fields and in its
// controls. Taken after every step of the user's, it is what undo and redo move between and what
// the recovery copy writes out. The picture files and the slot records are shared, not copied,
// between snapshots whose bytes are the same, and with the project's streams themselves (a stream
// reads from the block its snapshot holds until it is changed): a step that changes the title of
// a project with a 16 MiB dial costs bytes, and a picture's bytes are held once.

#include "platform/MemoryStream.h"
#include "platform/Region.h"

#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace dw {


struct ProjectSnapshot {
    std::array<SharedBytes, 4> pictures; // the dial's, hour, minute and second hand's file bytes
    std::array<SharedBytes, 7> records;  // the slot records by slot number − 1
    std::array<QPoint, 3> centres;       // hour, minute, second
    std::array<QPoint, 3> pivots;
    TRegion shape; // empty: no shape
    QString title;
    QString author;
    std::array<int, 4> options{}; // per load-time group: 0 Default, 1 Yes, 2 No, −1 none checked
    bool extrudeHand = false;
    int cornerWidth = 20; // the shape's track bars
    int cornerHeight = 20;
    // New's item, put back with the snapshot. It follows the modified flag rather than the
    // project (any change enables it), so it is not compared: an undo that enables it again,
    // as the flag after the undo may, is no change of the project.
    bool newEnabled = false;
    std::array<bool, 3> paramsEnabled{}; // the Parameters items, which New leaves as they were
    std::array<QString, 7> slotFileNames; // what each slot's embedded file was loaded from
    // The file each picture was taken from in this run, followed on the disk: the dial, the hour,
    // minute and second hand, the mask, the minute, hour and zero-hour strip (as LinkedPicture
    // numbers them); empty for none.
    std::array<QString, 8> linkedFiles;

    // Every part the same but New's item (bytes compared where they are not shared).
    bool sameAs(const ProjectSnapshot& other) const;
    // The bytes of the pictures and slot records.
    int64_t byteSize() const;
};

// What a stream was last seen to hold: its change stamp then, and those bytes. While the stamp
// stays the same the stream is known to hold them, without comparing a byte.
struct KnownBytes {
    uint64_t stamp = 0; // no stream has stamp 0
    SharedBytes bytes;
};

// The stream's bytes: the known ones while its stamp is unchanged, else `previous` when they are
// the same (the stream then reads from that block too, its own copy let go), else the stream's
// own block, shared (TMemoryStream::share, no copy). `known` is brought up to date.
SharedBytes shareBytes(TMemoryStream& stream, const SharedBytes& previous, KnownBytes& known);
bool sameBytes(const SharedBytes& a, const SharedBytes& b);
// Makes the bytes the stream's content (shared, not copied; position 0); returns whether they
// differed from what it held. `known` is brought up to date.
bool putBytes(TMemoryStream& stream, const SharedBytes& bytes, KnownBytes& known);

} // namespace dw
