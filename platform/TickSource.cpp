#include "TickSource.h"

#include <chrono>
#include <thread>

namespace dw {

namespace {

class SystemTicks final : public TickSource {
public:
    int64_t milliseconds() override
    {
        using namespace std::chrono;
        return duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void sleep(int ms) override
    {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

SystemTicks g_system;
TickSource* g_current = &g_system;

} // namespace

namespace ticks {

TickSource* install(TickSource* source)
{
    TickSource* previous = g_current == &g_system ? nullptr : g_current;
    g_current = source ? source : &g_system;
    return previous;
}

TickSource& current() { return *g_current; }

} // namespace ticks

} // namespace dw
