#pragma once

#include "FileDescriptor.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace dw {

// Writes a whole file image to path, creating the file or replacing it, so that a failure leaves
// what was at path before byte for byte as it was: the bytes go to a new hidden file beside the
// target, are forced to the disk, and only then is that file renamed over the target.
//
// The hidden file is made with mode 0600 (no one else can read it while it is written) and gets
// the file's own mode only when it is complete: a new file the usual mode (0666 less the umask),
// a replaced file its old mode. A replaced file keeps its owner where the process may give it
// away (as root may); where it may not, it keeps at least its group when the user belongs to it,
// so that a file shared by a group stays shared.
//
// A symbolic link at path is followed (the file it points to is replaced, the link stays) only
// when the link belongs to the user, each link of a chain; a link of another user's is refused,
// as the kernel's protected_symlinks refuses it in shared folders, so that no one can make the
// user overwrite a file by planting a link under the name the user saves to. A replaced file's
// other hard links keep the old contents.
//
// Raises EFrameworkError with the framework's stock text: "ファイル %s を作成できません" with
// path when the file cannot be made there (folder missing or not writable, path is a folder, a
// link of another user's), "ストリームへの書き込みエラー" with path on a second line when the
// bytes cannot all be written (disk full, any write error). No temporary file is left behind in
// either case. Tests can make any of its file operations fail (platform/FileFaults.h).
void writeFileAtomically(const QString& path, const void* data, int64_t size);

// The same for a file made as it is written, never held whole: `produce` hands every piece, in
// order, to the sink it is given. The sink returns false once a piece could not be written (and
// takes nothing after that); produce should then stop. An exception from produce goes on to the
// caller, with the hidden file removed and the file at path as it was.
using PieceSink = std::function<bool(const void* data, int64_t size)>;
void writeFileAtomically(const QString& path, const std::function<void(const PieceSink&)>& produce);

// Writes files into one folder, never through a link: for a tool that writes many files into a
// folder that other users may be able to write too (pdltool extract). The folder is opened once,
// so that it cannot be swapped for another while the files are written, and every file is
// written as writeFileAtomically writes it (a hidden file made exclusively, then renamed over the
// name), except that a symbolic link at a file's name is refused instead of followed: even a link
// that appears there meanwhile is only replaced, its target is never written.
class FolderWriter {
public:
    // The modes of the files written: each file's own (as writeFileAtomically gives them), or
    // 0600 for every file, new or replaced, from its first byte to its last (private files).
    enum Modes { FileModes, OwnerOnly };
    // Opens folder, making it (and its missing parents) when it does not exist. The folder may
    // be reached through links the user chose, but when folder itself is a link, it must be the
    // user's own, as for writeFileAtomically.
    explicit FolderWriter(const QString& folder, Modes modes = FileModes);
    ~FolderWriter();
    FolderWriter(const FolderWriter&) = delete;
    FolderWriter& operator=(const FolderWriter&) = delete;

    // Why the folder cannot be written into (English, one line); empty when it can.
    const QString& error() const { return m_error; }
    // The open folder (−1 when it could not be opened), for reading and naming what is in it
    // without going through its path again; it stays the writer's.
    int descriptor() const { return m_fd.get(); }

    // Writes the file `name` (a name without "/") in the folder. Returns an empty string when it
    // was written, else why not (English, one line): a link or something other than a regular
    // file at the name, a folder that cannot be written, a failed write.
    QString write(const QString& name, const void* data, int64_t size);
    // The same for a file of `size` bytes that `read` gives a piece at a time, in order (`count`
    // bytes from position `at` into buffer; false when they cannot be had, and then nothing is
    // written), so that the file is never held whole.
    using PieceReader = std::function<bool(int64_t at, void* buffer, int64_t count)>;
    QString write(const QString& name, int64_t size, const PieceReader& read);

private:
    FileDescriptor m_fd;
    Modes m_modes = FileModes;
    QString m_folder;
    QString m_error;
};

} // namespace dw
