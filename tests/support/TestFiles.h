#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace dw {
class TMemoryStream;
}

namespace dw::test {

using Bytes = std::vector<uint8_t>;

// The bytes of a file; fails the current test when it cannot be read.
Bytes readFile(const QString& path);
void writeFile(const QString& path, const Bytes& bytes);
// The same, piece bytes at a time, as a program writing through a small buffer writes them.
void writeInPieces(const QString& path, const Bytes& bytes, size_t piece);
Bytes bytesOf(const std::string& s);
Bytes bytesOf(const char* s);
Bytes bytesOf(const QByteArray& a);
Bytes bytesOf(const TMemoryStream& s); // what the stream holds
Bytes le32(uint32_t v); // four bytes, least significant first
Bytes cat(std::initializer_list<Bytes> parts);

// The message of the framework error what raises, or "(no error)" when it returns normally.
QString errorMessageOf(const std::function<void()>& what);

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

// Another user of the machine, for what a second user can or cannot do to the program's files.
// The user and group 65534 (nobody, nogroup) and a group of the test's own: no user holds them.
constexpr unsigned kOtherUser = 65534;
constexpr unsigned kOtherGroup = 65534;
constexpr unsigned kSharedGroup = 48151;

// Runs what in a child process that has become user uid with the primary group gid and the
// supplementary groups given (only root can); returns what returned, or -1 when the child could
// not become that user. The caller skips when the test does not run as root.
int runAsUser(unsigned uid, unsigned gid, const std::vector<unsigned>& groups, const std::function<int()>& what);
bool runningAsRoot();

} // namespace dw::test
