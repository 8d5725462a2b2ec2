// A seeded random source for tests that draw random states and scenes: the same seed gives
// the same sequence on every machine (the standard engine; the distributions are the only
// library-dependent part, and a test compares two renderers on the same draws).
#pragma once

#include <cstddef>
#include <random>

namespace test_support {

struct Rng {
    std::mt19937 engine;
    explicit Rng(unsigned seed) : engine(seed) {}
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine); }
    float Float(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(engine); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(engine); }
    template <typename T, std::size_t N>
    T Pick(const T (&values)[N]) {
        return values[static_cast<std::size_t>(Int(0, static_cast<int>(N) - 1))];
    }
};

}  // namespace test_support
