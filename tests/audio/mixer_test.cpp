// The mixer's bookkeeping of what the listener hears, through an output with a known latency,
// and the sound device's latency model.
#include "platform/audio.h"
#include "platform/audio/mixer.h"
#include "platform/audio/output.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using platform::audio::Mixer;
using platform::audio::OutputKind;
using platform::audio::PcmBuffer;
using platform::audio::StreamLocation;

// Hears everything `latency` frames after it is mixed.
class LateOutput final : public platform::audio::Output {
public:
    explicit LateOutput(std::uint64_t latency) : latency_(latency) {}
    OutputKind Kind() const override { return OutputKind::Device; }
    std::uint64_t HeardFrames(std::uint64_t mixed, std::int64_t, std::int64_t) const override {
        return mixed > latency_ ? mixed - latency_ : 0;
    }

private:
    std::uint64_t latency_;
};

// A stream whose left and right samples hold the frame number (mod 32768) and its negation.
std::shared_ptr<const PcmBuffer> Ramp(std::size_t frames) {
    auto pcm = std::make_shared<PcmBuffer>();
    pcm->rate = 44100;
    for (std::size_t i = 0; i < frames; ++i) {
        pcm->samples.push_back(static_cast<std::int16_t>(i % 32768));
        pcm->samples.push_back(static_cast<std::int16_t>(-static_cast<int>(i % 32768)));
    }
    return pcm;
}

class MixerTest : public testing::Test {
protected:
    StreamLocation Where(std::uint32_t handle) {
        StreamLocation at;
        EXPECT_EQ(mixer_.Locate(handle, output_, 0, &at), BASS_OK);
        return at;
    }
    void MixFrames(std::size_t frames) {
        while (frames > 0) {
            const std::size_t n = std::min(frames, out_.size() / 2);
            mixer_.Mix(out_.data(), n, 0);
            frames -= n;
        }
    }

    Mixer mixer_{44100};
    LateOutput output_{2048};
    std::array<std::int16_t, 2 * 1000> out_{};
};

TEST_F(MixerTest, ListenerFollowsTheMixByTheOutputsLatencyAndHearsTheEndLate) {
    mixer_.Add(1, Ramp(3000), false);
    MixFrames(500);  // the output runs before the stream starts
    ASSERT_EQ(mixer_.Play(1, false, false), BASS_OK);
    EXPECT_EQ(Where(1).frame, 0u);
    EXPECT_TRUE(Where(1).audible);
    MixFrames(3000);  // stream mixed from output frame 500 to 3500
    EXPECT_EQ(Where(1).frame, 3000u - 2048u);
    MixFrames(1000);  // the end is mixed, not yet heard
    EXPECT_TRUE(Where(1).audible);
    EXPECT_EQ(Where(1).frame, 3000u - 2048u + 1000u);
    MixFrames(1048);
    EXPECT_FALSE(Where(1).audible);
    EXPECT_EQ(Where(1).frame, 3000u);
}

TEST_F(MixerTest, MixHoldsTheStreamsSamplesSummedAndClipped) {
    mixer_.Add(1, Ramp(3000), false);
    mixer_.Add(2, Ramp(3000), true);
    mixer_.Play(1, false, false);
    mixer_.SetPosition(2, 2990);
    mixer_.Play(2, false, false);
    mixer_.Mix(out_.data(), 20, 0);
    EXPECT_EQ(out_[2 * 5], 5 + 2995);
    EXPECT_EQ(out_[2 * 5 + 1], -(5 + 2995));
    EXPECT_EQ(out_[2 * 15], 15 + 5);  // stream 2 looped to its start

    auto loud = std::make_shared<PcmBuffer>();
    loud->samples = {30000, -30000};
    mixer_.Add(3, loud, true);
    mixer_.Add(4, loud, true);
    mixer_.Play(3, false, false);
    mixer_.Play(4, false, false);
    mixer_.SetPosition(1, 0);
    mixer_.SetPosition(2, 0);
    mixer_.Mix(out_.data(), 1, 0);
    EXPECT_EQ(out_[0], 32767);
    EXPECT_EQ(out_[1], -32768);
}

