#include "SpillFile.h"

#include "FileNames.h"
#include "TempFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace dw {

SpillFile::SpillFile()
{
    const QString folder = privateTempPath();
    if (folder.isEmpty()) {
        m_error = QStringLiteral("there is no private temporary folder to set bytes aside in");
        return;
    }
    const QByteArray encoded = fileSystemName(folder);
    // Unnamed from the start where the file system allows it; else named, and unlinked at once.
    m_fd = ::open(encoded.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        QByteArray name = encoded + "spill-XXXXXX";
        m_fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (m_fd >= 0)
            ::unlink(name.constData());
    }
    if (m_fd < 0)
        m_error = QStringLiteral("no temporary file can be made in %1").arg(folder);
}

SpillFile::~SpillFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

namespace {

// Calls transfer(fd, p, n, at) (pread or pwrite) until count bytes have gone from at on, a call
// being interrupted is repeated; false when one fails or moves nothing (the file's end).
template <typename Byte, typename Transfer>
bool wholeTransfer(int fd, int64_t at, Byte* p, int64_t count, Transfer transfer)
{
    while (fd >= 0 && count > 0) {
        const ssize_t n = transfer(fd, p, size_t(std::min<int64_t>(count, int64_t(1) << 30)), off_t(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n, at += n, count -= n;
    }
    return fd >= 0;
}

} // namespace

bool SpillFile::writeAt(int64_t at, const void* bytes, int64_t count)
{
    return wholeTransfer(m_fd, at, static_cast<const char*>(bytes), count, ::pwrite);
}

bool SpillFile::readAt(int64_t at, void* bytes, int64_t count) const
{
    return wholeTransfer(m_fd, at, static_cast<char*>(bytes), count, ::pread);
}

} // namespace dw
