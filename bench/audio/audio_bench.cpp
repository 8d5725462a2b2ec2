// Start-up and per-frame costs of the audio stand-in on a track as long as the production's.
#include "platform/audio.h"
#include "platform/audio/decoder.h"
#include "platform/audio/mixer.h"
#include "platform/audio/spectrum.h"

#include "tests/audio/signals.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

constexpr int kTrackSeconds = 220;

// A stereo MP3 of the production's length: a chord that changes every second.
const std::vector<std::uint8_t>& Track() {
    static const std::vector<std::uint8_t> mp3 = [] {
        std::vector<std::int16_t> pcm;
        pcm.reserve(std::size_t{2} * audiotest::kRate * kTrackSeconds);
        for (int s = 0; s < kTrackSeconds; ++s) {
            const auto second = audiotest::Tones(
                {{audiotest::BinHz(1 + s % 9), 0.3}, {audiotest::BinHz(20 + s % 30), 0.2}, {audiotest::BinHz(180), 0.1}},
                audiotest::kRate, 2);
            pcm.insert(pcm.end(), second.begin(), second.end());
        }
        return audiotest::EncodeMp3(pcm, 2);
    }();
    return mp3;
}

// Decoding the whole track up front, as BASS_StreamCreateFile does at start-up.
void BM_DecodeWholeTrack(benchmark::State& state) {
    const auto& mp3 = Track();
    for (auto _ : state) {
        auto decoded = platform::audio::DecodeMp3(mp3.data(), mp3.size(), audiotest::kRate);
        benchmark::DoNotOptimize(decoded.pcm.samples.data());
    }
    state.counters["MB_pcm"] = 4.0 * audiotest::kRate * kTrackSeconds / 1e6;
}
BENCHMARK(BM_DecodeWholeTrack)->Unit(benchmark::kMillisecond)->Iterations(3);

// One frame at 60 Hz through the public calls: the capture clock plays 735 frames, then the
// production's spectrum request.
void BM_FrameOfMusicAndSpectrum(benchmark::State& state) {
    platform::audio::UseCaptureOutput({});
    BASS_Init(1, audiotest::kRate, 0, nullptr, nullptr);
    const auto& mp3 = Track();
    const HSTREAM h = BASS_StreamCreateFile(TRUE, mp3.data(), 0, static_cast<DWORD>(mp3.size()), BASS_SAMPLE_LOOP);
    BASS_StreamPlay(h, FALSE, 0);
    std::array<float, 512> bins{};
    std::uint64_t frame = 0;
    for (auto _ : state) {
        platform::audio::AdvanceCaptureClock(++frame, 60);
        benchmark::DoNotOptimize(BASS_ChannelGetData(h, bins.data(), BASS_DATA_FFT512));
    }
    BASS_Free();
    platform::audio::UseDeviceOutput();
}
BENCHMARK(BM_FrameOfMusicAndSpectrum)->Unit(benchmark::kMicrosecond);

void BM_Spectrum512(benchmark::State& state) {
    platform::audio::Spectrum512 spectrum;
    std::array<float, 512> mono{};
    for (std::size_t i = 0; i < mono.size(); ++i) mono[i] = static_cast<float>((i * 7919) % 200) / 100.0f - 1.0f;
    std::array<float, 256> bins{};
    for (auto _ : state) {
        spectrum.Compute(mono.data(), bins.data());
        benchmark::DoNotOptimize(bins.data());
    }
}
BENCHMARK(BM_Spectrum512);

// The device thread's work for one 1024-frame buffer with `streams` voices playing.
void BM_MixBuffer(benchmark::State& state) {
    auto pcm = std::make_shared<platform::audio::PcmBuffer>();
    pcm->rate = audiotest::kRate;
    pcm->samples = audiotest::Tones({{440.0, 0.3}}, audiotest::kRate, 2);
    platform::audio::Mixer mixer(audiotest::kRate);
    for (int i = 0; i < state.range(0); ++i) {
        mixer.Add(static_cast<std::uint32_t>(i + 1), pcm, true);
        mixer.Play(static_cast<std::uint32_t>(i + 1), false, true);
    }
    std::array<std::int16_t, 2 * 1024> out{};
    for (auto _ : state) {
        mixer.Mix(out.data(), 1024, 0);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_MixBuffer)->Arg(1)->Arg(4);

}  // namespace

BENCHMARK_MAIN();
