#include "FileStream.h"

#include "FileNames.h"
#include "FrameworkError.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {

TFileStream::TFileStream(const QString& path, Mode mode) : m_path(path)
{
    const QByteArray name = fileSystemName(path);
    int flags = O_CLOEXEC;
    switch (mode) {
    case fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case fmOpenRead: flags |= O_RDONLY; break;
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    }
    do {
        m_fd = ::open(name.constData(), flags, 0666);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd >= 0) {
        // A folder opens on this platform; as a file it is as good as missing.
        struct stat st {};
        if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    if (m_fd < 0)
        throw EFrameworkError(mode == fmCreate ? stock::fileCreateError(path) : stock::fileOpenError(path));
}

TFileStream::~TFileStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    int64_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(m_fd, out + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    int64_t done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(m_fd, in + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, int origin)
{
    const int whence = origin == soCurrent ? SEEK_CUR : origin == soEnd ? SEEK_END : SEEK_SET;
    const off_t pos = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    return pos < 0 ? -1 : static_cast<int64_t>(pos);
}

void TFileStream::SetSize(int64_t newSize)
{
    if (::ftruncate(m_fd, static_cast<off_t>(newSize)) != 0)
        throw EFrameworkError(stock::writeError());
    if (Position() > newSize)
        SetPosition(newSize);
}

void TFileStream::Flush()
{
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        throw EFrameworkError(stock::writeError());
}

} // namespace dw
