// The 512-sample spectrum on generated signals, without the library around it.
#include "platform/audio/spectrum.h"

#include "signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using platform::audio::kFftSize;
using platform::audio::kSpectrumBins;
using platform::audio::PcmBuffer;
using platform::audio::Spectrum512;

using Bins = std::array<float, kSpectrumBins>;

PcmBuffer Stereo(const std::vector<audiotest::Tone>& tones, std::size_t frames) {
    PcmBuffer pcm;
    pcm.rate = audiotest::kRate;
    pcm.samples = audiotest::Tones(tones, frames, 2);
    return pcm;
}

Bins SpectrumOf(const PcmBuffer& pcm, std::size_t start = 0) {
    Spectrum512 spectrum;
    std::array<float, kFftSize> mono{};
    Spectrum512::MonoWindow(pcm, start, false, mono.data());
    Bins bins{};
    spectrum.Compute(mono.data(), bins.data());
    return bins;
}

// Largest value outside bins [k-1, k+1] of each listed peak.
float LargestAway(const Bins& bins, std::initializer_list<int> peaks) {
    float largest = 0.0f;
    for (int k = 0; k < static_cast<int>(kSpectrumBins); ++k) {
        bool near = false;
        for (int p : peaks) near = near || std::abs(k - p) <= 1;
        if (!near) largest = std::max(largest, bins[static_cast<std::size_t>(k)]);
    }
    return largest;
}

TEST(Spectrum, SineAtBinCentrePeaksThereWithHalfItsAmplitude) {
    // Bins the production reads and the edges of the range; amplitudes full scale and quieter.
    for (int k : {1, 2, 5, 9, 15, 16, 20, 100, 180, 255}) {
        for (double amplitude : {1.0, 0.25}) {
            const Bins bins = SpectrumOf(Stereo({{audiotest::BinHz(k), amplitude}}, kFftSize));
            SCOPED_TRACE(testing::Message() << "bin " << k << ", amplitude " << amplitude);
            EXPECT_NEAR(bins[static_cast<std::size_t>(k)], amplitude / 2, 0.002 + amplitude * 0.002);
            EXPECT_EQ(std::max_element(bins.begin(), bins.end()) - bins.begin(), k);
            EXPECT_LT(LargestAway(bins, {k}), 0.002f);
        }
    }
}

TEST(Spectrum, SilenceGivesZerosAndDcGivesOneInBinZero) {
    PcmBuffer silence;
    silence.samples.assign(2 * kFftSize, 0);
    for (float v : SpectrumOf(silence)) EXPECT_EQ(v, 0.0f);

    PcmBuffer dc;
    dc.samples.assign(2 * kFftSize, 32767);
    const Bins bins = SpectrumOf(dc);
    EXPECT_NEAR(bins[0], 1.0f, 0.001f);
    EXPECT_NEAR(bins[1], 0.5f, 0.001f);  // the Hann window's own side band
    EXPECT_LT(LargestAway(bins, {0}), 1e-4f);
}

TEST(Spectrum, TwoTonesGiveTwoPeaks) {
    const Bins bins = SpectrumOf(Stereo({{audiotest::BinHz(6), 0.4}, {audiotest::BinHz(40), 0.2}}, kFftSize));
    EXPECT_NEAR(bins[6], 0.2f, 0.002f);
    EXPECT_NEAR(bins[40], 0.1f, 0.002f);
    EXPECT_LT(LargestAway(bins, {6, 40}), 0.002f);
}

TEST(Spectrum, ValuesStayWithinZeroAndOneForTheLoudestSignals) {
    // Full-scale square wave alternating every sample: all energy at the top of the range.
    PcmBuffer square;
    for (std::size_t i = 0; i < kFftSize; ++i) {
        const std::int16_t v = (i % 2) ? -32768 : 32767;
        square.samples.insert(square.samples.end(), {v, v});
    }
    for (float v : SpectrumOf(square)) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
    }
}

TEST(MonoWindow, MixesBothSidesAndPadsPastTheEndWithSilenceOrWraps) {
    PcmBuffer pcm;
    pcm.samples = {32767, -32767, 16384, 16384, 0, -16384};  // 3 frames
    std::array<float, kFftSize> mono;
    mono.fill(9.0f);
    Spectrum512::MonoWindow(pcm, 1, false, mono.data());
    EXPECT_FLOAT_EQ(mono[0], 0.5f);
    EXPECT_FLOAT_EQ(mono[1], -0.25f);
    EXPECT_TRUE(std::all_of(mono.begin() + 2, mono.end(), [](float v) { return v == 0.0f; }));

    Spectrum512::MonoWindow(pcm, 2, true, mono.data());
    EXPECT_FLOAT_EQ(mono[0], -0.25f);
    EXPECT_FLOAT_EQ(mono[1], 0.0f);  // frame 0 again
    EXPECT_FLOAT_EQ(mono[2], 0.5f);
    EXPECT_FLOAT_EQ(mono[kFftSize - 1], mono[(kFftSize - 1) % 3]);
}

}  // namespace
