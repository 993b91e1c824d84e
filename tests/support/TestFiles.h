#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dw::test {

using Bytes = std::vector<uint8_t>;

// The bytes of a file; fails the current test when it cannot be read.
Bytes readFile(const QString& path);
void writeFile(const QString& path, const Bytes& bytes);
Bytes bytesOf(const std::string& s);

// Runs a program and waits for it; returns its exit status (−1 when it could not run) and
// what it wrote to stdout and stderr.
struct ProcessResult {
    int exitCode = -1;
    QString out;
    QString err;
};
ProcessResult runProcess(const QString& program, const QStringList& arguments, int timeoutMs = 60000);

// Runs what while this process may not make any file larger than limit bytes, so that a write
// fails part way as on a full disk (the limit binds root too).
void withFileSizeLimit(uint64_t limit, const std::function<void()>& what);

} // namespace dw::test
