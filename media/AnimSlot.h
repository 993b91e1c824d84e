#pragma once

// The animation slot records of the clock project (slots 5 minute, 6 hour, 7 zero hour):
//
//   bytes 0-3 slot number, 4-7 kind (1 file name, 2 embedded strip), 8-27 TAnimParam,
//   28- payload: kind 1 the file name in ANSI and a NUL, kind 2 a complete bitmap file.
//
// An empty record is unset, a 4-byte record (the slot number alone) is "none". Readers take a
// kind below 2 for a file name and a kind above 2 for a bad record.

#include "AnimParam.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace dw {

class TBitmap;
class TMemoryStream;

constexpr int64_t kAnimRecordHeaderSize = pdl::kAnimationHeaderSize; // 28

// What one record holds, as far as its bytes go. Points into the viewed bytes.
struct AnimRecordView {
    int64_t size = 0;
    int32_t slot = 0;
    int32_t kind = 0;
    // Parameters and payload exist only in a record longer than its 28-byte header; a shorter
    // record has none and commands then use kDefaultAnimParam.
    bool hasData = false;
    TAnimParam param = kDefaultAnimParam;
    const uint8_t* payload = nullptr;
    int64_t payloadSize = 0;

    bool byFileName() const { return kind < pdl::kAnimationEmbedded; }
    bool badKind() const { return kind > pdl::kAnimationEmbedded; }
};
AnimRecordView viewAnimRecord(const uint8_t* bytes, int64_t size);
AnimRecordView viewAnimRecord(const TMemoryStream& record);

// The enabled state of a slot's menu items that follows its record: No Data exactly when the
// record is not empty, Parameters and Test Play exactly when it is longer than 28 bytes.
struct AnimSlotItems {
    bool noData = false;
    bool params = false;
    bool play = false;
};
AnimSlotItems animSlotItems(int64_t recordSize);

// The recorded file name (kind below 2): the payload up to its NUL, or to the end when there is
// none. Empty for a record without data or of another kind.
QByteArray animRecordAnsiName(const AnimRecordView& view);
// The name as text, for the file system and for messages.
QString animRecordName(const AnimRecordView& view);

// The records as the commands make them; each replaces the whole content (a record set to none
// is SlotRecord.h's writeSilentRecord).
// slot, kind 1, the parameters, the name and a NUL.
void makeNamedAnimRecord(TMemoryStream& record, int32_t slot, const TAnimParam& param, const QByteArray& ansiName);
// slot, kind 2, the parameters and the strip as a bitmap file.
void makeEmbeddedAnimRecord(TMemoryStream& record, int32_t slot, const TAnimParam& param, const TBitmap& strip);
// Overwrites bytes 8 to 27 only; a record of 28 bytes or fewer is left alone (returns false).
bool setAnimRecordParam(TMemoryStream& record, const TAnimParam& param);

// Loading the strip a record stands for.
enum class AnimStripStatus {
    Loaded,      // strip holds the picture
    NoData,      // the record is 28 bytes or shorter
    FileMissing, // kind below 2 and no file of the recorded name
    BadKind,     // kind above 2
};
// Loads the embedded bitmap (kind 2) or the named file (kind below 2, found as findRecordedFile
// finds it in the given folders) into strip. A payload or a file that is not a bitmap the
// framework reads raises EFrameworkError (its stock text) with the strip unchanged; the size
// limits of TBitmap bound what a hostile header can make it allocate.
AnimStripStatus loadAnimStrip(const AnimRecordView& view, TBitmap& strip, const QStringList& folders);
// As above, for an embedded strip only: a named file is never looked for (FileMissing).
AnimStripStatus loadEmbeddedAnimStrip(const AnimRecordView& view, TBitmap& strip);

} // namespace dw