TEST_F(MixerTest, SkipMovesStreamsLikeMixing) {
    mixer_.Add(1, Ramp(3000), false);
    mixer_.Add(2, Ramp(3000), true);
    mixer_.Play(1, false, false);
    mixer_.Play(2, false, false);
    mixer_.Skip(2500 + 2048, 0);
    EXPECT_EQ(Where(1).frame, 2500u);
    EXPECT_EQ(Where(2).frame, 2500u);
    mixer_.Skip(400, 0);
    EXPECT_TRUE(Where(1).audible);  // ended at output frame 3000; the listener is at 2900
    EXPECT_EQ(Where(1).frame, 2900u);
    mixer_.Skip(200, 0);
    EXPECT_FALSE(Where(1).audible);
    EXPECT_EQ(Where(2).frame, 100u);  // the looping one is in its second round
    EXPECT_EQ(mixer_.MixedFrames(), 2500u + 2048u + 600u);
}

TEST_F(MixerTest, PauseHoldsTheHeardFrameAndResumingReplaysWhatWasMixedAhead) {
    mixer_.Add(1, Ramp(20000), false);
    EXPECT_EQ(mixer_.Pause(1, output_, 0), BASS_ERROR_NOPLAY);  // not started
    mixer_.Play(1, false, false);
    MixFrames(5000);
    ASSERT_EQ(mixer_.Pause(1, output_, 0), BASS_OK);
    EXPECT_EQ(mixer_.Activity(1), static_cast<int>(BASS_ACTIVE_PAUSED));
    EXPECT_EQ(Where(1).frame, 5000u - 2048u);
    EXPECT_TRUE(Where(1).audible);  // the spectrum of the held frame stays available
    MixFrames(3000);                // the output runs on; the stream does not
    EXPECT_EQ(Where(1).frame, 5000u - 2048u);
    mixer_.Play(1, false, false);
    mixer_.Mix(out_.data(), 1, 0);
    EXPECT_EQ(out_[0], 5000 - 2048);  // the first frame mixed is the one held
    EXPECT_EQ(mixer_.Activity(1), static_cast<int>(BASS_ACTIVE_PLAYING));

    // Paused again before the resumed sound reached the listener: it stays put, and so does a
    // stream positioned and paused at once.
    ASSERT_EQ(mixer_.Pause(1, output_, 0), BASS_OK);
    EXPECT_EQ(Where(1).frame, 5000u - 2048u);
    mixer_.SetPosition(1, 12000);
    mixer_.Play(1, false, false);
    ASSERT_EQ(mixer_.Pause(1, output_, 0), BASS_OK);
    EXPECT_EQ(Where(1).frame, 12000u);
    EXPECT_EQ(mixer_.Activity(7), -1);
}

TEST_F(MixerTest, VolumeScalesTheMixOnly) {
    mixer_.Add(1, Ramp(3000), false);
    mixer_.SetPosition(1, 1000);
    EXPECT_EQ(mixer_.SetVolume(1, 1.5f), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(mixer_.SetVolume(1, -0.1f), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(mixer_.SetVolume(9, 0.5f), BASS_ERROR_HANDLE);
    ASSERT_EQ(mixer_.SetVolume(1, 0.5f), BASS_OK);
    mixer_.Play(1, false, false);
    mixer_.Mix(out_.data(), 2, 0);
    EXPECT_EQ(out_[0], 500);
    EXPECT_EQ(out_[3], -500);
    ASSERT_EQ(mixer_.SetVolume(1, 0.0f), BASS_OK);
    mixer_.Mix(out_.data(), 1, 0);
    EXPECT_EQ(out_[0], 0);
}

TEST(DeviceLatency, ListenerIsTwoBuffersBehindAtAFillAndCatchesUpToOne) {
    using platform::audio::DeviceHeardFrames;
    const std::int64_t fill = 5'000'000'000;
    EXPECT_EQ(DeviceHeardFrames(10240, fill, fill, 44100, 1024), 10240u - 2048u);
    EXPECT_EQ(DeviceHeardFrames(10240, fill, fill + 10'000'000, 44100, 1024), 10240u - 2048u + 441u);
    EXPECT_EQ(DeviceHeardFrames(10240, fill, fill + 1'000'000'000, 44100, 1024), 10240u - 1024u);
    EXPECT_EQ(DeviceHeardFrames(10240, fill, fill - 5, 44100, 1024), 10240u - 2048u);  // clock skew
    EXPECT_EQ(DeviceHeardFrames(1024, fill, fill, 44100, 1024), 0u);
    EXPECT_EQ(DeviceHeardFrames(0, 0, fill, 44100, 1024), 0u);  // before the first fill
}

}  // namespace
