// Spectrum of the music as the production reads it: magnitudes of a 512-sample FFT of
// the mono mix with a Hann window, 256 bins of 44100/512 Hz each, lowest band first,
// scaled so that a full-scale sine at the centre of a bin reads 0.5.
#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

namespace music {

// `pcm` interleaved 16-bit stereo; the window starts at frame `at` (zeros past the end).
inline void Spectrum512(const std::vector<int16_t>& pcm, size_t at, float out[256])
{
    const size_t n = 512, frames = pcm.size() / 2;
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < n; ++i) {
        double s = 0;
        if (at + i < frames) s = (pcm[(at + i) * 2] + pcm[(at + i) * 2 + 1]) / 65536.0;
        double w = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(n));
        a[i] = s * w;
    }
    // Iterative radix-2 FFT.
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        std::complex<double> wl = std::polar(1.0, -2 * M_PI / double(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < len / 2; ++k) {
                std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= wl;
            }
        }
    }
    for (size_t k = 0; k < 256; ++k) out[k] = float(std::abs(a[k]) * 2.0 / double(n));
}

}  // namespace music
