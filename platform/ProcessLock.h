#pragma once

#include <QString>

namespace dw {

// A lock on a file that this process holds for as long as the object lives. The system releases
// it when the process ends in any way (killed, crashed, the machine switched off), so another
// process can tell whether the owner of a file is still running: a lock it can take belongs to
// nobody alive.
class ProcessLock {
public:
    // Creates the file (0600) if needed and takes the lock; held() says whether that worked.
    explicit ProcessLock(const QString& path);
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    bool held() const { return m_fd >= 0; }
    const QString& path() const { return m_path; }

    // Whether a running process holds the lock on the file at path. False when the file does
    // not exist or nobody holds it (the lock is tried and let go at once).
    static bool heldByAnother(const QString& path);

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace dw
