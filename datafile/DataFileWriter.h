#pragma once

// Building and writing the custom data file: the project's members laid out as a stream list,
// sliced, word-chained and written a piece at a time, then read back twice to check the member
// count and the picture sizes.

#include "FileImagePieces.h"

#include "platform/MemoryStream.h"
#include "platform/Region.h"
#include "platform/Stream.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace dw {

// What is saved. The streams are the project's own (not owned, and not copied): their contents
// are left as they are, only their positions move. A null stream counts as an empty one.
struct DataFileProject {
    // The four pictures' file bytes exactly as loaded; empty for a built-in picture.
    TStream* FBkgStream = nullptr;
    TStream* FHourStream = nullptr;
    TStream* FMinStream = nullptr;
    TStream* FSecStream = nullptr;
    // A copy of the window shape; an empty region means no shape.
    TRegion shape;
    // The header text and the author text, already in the file's ANSI code page (see
    // DataFileTexts.h).
    std::string headerText;
    std::string authorText;
    // The seven slot records in the order they are saved: FZeroAnim, FHourAnim, FMinAnim,
    // FZeroSound, FHourSound, FMinSound, FSecSound. Each is saved only when it holds at least
    // 4 bytes (an unset slot, 0 bytes, is left out).
    std::array<TStream*, 7> slotRecords{};
    // The slicing's key and slice count: drawn from the program's generator (every save of the
    // same project gives other bytes), or taken from a seed derived from the stream list's
    // content, so that the same project always gives the same file (a build from sources).
    bool sliceFromContent = false;
};

// For tests: called once the file's bytes are made and before the two checks, with what the
// checks read of the stream list (its count, offset table and the pictures' size words) as it
// was laid out and as read back from the sliced bytes made, so that a test can make them
// disagree with the project the way a fault in the stream-list routines would.
using BeforeChecksHook = std::function<void(KnownListBytes& plainList, KnownListBytes& sliced)>;

// The file image of the project: the word-chained sliced stream list, position 0; the caller
// owns it. The bytes are made a band of the slicing at a time (FileImagePieces.h) and then read
// back: each failed check shows its "ERROR: " (the sliced bytes) or "ERROR_2: " (the list as it
// was laid out) message through seam::showMessage, and the image is kept all the same.
//
// Memory: besides the project and the image, some 1 MiB of bands. A project beyond what a memory
// stream holds (2 GiB − 1 bytes in all), or a shortage of memory, raises EFrameworkError with the
// framework's memory message. For tests and tools that want the image held; a save writes it.
std::unique_ptr<TMemoryStream> buildFileImage(DataFileProject& project, const BeforeChecksHook& hook = {});

// The file image of the project as buildFileImage makes it, handed to sink a piece at a time in
// order (FileImagePieces.h), the checks made once every piece is handed out; false when the sink
// refused a piece (nothing more is made then, and nothing is checked).
bool makeFileImage(DataFileProject& project, const FileImagePieces::Sink& sink, const BeforeChecksHook& hook = {});

// Makes the file image as buildFileImage does and writes it to path a piece at a time, as it is
// made, creating the file or replacing it: the image is never held whole. The write goes through
// writeFileAtomically: a failed save leaves a file that was at path byte for byte as it was and
// raises EFrameworkError with the framework's text ("ファイル %s を作成できません",
// "ストリームへの書き込みエラー"), or the memory error. The checks speak once every byte is
// written and before the file takes the name.
void writeDataFile(const QString& path, DataFileProject& project, const BeforeChecksHook& hook = {});

} // namespace dw
