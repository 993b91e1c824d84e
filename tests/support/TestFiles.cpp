#include "TestFiles.h"

#include "platform/FrameworkError.h"
#include "platform/MemoryStream.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cerrno>

#include <gtest/gtest.h>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dw::test {

Bytes readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    const QByteArray b = f.readAll();
    return Bytes(b.begin(), b.end());
}

QString errorMessageOf(const std::function<void()>& what)
{
    try {
        what();
    } catch (const EFrameworkError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

void writeFile(const QString& path, const Bytes& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
        return;
    }
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

void writeInPieces(const QString& path, const Bytes& bytes, size_t piece)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
        return;
    }
    for (size_t at = 0; at < bytes.size(); at += piece)
        f.write(reinterpret_cast<const char*>(bytes.data() + at), qint64(std::min(piece, bytes.size() - at)));
}

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes bytesOf(const char* s) { return bytesOf(std::string(s)); }
Bytes bytesOf(const QByteArray& a) { return Bytes(a.begin(), a.end()); }
Bytes bytesOf(const TMemoryStream& s) { return Bytes(s.Memory(), s.Memory() + s.size()); }
Bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

ProcessResult runProcess(const QString& program, const QStringList& arguments, int timeoutMs)
{
    ProcessResult r;
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForStarted(timeoutMs))
        return r;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void withFileSizeLimit(uint64_t limit, const std::function<void()>& what)
{
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit tight = old;
    tight.rlim_cur = rlim_t(limit);
    auto* const oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    what();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
}

int runAsUser(unsigned uid, unsigned gid, const std::vector<unsigned>& groups, const std::function<int()>& what)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        std::vector<gid_t> list(groups.begin(), groups.end());
        // Groups first, then the group, then the user: afterwards nothing can be taken back.
        if (::setgroups(list.size(), list.data()) != 0 || ::setresgid(gid, gid, gid) != 0
            || ::setresuid(uid, uid, uid) != 0)
            ::_exit(255);
        ::_exit(what() & 0x7F);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

bool runningAsRoot() { return ::geteuid() == 0; }

} // namespace dw::test
