// The C runtime's random source with the home platform's sequence. The program draws every
// random number from here; it is never seeded, so every run sees the same numbers.
#pragma once

#include <cstdlib>

#define RAND_MAX_PLATFORM 0x7FFF
