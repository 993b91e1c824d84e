#pragma once

// The recovery copy's bytes: a project snapshot written out whole, with the file name it was
// last saved to. The pictures, the shape's region data and the slot records are the members a
// save writes, byte for byte; the texts, holes, options and the controls' state, which a saved
// file does not hold exactly (or at all), go in a short text part before them:
//
//   "DialwrightRecovery 1\n", then key=value lines (values percent-encoded UTF-8), a blank line,
//   then each member as an 8-byte little-endian length and its bytes (dial, hour, minute and
//   second hand, the seven slot records, the shape), then "END\n".

#include "editor/history/ProjectSnapshot.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace dw {

struct RecoveredProject {
    ProjectSnapshot snapshot;
    QString savedPath; // the file the project was last saved to or opened from; empty for none
};

QByteArray writeRecoveryCopy(const ProjectSnapshot& snapshot, const QString& savedPath);
// Nothing when the bytes are not a whole recovery copy.
std::optional<RecoveredProject> readRecoveryCopy(const QByteArray& bytes);

} // namespace dw
