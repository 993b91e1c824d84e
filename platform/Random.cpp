#include "Random.h"

#include <chrono>
#include <random>

namespace dw {

namespace {
std::mt19937_64& generator()
{
    static std::mt19937_64 g(0x5EEDu);
    return g;
}
} // namespace

void randomize()
{
    generator().seed(static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

void setRandomSeed(uint64_t seed) { generator().seed(seed); }

int32_t randomInt(int32_t range)
{
    if (range <= 0)
        return 0;
    std::uniform_int_distribution<int32_t> d(0, range - 1);
    return d(generator());
}

} // namespace dw
