#include "SimulatedTicks.h"

namespace dw {

SimulatedTicks::SimulatedTicks(int64_t start) : m_now(start) { m_previous = ticks::install(this); }

SimulatedTicks::~SimulatedTicks() { ticks::install(m_previous); }

void SimulatedTicks::sleep(int milliseconds)
{
    ++m_sleeps;
    if (milliseconds > 0) {
        m_now += milliseconds;
        m_slept += milliseconds;
    }
    if (afterSleep)
        afterSleep(m_now);
}

} // namespace dw
