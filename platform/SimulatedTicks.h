#pragma once

#include "TickSource.h"

#include <functional>

namespace dw {

// A tick source whose time moves only when it is told to: sleep advances it by the time asked
// for, advance() by any amount. A hook called after every sleep lets a test act in the middle of
// a wait (press a button, close a window). Installs itself while it lives.
class SimulatedTicks final : public TickSource {
public:
    explicit SimulatedTicks(int64_t start = 1000);
    ~SimulatedTicks() override;
    SimulatedTicks(const SimulatedTicks&) = delete;
    SimulatedTicks& operator=(const SimulatedTicks&) = delete;

    int64_t milliseconds() override { return m_now; }
    void sleep(int milliseconds) override;

    void advance(int64_t milliseconds) { m_now += milliseconds; }
    // The number of sleeps so far and the time they added up to.
    int sleeps() const { return m_sleeps; }
    int64_t slept() const { return m_slept; }

    // Called after each sleep with the new time.
    std::function<void(int64_t now)> afterSleep;

private:
    TickSource* m_previous = nullptr;
    int64_t m_now;
    int m_sleeps = 0;
    int64_t m_slept = 0;
};

} // namespace dw
