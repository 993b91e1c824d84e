#pragma once

// Timing for the benchmarks: each case runs repeatedly for at least a minimum time, several
// times over; the best run counts (the least disturbed by the rest of the machine).

#include <chrono>
#include <cstdio>
#include <functional>

namespace bench {

// Seconds per call of fn, the best of `rounds` rounds of at least minSeconds each.
inline double secondsPerCall(const std::function<void()>& fn, double minSeconds = 0.25, int rounds = 5)
{
    using clock = std::chrono::steady_clock;
    fn(); // warm up caches and allocations
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        long calls = 0;
        const auto start = clock::now();
        double elapsed = 0;
        do {
            fn();
            ++calls;
            elapsed = std::chrono::duration<double>(clock::now() - start).count();
        } while (elapsed < minSeconds);
        if (elapsed / calls < best)
            best = elapsed / calls;
    }
    return best;
}

// "name: 12.3 ms/call, 456.7 MB/s" for a case that processes `units` of `unitName` per call.
inline void printCase(const char* name, double seconds, double units, const char* unitName)
{
    std::printf("  %-44s %10.3f ms/call  %10.1f %s/s\n", name, seconds * 1e3, units / seconds / 1e6, unitName);
}

// "ours / peer: 3.20x (goal ≥ 1.50x: met)"; ratio > 1 means ours is faster.
inline bool printRatio(const char* what, double oursSeconds, double peerSeconds, double goal)
{
    const double ratio = peerSeconds / oursSeconds;
    const bool met = ratio >= goal;
    std::printf("  %-44s %8.2fx   (goal >= %.2fx: %s)\n", what, ratio, goal, met ? "met" : "NOT met");
    return met;
}

// Keeps the optimiser from dropping a computed value.
template <typename T> inline void keep(const T& value) { asm volatile("" : : "g"(&value) : "memory"); }

} // namespace bench
