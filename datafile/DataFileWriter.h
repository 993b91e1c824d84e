#pragma once

// Building and writing the custom data file: the project's members laid out as a stream list,
// sliced, read back twice to check the member count and the picture sizes, word-chained, and
// written as a whole.

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

// For tests: called after slicing and before the two checks, with the plain stream list and
// the sliced buffer (both still unchained), so that a test can make them disagree with the
// project the way a fault in the stream-list routines would.
using BeforeChecksHook = std::function<void(TMemoryStream& plainList, TMemoryStream& sliced)>;

// The file image of the project: the word-chained sliced stream list, position 0; the caller
// owns it. Each failed check shows its "ERROR: " (sliced buffer) or "ERROR_2: " (plain list)
// message through seam::showMessage, and the image is built all the same.
//
// Memory: besides the project, the plain stream list and the sliced buffer (each about the
// project's size) exist at once; the plain list is freed before this returns. A project beyond
// what a memory stream holds (2 GiB − 1 bytes in all), or a shortage of memory, raises
// EFrameworkError with the framework's memory message.
std::unique_ptr<TMemoryStream> buildFileImage(DataFileProject& project, const BeforeChecksHook& hook = {});

// Builds the file image and writes it to path, creating the file or replacing it. The write goes
// through writeFileAtomically: a failed save leaves a file that was at path byte for byte as it
// was and raises EFrameworkError with the framework's text ("ファイル %s を作成できません",
// "ストリームへの書き込みエラー").
void writeDataFile(const QString& path, DataFileProject& project, const BeforeChecksHook& hook = {});

} // namespace dw
