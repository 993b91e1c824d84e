#pragma once

// Which vector instructions the processor has. The vector kernels are compiled with target
// attributes next to their portable loops and chosen at run time with these; code that limits
// them for tests or measurements does so with its own switch, on top.
//
// DW_X86 is 1 where the x86 intrinsics (<immintrin.h>) and these questions exist; elsewhere
// it is 0 and every answer is false. Each answer is a bit test of what the compiler's runtime
// read with cpuid at start-up, cheap enough to ask at every row.

#if defined(__x86_64__) || defined(__i386__)
#define DW_X86 1
#else
#define DW_X86 0
#endif

namespace dw::cpu {

#if DW_X86

inline bool haveSsse3() { return __builtin_cpu_supports("ssse3"); }
inline bool haveAvx2() { return __builtin_cpu_supports("avx2"); }
// AVX-512 with the byte and word instructions, the 128/256-bit forms and byte permutations
// (F, BW, VL and VBMI): what the sixteen-pixel kernels of turned pictures need.
inline bool haveAvx512Vbmi()
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")
        && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
}

#else

inline bool haveSsse3() { return false; }
inline bool haveAvx2() { return false; }
inline bool haveAvx512Vbmi() { return false; }

#endif

} // namespace dw::cpu
