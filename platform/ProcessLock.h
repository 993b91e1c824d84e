#pragma once

#include <QString>

namespace dw {

// A lock on a file that this process holds for as long as the object lives. The system releases
// it when the process ends in any way (killed, crashed, the machine switched off), so another
// process can tell whether the owner of a file is still running: a lock it can take belongs to
// nobody alive.
//
// The file is named within a folder the caller holds open (a descriptor), so that the folder
// cannot be swapped for another under its path. Nothing here follows a link or waits: a lock
// file is a regular file of the user's, 0600; a link, a FIFO or anything else at its name is no
// lock, and a lock another process holds is not waited for.
class ProcessLock {
public:
    // Takes the lock on the file `name` in the open folder, making the file when it is missing.
    // held() says whether that worked.
    ProcessLock(int folder, const QString& name);
    // Removes the file while the lock is still held (when it is still the file locked), then
    // lets the lock go: nobody can take a lock on a file that is gone.
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    bool held() const { return m_fd >= 0; }
    const QString& name() const { return m_name; }

    enum class State {
        Missing,  // nothing at the name
        Free,     // a lock file nobody holds: its owner is gone
        Held,     // a running process holds it
        NotALock, // a link, a FIFO, a folder, or a file of another user's
    };
    // What is at the name, found without waiting and without taking the lock for longer than
    // the look (a free lock is taken and let go at once).
    static State stateOf(int folder, const QString& name);

private:
    int m_folder;
    QString m_name;
    int m_fd = -1;
};

} // namespace dw
