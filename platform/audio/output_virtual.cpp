// Outputs without a sound device; neither has latency (what is mixed is heard).
// The silent output catches up with real time whenever the library is asked where the music
// is: the streams just move on, no samples are made. The capture output mixes into memory, for
// its sink, exactly when the picture's clock moves it.
#include "platform/audio/output.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace platform::audio {
namespace {

class SilentOutput final : public Output {
public:
    SilentOutput(Mixer& mixer, std::int64_t startNs) : mixer_(mixer), startNs_(startNs) {}

    OutputKind Kind() const override { return OutputKind::Silent; }

    std::uint64_t HeardFrames(std::uint64_t mixed, std::int64_t, std::int64_t) const override {
        return mixed;
    }

    void Update(std::int64_t nowNs) override {
        if (nowNs <= startNs_) return;
        const auto since = static_cast<unsigned __int128>(nowNs - startNs_);
        const auto target = static_cast<std::uint64_t>(since * mixer_.Rate() / 1000000000u);
        const std::uint64_t mixed = mixer_.MixedFrames();
        if (target > mixed) mixer_.Skip(target - mixed, nowNs);
    }

private:
    Mixer& mixer_;
    std::int64_t startNs_;
};

class CaptureOutput final : public Output {
public:
    CaptureOutput(Mixer& mixer, CaptureSink sink) : mixer_(mixer), sink_(std::move(sink)) {}

    OutputKind Kind() const override { return OutputKind::Capture; }

    std::uint64_t HeardFrames(std::uint64_t mixed, std::int64_t, std::int64_t) const override {
        return mixed;
    }

    bool Advance(std::uint64_t numerator, std::uint32_t denominator) override {
        if (denominator == 0) return false;
        const auto target = static_cast<unsigned __int128>(numerator) * mixer_.Rate() / denominator;
        std::uint64_t mixed = mixer_.MixedFrames();
        if (target > UINT64_MAX || target < mixed) return false;
        while (mixed < target) {
            const auto n = static_cast<std::size_t>(
                std::min<unsigned __int128>(target - mixed, Mixer::kChunkFrames));
            mixer_.Mix(buffer_.data(), n, NowNs());
            if (sink_) sink_(buffer_.data(), n);
            mixed += n;
        }
        return true;
    }

private:
    Mixer& mixer_;
    CaptureSink sink_;
    std::array<std::int16_t, 2 * Mixer::kChunkFrames> buffer_{};
};

}  // namespace

std::unique_ptr<Output> OpenSilentOutput(Mixer& mixer, std::int64_t nowNs) {
    return std::make_unique<SilentOutput>(mixer, nowNs);
}

std::unique_ptr<Output> OpenCaptureOutput(Mixer& mixer, CaptureSink sink) {
    return std::make_unique<CaptureOutput>(mixer, std::move(sink));
}

}  // namespace platform::audio
