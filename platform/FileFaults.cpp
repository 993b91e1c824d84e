#include "FileFaults.h"

#include <atomic>
#include <cerrno>

namespace dw::filefaults {

namespace {

std::atomic<int64_t> g_failAt{0};
std::atomic<int64_t> g_counted{0};
std::atomic<int> g_error{0};
std::atomic<bool> g_onward{false};
std::function<void(Operation)> g_watcher;

} // namespace

void failAt(int64_t n, int error, bool onward)
{
    g_failAt = n;
    g_error = error;
    g_onward = onward;
    g_counted = 0;
}

int64_t counted() { return g_counted; }

void watch(std::function<void(Operation)> watcher) { g_watcher = std::move(watcher); }

bool fails(Operation operation)
{
    if (g_watcher)
        g_watcher(operation);
    const int64_t n = ++g_counted;
    if (g_failAt == 0 || n < g_failAt || (n > g_failAt && !g_onward))
        return false;
    errno = g_error;
    return true;
}

} // namespace dw::filefaults
