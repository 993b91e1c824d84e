#pragma once

// The recovery copy's bytes: a project snapshot written out whole, with the file name it was
// last saved to. The pictures, the shape's region data and the slot records are the members a
// save writes, byte for byte; the texts, holes, options and the controls' state, which a saved
// file does not hold exactly (or at all), go in a short text part before them:
//
//   "DialwrightRecovery 1\n", then key=value lines (values percent-encoded UTF-8), a blank line,
//   then each member as an 8-byte little-endian length and its bytes (dial, hour, minute and
//   second hand, the seven slot records, the shape), then "END\n".
//
// A copy is read back as a saved clock is opened: each member within the limit Open holds it to
// before anything is allocated for it, and the whole copy checked before any of it is used.

#include "editor/history/ProjectSnapshot.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

class QIODevice;

namespace dw {

// The text part: a title and an author text at their limits, percent-encoded, fit with room.
constexpr int64_t kMaxRecoveryTextBytes = int64_t(16) << 20;
// The members together hold at most what the file image of a saved clock carries, 2 GiB − 1
// bytes; the shape at most what Open takes (pdl::kMaxShapeBytes).
constexpr int64_t kMaxRecoveryMemberBytes = 0x7FFFFFFF;

struct RecoveredProject {
    ProjectSnapshot snapshot;
    QString savedPath; // the file the project was last saved to or opened from; empty for none
};

struct RecoveryCopyReading {
    // The project; its pictures, records and shape are missing when only the texts were read.
    std::optional<RecoveredProject> project;
    // Why the copy cannot be read, for the user ("途中で切れています"); empty when it can.
    QString problem;
};

// What a reading takes: the text part with the members' lengths checked against the copy's size
// and limits (what a question about the copy shows, without holding a member), or everything.
enum class RecoveryParts { Texts, Whole };

// The copy as pieces written one after the other: the text part, each member's length and the
// shape's data are held here, every picture and record is a view of the snapshot's own bytes
// (which must outlive the pieces), so that writing a copy never holds a second one of them.
struct RecoveryCopyPieces {
    struct Piece {
        const char* data;
        int64_t size;
    };
    std::vector<Piece> pieces;
    int64_t size() const;
    // Copies `count` bytes from position `at` of the copy into buffer; false beyond its end.
    bool read(int64_t at, char* buffer, int64_t count) const;
    QByteArray joined() const;

    std::vector<QByteArray> held; // what the pieces view that is not the snapshot's
};
RecoveryCopyPieces recoveryCopyPieces(const ProjectSnapshot& snapshot, const QString& savedPath);
QByteArray writeRecoveryCopy(const ProjectSnapshot& snapshot, const QString& savedPath);
// Reads a copy from the device's start (a file or a buffer, which must be able to seek).
RecoveryCopyReading readRecoveryCopy(QIODevice& in, RecoveryParts parts = RecoveryParts::Whole);
RecoveryCopyReading readRecoveryCopy(const QByteArray& bytes, RecoveryParts parts = RecoveryParts::Whole);

} // namespace dw
