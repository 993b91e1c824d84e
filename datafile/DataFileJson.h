#pragma once

// A description of a saved custom data file for scripts: what `pdltool info --json` prints. One
// JSON object whose fields (documented in pdltool(1)) stay as they are for scripts that read
// them; a change that would break a reader raises "schema".
//
//   schema       1
//   fileBytes    the file's size
//   compression  {"cabinet": false} or {"cabinet": true, "method": "MSZIP" (or "stored",
//                "Quantum", "LZX"), "member": the cabinet member read, "cabinetMembers": count,
//                "imageBytes": the member's size}
//   memberCount  the member count the stream list states
//   members      [{"index", "role", "bytes", "holds": {...}}] in list order; holds "type":
//                "builtIn" | "bitmap" (width, height, bitsPerPixel) | "region" (rectangles,
//                bounds [left, top, right, bottom] when there are any) | "text" (lines) |
//                "slotRecord" (slot) | "unreadable" (problem)
//   header       [{"key", "value"}] the header text's lines in file order ("value" null for a
//                line without "=")
//   title        the header's Title, null when it has none
//   author       the author text, with LF line breaks
//   slots        seven objects, slots 1 to 7: "slot", "event", "member" (null when unset),
//                "state" ("noData", "silent", "byFileName", "embedded", "invalid"), "kind"
//                (null when the record has none), "problem" (for "invalid", and for a name
//                without its NUL), "fileName", "animation" {offsetX, offsetY, rows, columns,
//                frameTime}, "sound" {bytes, playable, format, channels, sampleRate,
//                bitsPerSample, seconds, problem}, "strip" {bytes, width, height, bitsPerPixel,
//                frameWidth, frameHeight, frames, problem} as the state has them
//
// Texts are Unicode, decoded from the file's CP932; JSON escapes every control character.

#include "DataFileSource.h"

#include <QJsonObject>
#include <QStringList>

namespace dw {

// The object for a readable file (file.readable()); readerMessages are the reader's notes.
QJsonObject describeDataFileJson(const OpenedDataFile& file, const QStringList& readerMessages);

} // namespace dw
