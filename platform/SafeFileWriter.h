#pragma once

#include <QString>

#include <cstdint>

namespace dw {

// Writes a whole file image to path, creating the file or replacing it, so that a failure leaves
// what was at path before byte for byte as it was: the bytes go to a new hidden file beside the
// target, are forced to the disk, and only then is that file renamed over the target.
//
// A new file gets the usual mode (0666 less the umask); a replaced file keeps its mode (and, where
// the process may, its owner). A symbolic link at path is followed: the file it points to is
// replaced, the link stays. A replaced file's other hard links keep the old contents.
//
// Raises EFrameworkError with the framework's stock text: "ファイル %s を作成できません" with
// path when the file cannot be made there (folder missing or not writable, path is a folder),
// "ストリームへの書き込みエラー" when the bytes cannot all be written (disk full, any write
// error). No temporary file is left behind in either case.
void writeFileAtomically(const QString& path, const void* data, int64_t size);

} // namespace dw
