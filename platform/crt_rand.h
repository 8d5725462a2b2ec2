// The C library's random generator as the production uses it: `crt::rand()` returns 0..32767
// and is never seeded by the program, so every run draws the same sequence. One generator per
// process, shared by the particle system and the per-frame update. (glibc's own rand() has a
// different range, so it must not be used where the production says rand().)
//
// The generator is the sample one from the C standard: a 32-bit linear congruential step
// (state × 1103515245 + 12345), returning bits 16..30 of the new state. Start state 1.
#pragma once

#include <cstdint>

namespace crt {

constexpr int RAND_MAX_VALUE = 32767;

namespace detail {
inline std::uint32_t g_randState = 1;  // process-wide; C++17 inline variable: one instance
}

// Next value of the program-wide sequence, 0..RAND_MAX_VALUE.
inline int rand() {
    detail::g_randState = detail::g_randState * 1103515245u + 12345u;
    return static_cast<int>((detail::g_randState / 65536u) % 32768u);
}

// Restarts the sequence; srand(1) gives the sequence of a fresh process. Tests use it to make
// their draws independent of what ran before.
inline void srand(unsigned seed) { detail::g_randState = seed; }

}  // namespace crt
