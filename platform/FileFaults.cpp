#include "FileFaults.h"

#include <atomic>
#include <cerrno>

namespace dw::filefaults {

namespace {

std::atomic<int64_t> g_failAt{0};
std::atomic<int64_t> g_counted{0};
std::atomic<int> g_error{0};
std::atomic<bool> g_onward{false};

} // namespace

void failAt(int64_t n, int error, bool onward)
{
    g_failAt = n;
    g_error = error;
    g_onward = onward;
    g_counted = 0;
}

int64_t counted() { return g_counted; }

bool fails(Operation)
{
    const int64_t n = ++g_counted;
    if (g_failAt == 0 || n < g_failAt || (n > g_failAt && !g_onward))
        return false;
    errno = g_error;
    return true;
}

} // namespace dw::filefaults
