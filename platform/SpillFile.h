#pragma once

#include <QString>

#include <cstdint>

namespace dw {

// Bytes set aside on the disk instead of in memory, written and read back at any position: an
// unnamed file in the program's private temporary folder (privateTempPath), readable by the user
// alone and gone with the object, or when the program ends however it ends. For a tool that must
// pass on more bytes than it should hold (pdltool extract of a large member).
class SpillFile {
public:
    SpillFile();
    ~SpillFile();
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    // Why no file could be made (English, one line); empty when it was.
    const QString& error() const { return m_error; }

    // False when the bytes cannot all be written (disk full) or read (beyond what was written).
    bool writeAt(int64_t at, const void* bytes, int64_t count);
    bool readAt(int64_t at, void* bytes, int64_t count) const;

private:
    int m_fd = -1;
    QString m_error;
};

} // namespace dw
