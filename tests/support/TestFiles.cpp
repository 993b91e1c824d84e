#include "TestFiles.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

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

} // namespace dw::test
