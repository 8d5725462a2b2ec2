#include "platform/audio/spectrum.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace platform::audio {

static_assert(sizeof(kiss_fft_cpx) == 2 * sizeof(float), "kissfft built for float");

Spectrum512::Spectrum512() : cfg_(kiss_fftr_alloc(static_cast<int>(kFftSize), 0, nullptr, nullptr)) {
    if (cfg_ == nullptr) throw std::bad_alloc();
    // Periodic Hann window: 0 at n = 0, 1 at n = N/2, mean 0.5.
    const double twoPi = 6.283185307179586476925286766559;
    for (std::size_t n = 0; n < kFftSize; ++n)
        window_[n] = static_cast<float>(0.5 - 0.5 * std::cos(twoPi * static_cast<double>(n) /
                                                             static_cast<double>(kFftSize)));
}

Spectrum512::~Spectrum512() { kiss_fftr_free(cfg_); }

void Spectrum512::Compute(const float* mono, float* bins) {
    for (std::size_t n = 0; n < kFftSize; ++n) input_[n] = mono[n] * window_[n];
    auto* out = reinterpret_cast<kiss_fft_cpx*>(output_.data());
    kiss_fftr(cfg_, input_.data(), out);
    for (std::size_t k = 0; k < kSpectrumBins; ++k) {
        const float magnitude = std::sqrt(out[k].r * out[k].r + out[k].i * out[k].i) * kSpectrumScale;
        // Bounded by 1 for input in -1..1; the clamp only removes rounding above it.
        bins[k] = std::min(magnitude, 1.0f);
    }
}

void Spectrum512::MonoWindow(const PcmBuffer& pcm, std::size_t start, bool loop, float* mono) {
    const std::size_t frames = pcm.Frames();
    std::size_t frame = start;
    for (std::size_t n = 0; n < kFftSize; ++n, ++frame) {
        if (frame >= frames) {
            if (!loop || frames == 0) {
                std::fill(mono + n, mono + kFftSize, 0.0f);
                return;
            }
            frame %= frames;
        }
        const int sum = pcm.samples[2 * frame] + pcm.samples[2 * frame + 1];
        mono[n] = static_cast<float>(sum) * (1.0f / 65536.0f);
    }
}

}  // namespace platform::audio
