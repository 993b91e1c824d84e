#include "TempFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dw {

namespace {

// Unique numbers are 16 bits wide and 0 means "choose one", so 65,535 names per prefix.
constexpr unsigned kUniqueNumbers = 0xFFFF;

QString withTrailingSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString nameFor(const QString& folder, const QString& prefix, unsigned number)
{
    return withTrailingSlash(folder) + prefix.left(3)
        + QStringLiteral("%1").arg(number & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper()
        + QStringLiteral(".TMP");
}

// A folder that only this user may enter: a real folder (not a link to one), owned by the
// effective user, with no permission at all for the group and others.
bool isPrivateFolder(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
           && (st.st_mode & 077) == 0;
}

// The folders made by privateTempPath(); removed with their files when the program exits.
class PrivateFolders {
public:
    ~PrivateFolders()
    {
        for (const QByteArray& folder : m_made)
            removeFolder(folder);
    }

    QString current()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const QByteArray parent = QFile::encodeName(tempPath());
        if (parent.isEmpty())
            return {};
        if (!m_current.isEmpty() && m_current.startsWith(parent) && isPrivateFolder(m_current))
            return QFile::decodeName(m_current) + QLatin1Char('/');
        m_current.clear();
        QByteArray pattern = parent + "dialwright-XXXXXX";
        // mkdtemp makes the folder with mode 0700 under a name no one could have taken before.
        if (!::mkdtemp(pattern.data()))
            return {};
        m_made.push_back(pattern);
        m_current = pattern;
        return QFile::decodeName(m_current) + QLatin1Char('/');
    }

private:
    // Only while the folder is still this user's private one: then nobody else can have put
    // anything into it, and what is there is the program's own.
    static void removeFolder(const QByteArray& folder)
    {
        if (!isPrivateFolder(folder))
            return;
        if (DIR* d = ::opendir(folder.constData())) {
            while (const dirent* entry = ::readdir(d)) {
                const QByteArray name(entry->d_name);
                if (name != "." && name != "..")
                    ::unlinkat(::dirfd(d), name.constData(), 0);
            }
            ::closedir(d);
        }
        ::rmdir(folder.constData());
    }

    std::mutex m_mutex;
    QByteArray m_current;
    std::vector<QByteArray> m_made;
};

} // namespace

QString privateTempPath()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime))
        return withTrailingSlash(QDir::cleanPath(QFile::decodeName(runtime)));
    static PrivateFolders folders;
    return folders.current();
}

QString tempPath()
{
    QString folder = qEnvironmentVariable("TMPDIR");
    if (folder.isEmpty())
        folder = QStringLiteral("/tmp");
    const QFileInfo info(folder);
    if (!info.isDir())
        return {};
    return withTrailingSlash(QDir::cleanPath(info.absoluteFilePath()));
}

QString tempFileName(const QString& folder, const QString& prefix, unsigned uniqueNumber)
{
    if (folder.isEmpty())
        return {};
    if (uniqueNumber != 0)
        return nameFor(folder, prefix, uniqueNumber);

    // Start somewhere unpredictable so that two programs using the same prefix rarely probe the
    // same names, then walk through every number once.
    const unsigned start = QRandomGenerator::system()->bounded(kUniqueNumbers);
    for (unsigned i = 0; i < kUniqueNumbers; ++i) {
        const unsigned number = (start + i) % kUniqueNumbers + 1;
        const QString path = nameFor(folder, prefix, number);
        const QByteArray name = QFile::encodeName(path);
        int fd;
        do {
            fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            return {}; // missing folder, no permission, read-only file system, …
    }
    return {};
}

} // namespace dw
