#pragma once

// A large file's bytes read where the system keeps them: mapped read-only instead of copied
// into memory of our own. Where the system holds the file in large pages (a file written in one
// piece, as the editor writes its files), reading a 12 MiB picture this way skips the copy of
// every byte at the cost of a fault per 2 MiB; held in small pages, the faults cost several times
// the copy, and the file is better read (heldInLargePages).
//
// A mapped file can change under its reader. Should it be cut short, its pages past the new end
// would end the program (SIGBUS) when read; here they read as zeros instead, and changed() says
// so. changed() also says when the file was written to in place, or replaced by another file
// renamed over it, after it was mapped (its size, its times or its link count differ): the
// mapping still shows the old file, which is not what the name holds now. A reader that made
// something of the bytes asks changed() once it is done, and throws away what it made when they
// changed.

#include "FileDescriptor.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <sys/stat.h>

namespace dw {

class MappedFile {
public:
    // Files at least this long are worth mapping; shorter ones are read.
    static constexpr int64_t kMinMappedBytes = int64_t(4) << 20;

    // size bytes from the start of the open file fd (a copy of the descriptor is kept to ask
    // the file's state later), or null when it cannot be mapped (too short, no regular file,
    // too many mapped at once): the caller then reads it. path names it in messages.
    static std::unique_ptr<MappedFile> map(int fd, int64_t size, const QString& path);

    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const uint8_t* data() const { return m_bytes; }
    size_t size() const { return m_size; }
    const QString& path() const { return m_path; }

    // Whether a fault maps 2 MiB of the file at once: judged by two reads 1 MiB apart at its
    // start, the second of which faults unless the first mapped both. Reads the file; asked
    // before anything else is read of it.
    bool heldInLargePages() const;

    // Whether the file was cut short, written to or replaced in place since it was mapped, or a
    // page of it could not be read: what was read of it since is not the file as it was.
    bool changed() const;

private:
    MappedFile(const uint8_t* bytes, size_t size, int slot, FileDescriptor fd, const struct stat& seen, const QString& path);

    const uint8_t* m_bytes;
    size_t m_size;
    int m_slot;            // the mapping's place among those the fault handler knows
    FileDescriptor m_fd;   // the file itself, whatever its name now holds
    struct stat m_seen;    // the file as it was when mapped
    QString m_path;
};

} // namespace dw
