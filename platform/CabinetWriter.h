#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace dw {

// What a cabinet is made with. The three texts are fields of 256 bytes in the cabinet library's
// description record: each holds at most 255 bytes (in the file system's encoding) and a NUL.
struct CabinetParameters {
    // The largest cabinet file accepted, in bytes; a cabinet that would be larger is refused
    // (the program passes 16,777,216). Only one cabinet is ever written, never a set.
    int64_t maxCabinetSize = 0;
    // Recorded only for a cabinet that belongs to a set of several; kept for the length check.
    QString diskName;
    // The cabinet's file name, and the folder it goes to including its trailing separator (empty
    // for the current folder). The cabinet is written at cabinetFolder + cabinetName.
    QString cabinetName;
    QString cabinetFolder;
};

// Outcome of a cabinet step: ok, or the reason it was refused (English, for logs and tests).
struct CabinetStatus {
    QString error;
    bool ok() const { return error.isEmpty(); }
    static CabinetStatus success() { return {}; }
    static CabinetStatus failure(QString reason) { return {std::move(reason)}; }
};

// Writes a Microsoft cabinet: one folder, MSZIP compression, set ID 0, cabinet number 0, the
// added members in the order added. Each member's date and time are its source file's
// modification time (local time, two-second steps, clamped to 1980…2107); no attributes are
// recorded, except the flag that marks a member name as UTF-8 when it is not plain ASCII.
//
// Member names are stored as given except that "/" becomes "\", the cabinet's path separator.
// Two members of the same name are refused. The file at the cabinet path is only touched by a
// successful write(), which replaces it as a whole; a refused or failed cabinet leaves nothing
// there (and an older file at that path unchanged).
class CabinetWriter {
public:
    // Checks the parameters (lengths, a non-empty file name, a positive size limit).
    explicit CabinetWriter(CabinetParameters parameters);
    ~CabinetWriter();
    CabinetWriter(const CabinetWriter&) = delete;
    CabinetWriter& operator=(const CabinetWriter&) = delete;

    // Whether the parameters were accepted; when not, every later step fails with this reason.
    const CabinetStatus& created() const { return m_created; }

    // Adds sourcePath under memberName. The source must be a readable regular file; it is read
    // when the cabinet is written.
    CabinetStatus addFile(const QString& sourcePath, const QString& memberName);

    // Compresses every added member and writes the cabinet file; refused when nothing was added
    // or the cabinet would exceed the size limit.
    CabinetStatus write();

    QString cabinetPath() const { return m_parameters.cabinetFolder + m_parameters.cabinetName; }

    // A cabinet folder holds at most this many uncompressed bytes (65,535 blocks of 32 KiB), and
    // a cabinet at most this many members.
    static constexpr int64_t kMaxFolderBytes = 0x7FFF8000;
    static constexpr int kMaxMembers = 0xFFFF;
    // Every text field of the cabinet library holds this many bytes before its NUL.
    static constexpr int kMaxFieldBytes = 255;

private:
    struct Members;
    CabinetParameters m_parameters;
    CabinetStatus m_created;
    std::unique_ptr<Members> m_members;
};

} // namespace dw
