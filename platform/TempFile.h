#pragma once

#include <QString>

namespace dw {

// Temporary files as the program's save and packing steps use them.

// The folder for temporary files: $TMPDIR when it is set and not empty, else /tmp; always
// absolute and ending in "/". Empty when that folder does not exist (or is not a folder), so
// that the caller can report the failure before it tries to create anything there.
QString tempPath();

// The folder for the program's own temporary files, which no other user may see, make or take
// away: $XDG_RUNTIME_DIR when it is a folder of this user's that no one else may enter (as the
// desktop session makes it), else a folder "dialwright-XXXXXX" made in tempPath() with mode 0700
// (mkdtemp). That folder is made at the first call, made again when it has gone or is no longer
// private, and removed with what is left in it when the program exits. Absolute and ending in
// "/"; empty when there is neither (no temporary folder, or it cannot be written).
QString privateTempPath();

// A temporary file name in folder (with or without a trailing "/"): the first three characters
// of prefix, four upper-case hexadecimal digits of a unique number and ".TMP".
// uniqueNumber 0: the number is chosen here so that the name is free, and the empty file is
// created (mode 0600, only the owner may read what is put there); the caller deletes it.
// Any other uniqueNumber (its low 16 bits): only the name is made, nothing is created or checked.
// Returns the full path, or an empty string when the file cannot be created (folder missing or
// not writable, or every one of the 65,535 names taken).
QString tempFileName(const QString& folder, const QString& prefix, unsigned uniqueNumber = 0);

} // namespace dw
