#pragma once

// What a child process cost: its peak resident memory and its processor time, as the kernel
// counts them for that child alone (wait4). Header-only, for the tests and the benchmarks that
// hold the program to a memory or time goal on one file.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace dw::test {

struct ChildUsage {
    int exitCode = -1;       // -1 when it did not exit normally
    int64_t peakBytes = 0;   // the largest resident set it had (ru_maxrss)
    double cpuSeconds = 0;   // user and system time
};

namespace detail {

inline ChildUsage waitForChild(pid_t pid)
{
    ChildUsage usage;
    int status = 0;
    rusage ru {};
    pid_t done;
    do {
        done = ::wait4(pid, &status, 0, &ru);
    } while (done < 0 && errno == EINTR);
    if (done != pid)
        return usage;
    usage.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    usage.peakBytes = int64_t(ru.ru_maxrss) * 1024;
    usage.cpuSeconds = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec)
                       + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
    return usage;
}

} // namespace detail

// Runs program with arguments (its output thrown away), with the environment variables in
// `environment` ("NAME=value") added to this process's own.
inline ChildUsage runMeasured(const QString& program, const QStringList& arguments,
                              const QStringList& environment = {})
{
    std::vector<QByteArray> args{program.toLocal8Bit()};
    for (const QString& a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<QByteArray> env;
    for (const QString& e : environment)
        env.push_back(e.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0)
        return {};
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        for (QByteArray& e : env)
            ::putenv(e.data());
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return detail::waitForChild(pid);
}

// Runs what in a forked copy of this process; its result is the exit code. The copy starts with
// this process's resident memory, so compare with a copy that does the same on a small input.
inline ChildUsage forkMeasured(const std::function<int()>& what)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return {};
    if (pid == 0)
        ::_exit(what());
    return detail::waitForChild(pid);
}

} // namespace dw::test
