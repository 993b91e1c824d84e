#include "SafeFileWriter.h"

#include "FileDescriptor.h"
#include "FileFaults.h"
#include "FileNames.h"

#include "FrameworkError.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <vector>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {

namespace {

// How the kernel follows links: at most this many in one path.
constexpr int kMaxLinks = 40;

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

QByteArray nameOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

// The process's umask, read without changing it where the system shows it (Linux 4.7 on).
mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(mask & 0777);
            }
        }
    }
    const mode_t mask = ::umask(077);
    ::umask(mask);
    return mask;
}

// The file that is really written: links at path are followed while each one belongs to the
// user (relative ones from the link's own folder). Nothing for a link of another user's or a
// chain too long to follow. A dangling link gives the path it names, where the file is made.
std::optional<QByteArray> followOwnLinks(QByteArray path)
{
    for (int i = 0; i <= kMaxLinks; ++i) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        if (st.st_uid != ::geteuid() || i == kMaxLinks)
            return std::nullopt;
        QByteArray target(int(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size())
            return std::nullopt;
        target.truncate(n);
        path = target.startsWith('/') ? target : folderOf(path) + '/' + target;
    }
    return std::nullopt;
}

QByteArray hiddenNameFor(const QByteArray& name)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix;
    for (int i = 0; i < 8; ++i)
        suffix += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    // The target's own name makes a left-over file recognisable, but a name near the file
    // system's 255-byte limit leaves no room for the additions.
    const QByteArray beside = '.' + name + '.' + suffix;
    return beside.size() <= 255 ? beside : QByteArrayLiteral(".saving.") + suffix;
}

// Why a file could not be written, for the two faces: the framework's stock texts, and plain
// English for a tool.
enum class Failure { None, Create, Write, Link, NotRegular, Source };

