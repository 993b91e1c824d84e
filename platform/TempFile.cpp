#include "TempFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

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

} // namespace

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
