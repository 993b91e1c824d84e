#include "SafeFileWriter.h"

#include "FrameworkError.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {

namespace {

// The file that is really replaced: a symbolic link is followed so that saving through a link
// updates the file it points to instead of turning the link into a file of its own.
QString resolvedTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    return info.symLinkTarget(); // a dangling link: create the file it names
}

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral("./");
    return path.left(slash + 1);
}

QString hiddenNameBeside(const QString& target)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 8; ++i)
        suffix += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
    // The target's own name makes a left-over file recognisable, but a name near the file
    // system's 255-byte limit leaves no room for the additions.
    const QString beside = QLatin1Char('.') + QFileInfo(target).fileName() + QLatin1Char('.') + suffix;
    if (QFile::encodeName(beside).size() <= 255)
        return folderOf(target) + beside;
    return folderOf(target) + QStringLiteral(".saving.") + suffix;
}

// The temporary file while it is written; removed unless it has been renamed into place.
class PendingFile {
public:
    ~PendingFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }

    bool create(const QString& target)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = QFile::encodeName(hiddenNameBeside(target));
            int fd;
            do {
                // 0666: the kernel takes the umask (and a default ACL) off, as for any new file.
                fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            } while (fd < 0 && errno == EINTR);
            if (fd >= 0) {
                m_fd = fd;
                m_name = name;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    int fd() const { return m_fd; }

    bool writeAll(const char* data, int64_t size)
    {
        // Each call is kept well below what a single write may take.
        constexpr int64_t kChunk = int64_t(1) << 30;
        int64_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, data + done, size_t(std::min(kChunk, size - done)));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    // Forces the bytes to the disk and closes; a full disk or quota may only show up here.
    bool finish()
    {
        const bool synced = ::fsync(m_fd) == 0 || errno == EINVAL;
        const bool closed = ::close(m_fd) == 0;
        m_fd = -1;
        return synced && closed;
    }

    bool renameTo(const QString& target)
    {
        if (::rename(m_name.constData(), QFile::encodeName(target).constData()) != 0)
            return false;
        m_name.clear();
        return true;
    }

private:
    int m_fd = -1;
    QByteArray m_name;
};

void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // best effort: the rename itself has already been made
        ::close(fd);
    }
}

} // namespace

void writeFileAtomically(const QString& path, const void* data, int64_t size)
{
    if (size < 0 || (size > 0 && data == nullptr))
        throw EFrameworkError(stock::writeError());
    if (path.isEmpty())
        throw EFrameworkError(stock::fileCreateError(path));

    const QString target = resolvedTarget(path);
    const QByteArray targetName = QFile::encodeName(target);
    struct stat existing {};
    const bool exists = ::stat(targetName.constData(), &existing) == 0;
    // What may be replaced is a regular file the user may write: a folder, a device or a
    // write-protected file is refused as the framework's file creation refuses it.
    if (exists && (!S_ISREG(existing.st_mode) || ::access(targetName.constData(), W_OK) != 0))
        throw EFrameworkError(stock::fileCreateError(path));

    PendingFile pending;
    if (!pending.create(target))
        throw EFrameworkError(stock::fileCreateError(path));
    if (exists) {
        // The replacement takes the old file's place, so it takes its permissions and owner too
        // (the owner only where the process may give it away, as root may).
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
            (void)!::fchown(pending.fd(), existing.st_uid, existing.st_gid);
        if (::fchmod(pending.fd(), existing.st_mode & 07777) != 0)
            throw EFrameworkError(stock::fileCreateError(path));
    }
    if (!pending.writeAll(static_cast<const char*>(data), size) || !pending.finish())
        throw EFrameworkError(stock::writeError());
    if (!pending.renameTo(target))
        throw EFrameworkError(stock::fileCreateError(path));
    syncFolder(folderOf(target));
}

} // namespace dw
