// The 512-sample spectrum: Hann window, real FFT (kissfft), scaled magnitudes.
#pragma once

#include "platform/audio/decoder.h"

#include <array>
#include <cstddef>
#include <cstdint>

struct kiss_fftr_state;

namespace platform::audio {

constexpr std::size_t kFftSize = 512;           // samples per transform
constexpr std::size_t kSpectrumBins = kFftSize / 2;  // magnitudes written, bin k = k × rate/512 Hz
// Magnitude scale: |X_k| × 2/N, so a full-scale sine at a bin's centre gives 0.5 there
// (the Hann window halves it) and full-scale DC gives 1.0 in bin 0.
constexpr float kSpectrumScale = 2.0f / static_cast<float>(kFftSize);

class Spectrum512 {
public:
    Spectrum512();
    ~Spectrum512();
    Spectrum512(const Spectrum512&) = delete;
    Spectrum512& operator=(const Spectrum512&) = delete;

    // mono: 512 samples in -1..1. bins: 256 values in 0..1, lowest band first.
    void Compute(const float* mono, float* bins);

    // The 512 frames of pcm starting at frame `start`, mixed to mono (mean of left and right,
    // scaled to -1..1). Frames past the end are silence, or with `loop` come from the start.
    static void MonoWindow(const PcmBuffer& pcm, std::size_t start, bool loop, float* mono);

private:
    kiss_fftr_state* cfg_;
    std::array<float, kFftSize> window_;
    std::array<float, kFftSize> input_;
    std::array<float, 2 * (kFftSize / 2 + 1)> output_;  // complex pairs (re, im)
};

}  // namespace platform::audio
