#include "editor/history/RecoveryStore.h"

#include "editor/history/RecoveryCopy.h"

#include "platform/FrameworkError.h"
#include "platform/ProcessLock.h"
#include "platform/SafeFileWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {

namespace {

const QString kCopyPrefix = QStringLiteral("recovery-");
const QString kAsidePrefix = QStringLiteral("aside-");
const QString kCopySuffix = QStringLiteral(".dwr");
const QString kLockSuffix = QStringLiteral(".lock");

QString lockOf(const QString& copyName) { return copyName.chopped(kCopySuffix.size()) + kLockSuffix; }

QDateTime changedTime(const struct stat& st)
{
    return QDateTime::fromMSecsSinceEpoch(int64_t(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
}

// A regular file of the user's at the name (a link is looked at, not followed).
bool ownRegularFile(int folder, const QString& name, struct stat* st = nullptr)
{
    struct stat s {};
    const bool own = ::fstatat(folder, QFile::encodeName(name).constData(), &s, AT_SYMLINK_NOFOLLOW) == 0
                     && S_ISREG(s.st_mode) && s.st_uid == ::geteuid();
    if (st)
        *st = s;
    return own;
}

// The names in the open folder.
QStringList namesIn(int folder)
{
    QStringList names;
    const int fd = ::dup(folder);
    if (fd < 0)
        return names;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return names;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir))
        names << QFile::decodeName(entry->d_name);
    ::closedir(dir);
    return names;
}

// The names of the user's own regular files with that prefix and suffix, newest first.
QStringList filesNamed(int folder, const QString& prefix, const QString& suffix)
{
    struct Found {
        QString name;
        QDateTime changed;
    };
    std::vector<Found> found;
    for (const QString& name : namesIn(folder)) {
        struct stat st {};
        if (name.startsWith(prefix) && name.endsWith(suffix) && ownRegularFile(folder, name, &st))
            found.push_back({name, changedTime(st)});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.changed != b.changed ? a.changed > b.changed : a.name > b.name;
    });
    QStringList names;
    for (const Found& f : found)
        names << f.name;
    return names;
}

bool nameLeadsTo(int folder, const QString& name, int fd)
{
    struct stat named {}, open {};
    return ::fstatat(folder, QFile::encodeName(name).constData(), &named, AT_SYMLINK_NOFOLLOW) == 0
           && ::fstat(fd, &open) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

} // namespace

RecoveryStore::Copy::~Copy()
{
    m_file.close();
    if (m_fd >= 0)
        ::close(m_fd); // lets go of a claim by the file's own lock
}

QString RecoveryStore::defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/dialwright");
}

RecoveryStore::RecoveryStore(const QString& folder) : m_folder(folder.isEmpty() ? defaultFolder() : folder)
{
    // Every folder made here is the user's alone from the start (the copies hold the project).
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QStringList missing;
    for (QString f = QDir::cleanPath(m_folder); !f.isEmpty() && !QFileInfo::exists(f) && !QFileInfo(f).isSymLink();
         f = QFileInfo(f).path()) {
        missing.prepend(f);
        if (f == QFileInfo(f).path())
            break;
    }
    for (const QString& f : missing)
        QDir().mkdir(f, ownerOnly);

    // The process id with the start time: a later process given the same id is another owner.
    m_copyName = QStringLiteral("%1%2-%3%4")
                     .arg(kCopyPrefix)
                     .arg(QCoreApplication::applicationPid())
                     .arg(QDateTime::currentMSecsSinceEpoch())
                     .arg(kCopySuffix);
    m_copy = m_folder + QLatin1Char('/') + m_copyName;

    m_writer = std::make_unique<FolderWriter>(m_folder, FolderWriter::OwnerOnly);
    struct stat st {};
    if (!m_writer->error().isEmpty() || ::fstat(m_writer->descriptor(), &st) != 0) {
        m_unusable = QStringLiteral("フォルダ「%1」を作れないか、開けません。").arg(m_folder);
    } else if (st.st_uid != ::geteuid()) {
        m_unusable = QStringLiteral("フォルダ「%1」がほかのユーザーのものです。").arg(m_folder);
    } else if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        // Whatever someone else may have put in it is no copy of this user's work.
        m_unusable = QStringLiteral("フォルダ「%1」にほかのユーザーも書き込めます。").arg(m_folder);
    } else if ((st.st_mode & 077) && ::fchmod(m_writer->descriptor(), 0700) != 0) {
        m_unusable = QStringLiteral("フォルダ「%1」をほかのユーザーから閉じられません。").arg(m_folder);
    } else {
        m_lock = std::make_unique<ProcessLock>(folderFd(), lockOf(m_copyName));
        if (!m_lock->held())
            m_unusable = QStringLiteral("フォルダ「%1」にロックファイルを作れません。").arg(m_folder);
    }
    if (!m_unusable.isEmpty()) {
        m_lock.reset();
        m_writer.reset();
    }
}

