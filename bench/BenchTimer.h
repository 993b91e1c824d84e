#pragma once

// Timing for the benchmarks: each case runs repeatedly for at least a minimum time, several
// times over; the best run counts (the least disturbed by the rest of the machine).
//
// Quick mode (DIALWRIGHT_BENCH_QUICK set and not "0", which `scripts/bench --quick` sets): every
// case runs exactly once, as a smoke check that the benchmarks still run; the ratios printed
// then mean little, and a missed goal does not make the program fail.
//
// Exit status of a benchmark program (exitStatus): 0 all goals met (or quick mode), 1 a goal
// missed, 2 the benchmark could not do its work (a result differed from its peer's).

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace bench {

inline bool quick()
{
    static const bool on = [] {
        const char* v = std::getenv("DIALWRIGHT_BENCH_QUICK");
        return v && *v && std::strcmp(v, "0") != 0;
    }();
    return on;
}

namespace detail {
inline bool g_goalMissed = false;
inline bool g_failed = false;
} // namespace detail

// The processor time the program has used, all its threads together (user and system, page
// faults included), in seconds. The benchmarks count it rather than the wall clock: the machines
// they run on are shared, and time spent waiting while another program runs is no one's cost.
// A peer that spreads its work over threads (QImage::transformed does) is charged for all of it.
inline double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Seconds per call of fn, the best of `rounds` rounds of at least minSeconds each; in quick
// mode the time of one call.
inline double secondsPerCall(const std::function<void()>& fn, double minSeconds = 0.25, int rounds = 5)
{
    if (quick()) {
        const double start = cpuSeconds();
        fn();
        return cpuSeconds() - start;
    }
    fn(); // warm up caches and allocations
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        long calls = 0;
        const double start = cpuSeconds();
        double elapsed = 0;
        do {
            fn();
            ++calls;
            elapsed = cpuSeconds() - start;
        } while (elapsed < minSeconds);
        if (elapsed / calls < best)
            best = elapsed / calls;
    }
    return best;
}

// Ours and the peer timed alternately, `alternations` times over, the best of each: on a shared
// machine a busy neighbour then does not fall on one side of the ratio only.
struct PairTimes {
    double ours;
    double peer;
};
inline PairTimes alternately(const std::function<void()>& ours, const std::function<void()>& peer,
                             int alternations = 3, double minSeconds = 0.2, int rounds = 2)
{
    PairTimes t{1e300, 1e300};
    for (int a = 0; a < (quick() ? 1 : alternations); ++a) {
        t.ours = std::min(t.ours, secondsPerCall(ours, minSeconds, rounds));
        t.peer = std::min(t.peer, secondsPerCall(peer, minSeconds, rounds));
    }
    return t;
}

// Ours and the peer timed a call at a time, in turn, `pairs` times after a call of each to warm
// up: the median call of each. The two halves of a pair run a few milliseconds apart, so a change
// in the machine's speed (a shared machine's neighbours) falls on both alike, and the median
// leaves out the calls a neighbour's burst fell on. For calls of some milliseconds; in quick mode
// one call of each.
inline PairTimes alternatelyByCall(const std::function<void()>& ours, const std::function<void()>& peer,
                                   int pairs = 101)
{
    const auto timed = [](const std::function<void()>& fn) {
        const double start = cpuSeconds();
        fn();
        return cpuSeconds() - start;
    };
    if (quick())
        return {timed(ours), timed(peer)};
    ours();
    peer();
    std::vector<double> o, p;
    for (int i = 0; i < pairs; ++i) {
        o.push_back(timed(ours));
        p.push_back(timed(peer));
    }
    const auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    return {median(o), median(p)};
}

// "name: 12.3 ms/call, 456.7 MB/s" for a case that processes `units` of `unitName` per call.
inline void printCase(const char* name, double seconds, double units, const char* unitName)
{
    std::printf("  %-44s %10.3f ms/call  %10.1f %s/s\n", name, seconds * 1e3, units / seconds / 1e6, unitName);
}

// "what   3.20x   (goal >= 1.50x: met)": ratio = peer time / our time, so > 1 means ours is
// faster. scripts/bench gathers these lines into its summary table.
inline bool printRatio(const char* what, double oursSeconds, double peerSeconds, double goal)
{
    const double ratio = peerSeconds / oursSeconds;
    const bool met = ratio >= goal;
    std::printf("  %-44s %8.2fx   (goal >= %.2fx: %s)\n", what, ratio, goal, met ? "met" : "NOT met");
    detail::g_goalMissed |= !met;
    return met;
}

// "what  18.40x   (goal <= 25.00x: met)" for a measure that must stay at or below its goal
// (a time or a memory as a multiple of its reference).
inline bool printAtMost(const char* what, double multiple, double goal)
{
    const bool met = multiple <= goal;
    std::printf("  %-44s %8.2fx   (goal <= %.2fx: %s)\n", what, multiple, goal, met ? "met" : "NOT met");
    detail::g_goalMissed |= !met;
    return met;
}

// "what   0.30x   (reference)": a ratio printed for orientation, without a goal.
inline void printReference(const char* what, double oursSeconds, double peerSeconds)
{
    std::printf("  %-44s %8.2fx   (reference)\n", what, peerSeconds / oursSeconds);
}

// A result that shows the benchmark cannot be trusted (ours and the peer's differ).
inline void fail(const char* what)
{
    std::printf("  FAILED: %s\n", what);
    detail::g_failed = true;
}

inline int exitStatus()
{
    if (detail::g_failed)
        return 2;
    return detail::g_goalMissed && !quick() ? 1 : 0;
}

// Keeps the optimiser from dropping a computed value.
template <typename T> inline void keep(const T& value) { asm volatile("" : : "g"(&value) : "memory"); }

} // namespace bench
