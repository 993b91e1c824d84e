#include "ProcessLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {

namespace {

// Opens without following a link and without waiting (a FIFO opens at once); -1 with errno
// otherwise. O_NONBLOCK stays on the descriptor: nothing reads a lock file.
int openLockFile(int folder, const QByteArray& name, int flags)
{
    int fd;
    do {
        fd = ::openat(folder, name.constData(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool isOwnRegularFile(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

// Whether the name still leads to the file open at fd (it may have been removed, or removed and
// made again, by whoever held the lock before).
bool nameLeadsTo(int folder, const QByteArray& name, int fd)
{
    struct stat named {}, open {};
    return ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0
           && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

} // namespace

ProcessLock::ProcessLock(int folder, const QString& name) : m_folder(folder), m_name(name)
{
    const QByteArray encoded = QFile::encodeName(name);
    // A lock taken on a file that its last holder removed meanwhile locks nothing anyone else
    // sees: then the file at the name is tried again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = openLockFile(folder, encoded, O_RDWR | O_CREAT);
        if (fd < 0)
            return;
        if (!isOwnRegularFile(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return;
        }
        if (nameLeadsTo(folder, encoded, fd)) {
            m_fd = fd;
            return;
        }
        ::close(fd);
    }
}

ProcessLock::~ProcessLock()
{
    if (m_fd < 0)
        return;
    const QByteArray encoded = QFile::encodeName(m_name);
    if (nameLeadsTo(m_folder, encoded, m_fd))
        ::unlinkat(m_folder, encoded.constData(), 0);
    ::close(m_fd);
}

ProcessLock::State ProcessLock::stateOf(int folder, const QString& name)
{
    const int fd = openLockFile(folder, QFile::encodeName(name), O_RDONLY);
    if (fd < 0)
        return errno == ENOENT ? State::Missing : State::NotALock;
    State state = State::NotALock;
    if (isOwnRegularFile(fd))
        state = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? State::Free : State::Held;
    ::close(fd); // lets go of the lock if it was taken
    return state;
}

} // namespace dw
