#include "MappedFile.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace dw {

namespace {

// The mappings the fault handler may mend: where each begins and ends, and whether a fault was
// mended in it. A slot is free while its start is 0, and being filled while it is kReserved.
struct LiveMapping {
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
    std::atomic<bool> faulted{false};
};

constexpr int kSlots = 32;
constexpr uintptr_t kReserved = 1;
LiveMapping g_live[kSlots];
struct sigaction g_previous {};
std::once_flag g_handlerInstalled;

// A read past the end of a file cut short: the rest of the mapping from the faulting page on
// becomes zeros, and the mapping is marked. A fault anywhere else goes to whoever handled it
// before (the default ends the program as it would have).
void onBusError(int signal, siginfo_t* info, void* context)
{
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (LiveMapping& live : g_live) {
        const uintptr_t begin = live.begin.load();
        const uintptr_t end = live.end.load();
        if (begin <= kReserved || address < begin || address >= end)
            continue;
        const uintptr_t page = address & ~uintptr_t(sysconf(_SC_PAGESIZE) - 1);
        // The raw call: nothing that could take a lock runs in the handler.
        const long zeros = syscall(SYS_mmap, page, end - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != -1) {
            live.faulted.store(true);
            return;
        }
    }
    if (g_previous.sa_flags & SA_SIGINFO) {
        g_previous.sa_sigaction(signal, info, context);
    } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(signal);
    } else {
        // The default action, as if never handled: for a fault, delivered once the handler
        // returns.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

void installHandler()
{
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &g_previous);
}

int takeSlot(uintptr_t begin, uintptr_t end)
{
    for (int i = 0; i < kSlots; ++i) {
        uintptr_t expected = 0;
        if (!g_live[i].begin.compare_exchange_strong(expected, kReserved))
            continue;
        // The end and the mark are set before the start makes the slot live.
        g_live[i].end.store(end);
        g_live[i].faulted.store(false);
        g_live[i].begin.store(begin);
        return i;
    }
    return -1;
}

long faultsSoFar()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    // A file renamed over loses its last name, which its link count tells at once.
    return a.st_size == b.st_size && a.st_nlink == b.st_nlink && a.st_mtim.tv_sec == b.st_mtim.tv_sec
        && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec
        && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace

std::unique_ptr<MappedFile> MappedFile::map(int fd, int64_t size, const QString& path)
{
    struct stat seen {};
    if (size < kMinMappedBytes || ::fstat(fd, &seen) != 0 || !S_ISREG(seen.st_mode) || seen.st_size < size)
        return nullptr;
    std::call_once(g_handlerInstalled, installHandler);
    void* bytes = ::mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED, fd, 0);
    if (bytes == MAP_FAILED)
        return nullptr;
    const auto begin = reinterpret_cast<uintptr_t>(bytes);
    const int slot = takeSlot(begin, begin + uintptr_t(size));
    FileDescriptor own(slot < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!own.isOpen()) {
        if (slot >= 0)
            g_live[slot].begin.store(0);
        ::munmap(bytes, size_t(size));
        return nullptr;
    }
    // Where the system holds the file in large pages, mapped with them: a few faults, not
    // one a page.
    ::madvise(bytes, size_t(size), MADV_HUGEPAGE);
    return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const uint8_t*>(bytes), size_t(size), slot, std::move(own), seen, path));
}

MappedFile::MappedFile(const uint8_t* bytes, size_t size, int slot, FileDescriptor fd, const struct stat& seen,
                       const QString& path)
    : m_bytes(bytes), m_size(size), m_slot(slot), m_fd(std::move(fd)), m_seen(seen), m_path(path)
{
}

MappedFile::~MappedFile()
{
    g_live[m_slot].begin.store(0);
    ::munmap(const_cast<uint8_t*>(m_bytes), m_size);
}

// Not checked by the address sanitizer, whose own reads of its records of these addresses
// would fault and be counted.
__attribute__((no_sanitize_address)) bool MappedFile::heldInLargePages() const
{
    constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
    if (m_size < kLargePage || reinterpret_cast<uintptr_t>(m_bytes) % kLargePage != 0)
        return false;
    const auto* bytes = reinterpret_cast<const volatile uint8_t*>(m_bytes);
    (void)bytes[0];
    const long before = faultsSoFar();
    (void)bytes[kLargePage / 2];
    return faultsSoFar() == before;
}

bool MappedFile::changed() const
{
    struct stat now {};
    return g_live[m_slot].faulted.load() || ::fstat(m_fd.get(), &now) != 0 || !sameFile(now, m_seen);
}

} // namespace dw
