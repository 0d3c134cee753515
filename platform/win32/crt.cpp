// rand and srand with the sequence of the home platform's C runtime: a linear congruential
// generator on a 32-bit state that starts at 1, returning bits 16 to 30 of the new state.
// They replace the host C library's functions of the same names for the whole process, so
// that every caller, terrain generation, the timer and the dissolve alike, shares one sequence.
#include "win32/crt.h"

#include <cstdint>

namespace {
std::uint32_t g_randState = 1;
}

// The C library's own declarations say whether these may throw: glibc's say not, musl's (the
// browser build's) say nothing.
#if defined(__GLIBC__)
#define DV_CRT_NOEXCEPT noexcept
#else
#define DV_CRT_NOEXCEPT
#endif

extern "C" int rand() DV_CRT_NOEXCEPT {
    g_randState = g_randState * 214013u + 2531011u;
    return static_cast<int>((g_randState >> 16) & 0x7FFF);
}

extern "C" void srand(unsigned int seed) DV_CRT_NOEXCEPT {
    g_randState = seed;
}
