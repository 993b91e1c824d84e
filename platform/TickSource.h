#pragma once

#include <cstdint>

namespace dw {

// The time that long waits keep: a monotonic millisecond count and a sleep. The program uses
// the system's steady clock; tests install a simulated one (SimulatedTicks) so that a wait of
// seconds runs at once.
//
// The count is 64 bits wide and never wraps, so a deadline computed from it stays ahead of the
// count for the whole wait.
class TickSource {
public:
    virtual ~TickSource() = default;
    // Milliseconds since an arbitrary fixed point; never decreases.
    virtual int64_t milliseconds() = 0;
    // Blocks the calling thread for about that many milliseconds.
    virtual void sleep(int milliseconds) = 0;
};

namespace ticks {
// Installs a tick source (not owned) and returns the one it replaces; nullptr restores the
// system's.
TickSource* install(TickSource* source);
TickSource& current();
} // namespace ticks

} // namespace dw
