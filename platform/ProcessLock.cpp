#include "ProcessLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace dw {

namespace {

int openLockFile(const QString& path, int flags)
{
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(name.constData(), flags | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

ProcessLock::ProcessLock(const QString& path) : m_path(path)
{
    m_fd = openLockFile(path, O_RDWR | O_CREAT);
    if (m_fd < 0)
        return;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

ProcessLock::~ProcessLock()
{
    if (m_fd < 0)
        return;
    // The file goes first, then the lock: nobody can take a lock on a file that is gone.
    QFile::remove(m_path);
    ::close(m_fd);
}

bool ProcessLock::heldByAnother(const QString& path)
{
    const int fd = openLockFile(path, O_RDONLY);
    if (fd < 0)
        return false;
    const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd); // lets go of the lock if it was taken
    return !taken;
}

} // namespace dw
