// rand and srand with the sequence of the home platform's C runtime: a linear congruential
// generator on a 32-bit state that starts at 1, returning bits 16 to 30 of the new state.
// Every caller in the program, terrain generation, the timer and the dissolve alike, shares
// this one sequence. It is the program's alone: the definitions are hidden, so they stay out
// of the executable's dynamic symbol table. Shared libraries in the process (those that SDL
// loads, say) keep the C library's own generator, neither drawing from this sequence nor
// reseeding it.
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

extern "C" __attribute__((visibility("hidden"))) int rand() DV_CRT_NOEXCEPT {
    g_randState = g_randState * 214013u + 2531011u;
    return static_cast<int>((g_randState >> 16) & 0x7FFF);
}

extern "C" __attribute__((visibility("hidden"))) void srand(unsigned int seed) DV_CRT_NOEXCEPT {
    g_randState = seed;
}
