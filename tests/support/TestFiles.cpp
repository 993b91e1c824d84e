#include "TestFiles.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

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

void writeFile(const QString& path, const Bytes& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
        return;
    }
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

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

} // namespace dw::test
