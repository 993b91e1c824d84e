#pragma once

#include "Stream.h"

#include <QString>

namespace dw {

// A byte stream over an operating-system file. The constructor raises EFrameworkError with the
// framework's stock text when the file cannot be created ("ファイル %s を作成できません") or
// opened ("ファイル %s を開けません").
class TFileStream : public TStream {
public:
    enum Mode {
        fmCreate,       // create, or truncate an existing file; read and write
        fmOpenRead,     // existing file, read only
        fmOpenWrite,    // existing file, write only
        fmOpenReadWrite // existing file, read and write
    };

    TFileStream(const QString& path, Mode mode);
    ~TFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    void SetSize(int64_t newSize) override;

    // Forces the written bytes to the disk; raises the write error when that fails.
    void Flush();
    const QString& path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace dw