RecoveryStore::~RecoveryStore() = default;

int RecoveryStore::folderFd() const { return m_writer ? m_writer->descriptor() : -1; }

void RecoveryStore::write(const QByteArray& bytes)
{
    if (!m_writer || !m_writer->write(m_copyName, bytes.constData(), bytes.size()).isEmpty())
        throw EFrameworkError(stock::fileWriteError(m_copy));
}

void RecoveryStore::write(const RecoveryCopyPieces& copy)
{
    const auto read = [&copy](int64_t at, void* buffer, int64_t count) { return copy.read(at, static_cast<char*>(buffer), count); };
    if (!m_writer || !m_writer->write(m_copyName, copy.size(), read).isEmpty())
        throw EFrameworkError(stock::fileWriteError(m_copy));
}

void RecoveryStore::remove()
{
    if (m_writer)
        ::unlinkat(folderFd(), QFile::encodeName(m_copyName).constData(), 0);
}

std::unique_ptr<RecoveryStore::Copy> RecoveryStore::open(const QString& name)
{
    int fd;
    do {
        fd = ::openat(folderFd(), QFile::encodeName(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<Copy> copy(new Copy);
    copy->m_name = name;
    copy->m_path = m_folder + QLatin1Char('/') + name;
    copy->m_changed = changedTime(st);
    copy->m_fd = fd;
    copy->m_file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle);
    return copy;
}

std::vector<std::unique_ptr<RecoveryStore::Copy>> RecoveryStore::claimOrphans()
{
    std::vector<std::unique_ptr<Copy>> claimed;
    if (!usable())
        return claimed;
    for (const QString& name : filesNamed(folderFd(), kCopyPrefix, kCopySuffix)) {
        if (name == m_copyName)
            continue;
        // The lock first: a copy whose run is alive, or that another editor has claimed, is
        // left alone. Then the copy, which may have gone meanwhile with the editor that had it.
        auto lock = std::make_unique<ProcessLock>(folderFd(), lockOf(name));
        if (!lock->held())
            continue;
        std::unique_ptr<Copy> copy = open(name);
        if (!copy)
            continue;
        copy->m_lock = std::move(lock);
        copy->m_claimed = true;
        claimed.push_back(std::move(copy));
    }
    return claimed;
}

std::vector<std::unique_ptr<RecoveryStore::Copy>> RecoveryStore::asideCopies()
{
    std::vector<std::unique_ptr<Copy>> copies;
    if (!usable())
        return copies;
    for (const QString& name : filesNamed(folderFd(), kAsidePrefix, kCopySuffix))
        if (std::unique_ptr<Copy> copy = open(name))
            copies.push_back(std::move(copy));
    return copies;
}

bool RecoveryStore::claim(Copy& copy)
{
    if (copy.m_claimed)
        return true;
    // A copy set aside is claimed by its own file's lock; one removed or replaced meanwhile is
    // not the copy chosen.
    copy.m_claimed = ::flock(copy.m_fd, LOCK_EX | LOCK_NB) == 0 && nameLeadsTo(folderFd(), copy.m_name, copy.m_fd);
    return copy.m_claimed;
}

QString RecoveryStore::setAside(Copy& copy, const QDateTime& now)
{
    if (!copy.m_claimed || !nameLeadsTo(folderFd(), copy.m_name, copy.m_fd))
        return QString();
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString target = n == 1 ? QStringLiteral("%1%2%3").arg(kAsidePrefix, stamp, kCopySuffix)
                                      : QStringLiteral("%1%2-%3%4").arg(kAsidePrefix, stamp).arg(n).arg(kCopySuffix);
        if (::renameat2(folderFd(), QFile::encodeName(copy.m_name).constData(), folderFd(),
                        QFile::encodeName(target).constData(), RENAME_NOREPLACE)
            != 0) {
            if (errno == EEXIST)
                continue;
            return QString();
        }
        // The file keeps its time, when its clock was last changed; the date in its name counts
        // the days it is kept.
        copy.m_name = target;
        copy.m_path = m_folder + QLatin1Char('/') + target;
        copy.m_lock.reset(); // the lock of the run that left it goes
        // Still claimed, now by the file's own lock.
        ::flock(copy.m_fd, LOCK_EX | LOCK_NB);
        return copy.m_path;
    }
    return QString();
}

void RecoveryStore::discard(Copy& copy)
{
    if (copy.m_claimed && nameLeadsTo(folderFd(), copy.m_name, copy.m_fd))
        ::unlinkat(folderFd(), QFile::encodeName(copy.m_name).constData(), 0);
    copy.m_lock.reset();
}

void RecoveryStore::purge(const QDateTime& now)
{
    if (!usable())
        return;
    const int folder = folderFd();
    auto unlink = [folder](const QString& name) { ::unlinkat(folder, QFile::encodeName(name).constData(), 0); };
    for (const QString& name : filesNamed(folder, kAsidePrefix, kCopySuffix)) {
        // "aside-<yyyyMMdd-HHmmss>[-n].dwr": the day it was set aside.
        const QDateTime setAside = QDateTime::fromString(name.mid(kAsidePrefix.size(), 15), QStringLiteral("yyyyMMdd-HHmmss"));
        struct stat st {};
        if (ownRegularFile(folder, name, &st) && (setAside.isValid() ? setAside : changedTime(st)).daysTo(now) > kAsideDays)
            unlink(name);
    }
    const QStringList names = namesIn(folder);
    for (const QString& name : names) {
        // A copy half written when its run was killed: ".recovery-<pid>-<start>.dwr.<random>".
        if (name.startsWith(QLatin1Char('.') + kCopyPrefix) && name.contains(kCopySuffix + QLatin1Char('.'))) {
            const QString copy = name.mid(1, name.indexOf(kCopySuffix + QLatin1Char('.')) + kCopySuffix.size() - 1);
            if (ownRegularFile(folder, name) && ProcessLock::stateOf(folder, lockOf(copy)) != ProcessLock::State::Held)
                unlink(name);
            continue;
        }
        if (!name.startsWith(kCopyPrefix) || !name.endsWith(kLockSuffix))
            continue;
        // What is no lock at a lock's name (a link, a FIFO) goes, the name only; a lock whose run
        // is gone goes when no copy of that run is left to offer.
        const ProcessLock::State state = ProcessLock::stateOf(folder, name);
        const QString copy = name.chopped(kLockSuffix.size()) + kCopySuffix;
        if (state == ProcessLock::State::NotALock) {
            struct stat st {};
            if (::fstatat(folder, QFile::encodeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
                unlink(name);
        } else if (state == ProcessLock::State::Free && !names.contains(copy)) {
            ProcessLock gone(folder, name); // removed as it is let go
        }
    }
}

} // namespace dw
