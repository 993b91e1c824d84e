#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace dw {

// The largest cabinet MakeCabinet writes; the program never splits a cabinet into a set.
constexpr int64_t kMaxCabinetSize = 16777216;

// Packs files into one cabinet at cabinetPath. Each entry of files is "member name|source path";
// only the first "|" splits, and an entry without one names both the member and its source.
// Every entry is tried even after one has failed, so that reason names every failure. The cabinet
// is written only when every entry was added: a failed entry leaves nothing new at cabinetPath.
// A cabinet that cannot be written (larger than kMaxCabinetSize, the folder not writable, …)
// shows "ERROR: FCIFlushCabinet"; so does an empty list, which makes no cabinet. Cabinet file
// names or folders longer than 255 bytes are refused without a message.
//
// Returns true only when every file was added and the cabinet written. reason, when given,
// receives why it failed, one line per failure (English; empty on success).
bool MakeCabinet(const QString& cabinetPath, const QStringList& files, QString* reason = nullptr);

} // namespace dw