// The hidden file while it is written; removed unless it has been renamed into place.
class PendingFile {
public:
    explicit PendingFile(int folder) : m_folder(folder) {}
    ~PendingFile()
    {
        if (!m_name.isEmpty())
            ::unlinkat(m_folder, m_name.constData(), 0);
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Exclusively, without following a link, and readable by the user alone from the start.
    bool create(const QByteArray& target)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = hiddenNameFor(target);
            if (filefaults::fails(filefaults::Operation::Open))
                return false;
            int fd;
            do {
                fd = ::openat(m_folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            } while (fd < 0 && errno == EINTR);
            if (fd >= 0) {
                m_fd = FileDescriptor(fd);
                m_name = name;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    bool writeAll(const char* data, int64_t size)
    {
        // Each call is kept well below what a single write may take.
        constexpr int64_t kChunk = int64_t(1) << 30;
        int64_t done = 0;
        while (done < size) {
            if (filefaults::fails(filefaults::Operation::Write))
                return false;
            const ssize_t n = ::write(m_fd.get(), data + done, size_t(std::min(kChunk, size - done)));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    // Forces the bytes to the disk; a full disk or quota may only show up here.
    bool sync() { return !filefaults::fails(filefaults::Operation::Sync) && (::fsync(m_fd.get()) == 0 || errno == EINVAL); }

    // A replaced file takes its predecessor's place, so it takes its owner and group too where
    // the process may set them (the whole change only as root; a group the user belongs to in
    // any case). Done before the rename, while the mode is still 0600: no one else can read it.
    bool takeOwner(const struct stat* replaced)
    {
        if (filefaults::fails(filefaults::Operation::Mode))
            return false;
        if (replaced && (replaced->st_uid != ::geteuid() || replaced->st_gid != ::getegid())) {
            if (::fchown(m_fd.get(), replaced->st_uid, replaced->st_gid) != 0)
                (void)!::fchown(m_fd.get(), uid_t(-1), replaced->st_gid);
        }
        return true;
    }

    // The file's own mode, given only once the rename has made it the file: should the rename be
    // refused (another user's file in a sticky folder), no one but the user has seen the bytes.
    // After the change of owner, which clears the set-user and set-group bits.
    bool takeMode(const struct stat* replaced)
    {
        return ::fchmod(m_kept.get(), replaced ? replaced->st_mode & 07777 : 0666 & ~currentUmask()) == 0;
    }

    // Closes the descriptor written through (where a failing disk may still tell), keeping a
    // second one to the same file for its mode, which comes after the rename.
    bool close()
    {
        const bool injected = filefaults::fails(filefaults::Operation::Close);
        m_kept = FileDescriptor(::fcntl(m_fd.get(), F_DUPFD_CLOEXEC, 0));
        return m_fd.close() && !injected && m_kept.isOpen();
    }

    bool renameTo(const QByteArray& target)
    {
        if (filefaults::fails(filefaults::Operation::Rename))
            return false;
        if (::renameat(m_folder, m_name.constData(), m_folder, target.constData()) != 0)
            return false;
        m_name.clear();
        return true;
    }

private:
    int m_folder;
    FileDescriptor m_fd;
    FileDescriptor m_kept; // the same file, once m_fd is closed
    QByteArray m_name;
};

// What goes into the hidden file: Failure::None when all of it went, Write or Source when not.
using Fill = std::function<Failure(PendingFile&)>;

Fill bytesFill(const void* data, int64_t size)
{
    return [=](PendingFile& file) {
        return file.writeAll(static_cast<const char*>(data), size) ? Failure::None : Failure::Write;
    };
}

// Writes `name` in the open folder through a hidden file renamed over it. What is at the name
// now must be a regular file the user may write, or nothing; never a link. With ownerOnly the
// file keeps the hidden file's 0600.
Failure writeInFolder(int folder, const QByteArray& name, const Fill& fill, bool ownerOnly = false)
{
    struct stat existing {};
    const bool exists = ::fstatat(folder, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISLNK(existing.st_mode))
        return Failure::Link;
    // What may be replaced is a regular file the user may write: a folder, a device or a
    // write-protected file is refused as the framework's file creation refuses it.
    if (exists && !S_ISREG(existing.st_mode))
        return Failure::NotRegular;
    if (exists && ::faccessat(folder, name.constData(), W_OK, 0) != 0)
        return Failure::Create;

    PendingFile pending(folder);
    if (!pending.create(name))
        return Failure::Create;
    if (const Failure filled = fill(pending); filled != Failure::None)
        return filled;
    if (!pending.sync())
        return Failure::Write;
    if (!ownerOnly && !pending.takeOwner(exists ? &existing : nullptr))
        return Failure::Create;
    if (!pending.close())
        return Failure::Write;
    if (!pending.renameTo(name))
        return Failure::Create;
    ::fsync(folder); // best effort: the rename itself has already been made
    // Its mode through the descriptor kept, never through the name, which someone else could
    // have swapped meanwhile. The file is in place and whole; a mode that cannot be given leaves
    // it the user's alone, which is said as a failure, since others may be meant to read it.
    return ownerOnly || pending.takeMode(exists ? &existing : nullptr) ? Failure::None : Failure::Create;
}

int openFolder(const QByteArray& folder)
{
    if (filefaults::fails(filefaults::Operation::Open))
        return -1;
    int fd;
    do {
        fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

namespace {

void writeAtomically(const QString& path, const Fill& fill)
{
    if (path.isEmpty())
        throw EFrameworkError(stock::fileCreateError(path));

    const std::optional<QByteArray> target = followOwnLinks(fileSystemName(path));
    if (!target || target->endsWith('/'))
        throw EFrameworkError(stock::fileCreateError(path));
    // Closed also when filling the file raises.
    const FileDescriptor folder(openFolder(folderOf(*target)));
    if (!folder.isOpen())
        throw EFrameworkError(stock::fileCreateError(path));
    const Failure failure = writeInFolder(folder.get(), nameOf(*target), fill);
    if (failure == Failure::Write)
        throw EFrameworkError(stock::fileWriteError(path));
    if (failure != Failure::None)
        throw EFrameworkError(stock::fileCreateError(path));
}

} // namespace

void writeFileAtomically(const QString& path, const void* data, int64_t size)
{
    if (size < 0 || (size > 0 && data == nullptr))
        throw EFrameworkError(stock::writeError());
    writeAtomically(path, bytesFill(data, size));
}

void writeFileAtomically(const QString& path, const std::function<void(const PieceSink&)>& produce)
{
    writeAtomically(path, [&](PendingFile& file) {
        bool written = true;
        produce([&](const void* data, int64_t size) {
            written = written && size >= 0 && file.writeAll(static_cast<const char*>(data), size);
            return written;
        });
        return written ? Failure::None : Failure::Write;
    });
}

namespace {

QString failureText(Failure failure)
{
    switch (failure) {
    case Failure::None: return {};
    case Failure::Link: return QStringLiteral("is a symbolic link; nothing is written through it");
    case Failure::NotRegular: return QStringLiteral("is not a regular file");
    case Failure::Write: return QStringLiteral("cannot be written whole (disk full?)");
    case Failure::Source: return QStringLiteral("its bytes cannot be read back from where they were set aside");
    case Failure::Create: break;
    }
    return QStringLiteral("cannot be created or replaced");
}

} // namespace

FolderWriter::FolderWriter(const QString& folder, Modes modes) : m_modes(modes), m_folder(folder)
{
    const QByteArray encoded = fileSystemName(folder);
    struct stat st {};
    if (folder.isEmpty()) {
        m_error = QStringLiteral("no folder named");
        return;
    }
    if (::lstat(encoded.constData(), &st) != 0 && !QDir().mkpath(folder)) {
        m_error = QStringLiteral("the folder cannot be created");
        return;
    }
    const std::optional<QByteArray> real = followOwnLinks(encoded);
    if (!real) {
        m_error = QStringLiteral("is a symbolic link of another user's; not followed");
        return;
    }
    m_fd = FileDescriptor(openFolder(*real));
    if (!m_fd.isOpen())
        m_error = errno == ENOTDIR ? QStringLiteral("is a file, not a folder") : QStringLiteral("the folder cannot be opened");
}

FolderWriter::~FolderWriter() = default;

QString FolderWriter::write(const QString& name, const void* data, int64_t size)
{
    if (!m_fd.isOpen())
        return m_error;
    const QByteArray encoded = fileSystemName(name);
    if (encoded.isEmpty() || encoded.contains('/') || encoded == "." || encoded == ".." || size < 0
        || (size > 0 && data == nullptr))
        return QStringLiteral("not a file name");
    return failureText(writeInFolder(m_fd.get(), encoded, bytesFill(data, size), m_modes == OwnerOnly));
}

QString FolderWriter::write(const QString& name, int64_t size, const PieceReader& read)
{
    if (!m_fd.isOpen())
        return m_error;
    const QByteArray encoded = fileSystemName(name);
    if (encoded.isEmpty() || encoded.contains('/') || encoded == "." || encoded == ".." || size < 0 || !read)
        return QStringLiteral("not a file name");
    // A piece at a time: the file is never held, only this much of it.
    constexpr int64_t kPiece = int64_t(1) << 20;
    const Fill pieces = [&](PendingFile& file) {
        std::vector<char> piece(size_t(std::min(size, kPiece)));
        for (int64_t at = 0; at < size;) {
            const int64_t count = std::min(size - at, kPiece);
            if (!read(at, piece.data(), count))
                return Failure::Source;
            if (!file.writeAll(piece.data(), count))
                return Failure::Write;
            at += count;
        }
        return Failure::None;
    };
    return failureText(writeInFolder(m_fd.get(), encoded, pieces, m_modes == OwnerOnly));
}

} // namespace dw
