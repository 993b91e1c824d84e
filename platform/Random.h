#pragma once

#include <cstdint>

namespace dw {

// The program's pseudo-random generator. It is seeded once at start-up from the clock;
// tests may seed it with a fixed value to repeat a run.
void randomize();
void setRandomSeed(uint64_t seed);
// A pseudo-random integer from 0 to range − 1 (0 when range ≤ 0).
int32_t randomInt(int32_t range);

} // namespace dw
