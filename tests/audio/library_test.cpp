// The library's calls on generated MP3s: decoding, errors, play/seek semantics and the
// spectrum of what is heard, through the capture, silent and device outputs.
#include "platform/audio.h"
#include "platform/audio/decoder.h"
#include "platform/audio/output.h"
#include "platform/win32.h"

#include "signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using audiotest::BinHz;
using audiotest::kRate;
using platform::audio::OutputKind;

constexpr DWORD kFailed = static_cast<DWORD>(-1);
constexpr QWORD kBadPosition = static_cast<QWORD>(-1);
constexpr QWORD kBytesPerSecond = 4 * kRate;

using Bins = std::array<float, 512>;

int Peak(const Bins& bins) {
    return static_cast<int>(std::max_element(bins.begin(), bins.begin() + 256) - bins.begin());
}

// Collects the debugger output while alive.
class DebugText {
public:
    DebugText() {
        previous_ = platform::SetDebugOutputSink([this](const char* t) { text_ += t; });
    }
    ~DebugText() { platform::SetDebugOutputSink(previous_); }
    const std::string& Text() const { return text_; }

private:
    platform::DebugOutputSink previous_;
    std::string text_;
};

// Two seconds of stereo: bin 10 for the first second, bin 40 for the second, amplitude 0.5.
class AudioLibrary : public testing::Test {
protected:
    static constexpr std::size_t kFrames = 2 * kRate;

    void SetUp() override {
        auto first = audiotest::Tones({{BinHz(10), 0.5}}, kRate, 2);
        const auto second = audiotest::Tones({{BinHz(40), 0.5}}, kRate, 2);
        first.insert(first.end(), second.begin(), second.end());
        mp3_ = audiotest::EncodeMp3(first, 2);
        path_ = dir_.Write("tones.mp3", mp3_);
    }

    void TearDown() override {
        BASS_Free();
        platform::audio::UseDeviceOutput();
    }

    // Starts the library on the capture output and opens the test stream.
    HSTREAM StartCapture(DWORD flags = BASS_MP3_SETPOS) {
        platform::audio::UseCaptureOutput([this](const std::int16_t* f, std::size_t n) {
            captured_.insert(captured_.end(), f, f + 2 * n);
        });
        EXPECT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr));
        EXPECT_EQ(platform::audio::CurrentOutput(), OutputKind::Capture);
        const HSTREAM h = BASS_StreamCreateFile(FALSE, path_.c_str(), 0, 0, flags);
        EXPECT_NE(h, 0u);
        return h;
    }

    audiotest::ScratchDir dir_;
    std::vector<std::uint8_t> mp3_;
    std::string path_;
    std::vector<std::int16_t> captured_;
};

TEST_F(AudioLibrary, CallsBeforeInitAndAfterFreeFailWithoutTouchingTheBuffer) {
    for (int round = 0; round < 2; ++round) {
        Bins bins;
        bins.fill(7.0f);
        EXPECT_EQ(BASS_StreamCreateFile(FALSE, path_.c_str(), 0, 0, 0), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
        EXPECT_FALSE(BASS_StreamPlay(1, FALSE, 0));
        EXPECT_FALSE(BASS_ChannelSetPosition(1, 0));
        EXPECT_EQ(BASS_ChannelGetPosition(1), kBadPosition);
        EXPECT_EQ(BASS_ChannelGetData(1, bins.data(), BASS_DATA_FFT512), kFailed);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
        EXPECT_FALSE(BASS_Free());
        EXPECT_FALSE(platform::audio::AdvanceCaptureClock(1, 1));
        EXPECT_TRUE(std::all_of(bins.begin(), bins.end(), [](float v) { return v == 7.0f; }));
        // Second round: a stream handle of a library that has been freed.
        const HSTREAM h = StartCapture();
        EXPECT_TRUE(BASS_Free());
        EXPECT_FALSE(BASS_StreamPlay(h, FALSE, 0));
    }
}

TEST_F(AudioLibrary, InitRefusesASecondStartAndWhatItDoesNotImplement) {
    EXPECT_FALSE(BASS_Init(0, 4000, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FREQ);
    EXPECT_FALSE(BASS_Init(-2, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_FALSE(BASS_Init(0, kRate, 4, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_EQ(platform::audio::CurrentOutput(), OutputKind::None);

    const HSTREAM h = StartCapture();
    EXPECT_FALSE(BASS_Init(1, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_TRUE(BASS_StreamPlay(h, FALSE, 0));  // the first start is unharmed
    Bins bins;
    EXPECT_EQ(BASS_ChannelGetData(h, bins.data(), 512), kFailed);  // raw sample data
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_EQ(BASS_ChannelGetData(h + 1, bins.data(), BASS_DATA_FFT512), kFailed);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_EQ(BASS_ChannelGetData(0, bins.data(), BASS_DATA_FFT512), kFailed);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(AudioLibrary, MissingOrCorruptFilesGiveNoStream) {
    StartCapture();
    std::vector<std::uint8_t> text(2000, 'x');
    std::vector<std::uint8_t> noise(64 * 1024);
    std::uint32_t seed = 12345;
    for (auto& b : noise) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    const std::vector<std::uint8_t> headerOnly(mp3_.begin(), mp3_.begin() + 3);
    struct Case {
        std::string path;
        int error;
    } cases[] = {
        {dir_.Path() + "/missing.mp3", BASS_ERROR_FILEOPEN},
        {dir_.Path(), BASS_ERROR_FILEOPEN},  // a folder
        {dir_.Write("empty.mp3", {}), BASS_ERROR_FILEFORM},
        {dir_.Write("text.mp3", text), BASS_ERROR_FILEFORM},
        {dir_.Write("noise.mp3", noise), BASS_ERROR_FILEFORM},
        {dir_.Write("header.mp3", headerOnly), BASS_ERROR_FILEFORM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(BASS_StreamCreateFile(FALSE, c.path.c_str(), 0, 0, BASS_MP3_SETPOS), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), c.error);
    }
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, path_.c_str(), static_cast<DWORD>(mp3_.size() + 1), 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(BASS_StreamCreateFile(TRUE, noise.data(), 0, static_cast<DWORD>(noise.size()), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, nullptr, 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    // The same MP3 from memory works.
    EXPECT_NE(BASS_StreamCreateFile(TRUE, mp3_.data(), 0, static_cast<DWORD>(mp3_.size()), 0), 0u);
}

TEST(Decoder, WholeStreamComesOutStereoAtTheOutputRateWithoutEncoderDelay) {
    const auto stereo = audiotest::Tones({{BinHz(20), 0.5}}, kRate, 2);
    auto mp3 = audiotest::EncodeMp3(stereo, 2);
    auto decoded = platform::audio::DecodeMp3(mp3.data(), mp3.size(), kRate);
    ASSERT_EQ(decoded.status, platform::audio::DecodeStatus::Ok);
    EXPECT_EQ(decoded.pcm.Frames(), static_cast<std::size_t>(kRate));
    // Same waveform: a sample in the middle is close to the source (lossy coding).
    for (std::size_t i : {10000u, 30001u}) EXPECT_NEAR(decoded.pcm.samples[2 * i], stereo[2 * i], 800);

    const auto mono = audiotest::Tones({{BinHz(20), 0.5}}, kRate / 2, 1, kRate / 2);
    mp3 = audiotest::EncodeMp3(mono, 1, kRate / 2, 64);
    decoded = platform::audio::DecodeMp3(mp3.data(), mp3.size(), kRate);
    ASSERT_EQ(decoded.status, platform::audio::DecodeStatus::Ok);
    EXPECT_NEAR(static_cast<double>(decoded.pcm.Frames()), kRate, kRate * 0.01);  // resampled
    for (std::size_t i = 0; i < decoded.pcm.Frames(); i += 997)
        EXPECT_EQ(decoded.pcm.samples[2 * i], decoded.pcm.samples[2 * i + 1]);

    // A file cut in half keeps the frames before the cut.
    mp3.resize(mp3.size() / 2);
    decoded = platform::audio::DecodeMp3(mp3.data(), mp3.size(), kRate);
    ASSERT_EQ(decoded.status, platform::audio::DecodeStatus::Ok);
    EXPECT_NEAR(static_cast<double>(decoded.pcm.Frames()), kRate / 2, kRate * 0.1);
}

TEST_F(AudioLibrary, SpectrumIsOfThePositionBeingHeardAndFailsBeforeStartAndAfterEnd) {
    const HSTREAM h = StartCapture();
    Bins bins;
    bins.fill(7.0f);
    EXPECT_EQ(BASS_ChannelGetData(h, bins.data(), BASS_DATA_FFT512), kFailed);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
    EXPECT_EQ(bins[0], 7.0f);

    ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
    ASSERT_TRUE(platform::audio::AdvanceCaptureClock(1, 2));  // 0.5 s
    EXPECT_EQ(BASS_ChannelGetPosition(h), kBytesPerSecond / 2);
    EXPECT_EQ(BASS_ChannelGetData(h, bins.data(), BASS_DATA_FFT512), 2048u);
    EXPECT_EQ(Peak(bins), 10);
    EXPECT_NEAR(bins[10], 0.25f, 0.02f);
    EXPECT_EQ(bins[256], 7.0f);  // the second half of the array is left alone

    ASSERT_TRUE(platform::audio::AdvanceCaptureClock(3, 2));  // 1.5 s
    EXPECT_EQ(BASS_ChannelGetData(h, bins.data(), BASS_DATA_FFT512), 2048u);
    EXPECT_EQ(Peak(bins), 40);
    EXPECT_NEAR(bins[40], 0.25f, 0.02f);

    ASSERT_TRUE(platform::audio::AdvanceCaptureClock(3, 1));  // past the end at 2 s
    bins.fill(7.0f);
    EXPECT_EQ(BASS_ChannelGetData(h, bins.data(), BASS_DATA_FFT512), kFailed);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
    EXPECT_EQ(bins[0], 7.0f);
    EXPECT_EQ(BASS_ChannelGetPosition(h), kFrames * 4);
    // What was played is the stream once, then silence.
    ASSERT_EQ(captured_.size(), 2 * 3 * static_cast<std::size_t>(kRate));
    EXPECT_TRUE(std::all_of(captured_.begin() + 2 * kFrames, captured_.end(), [](std::int16_t s) { return s == 0; }));

    // Playing an ended stream again starts it from the beginning.
    ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
    EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
}

TEST_F(AudioLibrary, RestartingEveryFrameOfTheStartWindowGivesOneVoiceFromTheLastRestart) {
    const HSTREAM h = StartCapture();
    const auto decoded = platform::audio::DecodeMp3(mp3_.data(), mp3_.size(), kRate);
    // 60 frames a second; the production's start window is 1.0 ≤ t ≤ 1.1: frames 60 to 66.
    for (std::uint64_t frame = 0; frame <= 120; ++frame) {
        ASSERT_TRUE(platform::audio::AdvanceCaptureClock(frame, 60));
        if (frame >= 60 && frame <= 66) {
            EXPECT_TRUE(BASS_StreamPlay(h, FALSE, 0));
            EXPECT_TRUE(BASS_ChannelSetPosition(h, 0));
            EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
        }
    }
    const std::size_t start = 66 * kRate / 60;  // frame of the last restart
    EXPECT_EQ(BASS_ChannelGetPosition(h), (captured_.size() / 2 - start) * 4);
    // Exactly the stream's own samples from its first frame on: nothing doubled, nothing skipped.
    const std::size_t count = captured_.size() - 2 * start;
    EXPECT_TRUE(std::equal(captured_.begin() + static_cast<long>(2 * start), captured_.end(),
                           decoded.pcm.samples.begin(), decoded.pcm.samples.begin() + static_cast<long>(count)));
}

TEST_F(AudioLibrary, CaptureClockPlaysExactlyTheFramesOfEachPictureAndNeverGoesBack) {
    StartCapture();
    for (std::uint64_t frame = 1; frame <= 24; ++frame)
        ASSERT_TRUE(platform::audio::AdvanceCaptureClock(frame, 24));  // 1837.5 frames each
    EXPECT_EQ(captured_.size(), 2u * kRate);
    EXPECT_FALSE(platform::audio::AdvanceCaptureClock(23, 24));
    EXPECT_FALSE(platform::audio::AdvanceCaptureClock(1, 0));
    EXPECT_TRUE(platform::audio::AdvanceCaptureClock(1, 1));  // the same moment again
    EXPECT_EQ(captured_.size(), 2u * kRate);
}

TEST_F(AudioLibrary, SeekRestartAndLoop) {
    const HSTREAM h = StartCapture(BASS_SAMPLE_LOOP);
    EXPECT_TRUE(BASS_ChannelSetPosition(h, kBytesPerSecond + 3));  // rounded to a frame
    EXPECT_EQ(BASS_ChannelGetPosition(h), kBytesPerSecond);  // stopped streams keep it
    EXPECT_FALSE(BASS_ChannelSetPosition(h, kFrames * 4 + 4));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
    EXPECT_EQ(BASS_ChannelGetPosition(h), kBytesPerSecond);

    ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
    ASSERT_TRUE(platform::audio::AdvanceCaptureClock(3, 2));  // 1.5 s on: 0.5 s into the second round
    EXPECT_EQ(BASS_ChannelGetPosition(h), kBytesPerSecond / 2);
    Bins bins;
    EXPECT_EQ(BASS_ChannelGetData(h, bins.data(), BASS_DATA_FFT512), 2048u);
    EXPECT_EQ(Peak(bins), 10);

    ASSERT_TRUE(BASS_StreamPlay(h, TRUE, 0));
    EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, 1.5), kBytesPerSecond * 3 / 2);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, -1.0), kBadPosition);
}

TEST_F(AudioLibrary, StreamsOfTheSameFileAreIndependentAndAChangedFileIsDecodedAgain) {
    const HSTREAM first = StartCapture();
    const HSTREAM second = BASS_StreamCreateFile(FALSE, path_.c_str(), 0, 0, BASS_MP3_SETPOS);
    ASSERT_NE(second, 0u);
    EXPECT_NE(second, first);
    ASSERT_TRUE(BASS_StreamPlay(first, FALSE, 0));
    ASSERT_TRUE(platform::audio::AdvanceCaptureClock(1, 2));
    EXPECT_EQ(BASS_ChannelGetPosition(first), kBytesPerSecond / 2);
    EXPECT_EQ(BASS_ChannelGetPosition(second), 0u);
    Bins bins;
    EXPECT_EQ(BASS_ChannelGetData(second, bins.data(), BASS_DATA_FFT512), kFailed);

    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a new change time
    dir_.Write("tones.mp3", audiotest::EncodeMp3(audiotest::Tones({{BinHz(60), 0.5}}, kFrames, 2), 2));
    const HSTREAM changed = BASS_StreamCreateFile(FALSE, path_.c_str(), 0, 0, BASS_MP3_SETPOS);
    ASSERT_TRUE(BASS_StreamPlay(changed, FALSE, 0));
    EXPECT_EQ(BASS_ChannelGetData(changed, bins.data(), BASS_DATA_FFT512), 2048u);
    EXPECT_EQ(Peak(bins), 60);
    EXPECT_EQ(BASS_ChannelGetData(first, bins.data(), BASS_DATA_FFT512), 2048u);
    EXPECT_EQ(Peak(bins), 10);
}

TEST_F(AudioLibrary, SilentOutputMovesTheMusicInRealTime) {
    DebugText debug;
    ASSERT_TRUE(BASS_Init(0, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(platform::audio::CurrentOutput(), OutputKind::Silent);
    EXPECT_NE(debug.Text().find("silently in real time"), std::string::npos);
    const HSTREAM h = BASS_StreamCreateFile(FALSE, path_.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const QWORD pos = BASS_ChannelGetPosition(h);
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(pos, kBytesPerSecond / 20);                                 // at least 50 ms
    EXPECT_LE(pos, static_cast<QWORD>((waited + 0.01) * kBytesPerSecond));  // never ahead
    Bins bins;
    EXPECT_EQ(BASS_ChannelGetData(h, bins.data(), BASS_DATA_FFT512), 2048u);
    EXPECT_EQ(Peak(bins), 10);
}

// SDL's audio driver is chosen through its environment variable (NULL: not set, the library
// chooses); each case restores it.
class SdlDriver {
public:
    explicit SdlDriver(const char* name) {
        const char* old = std::getenv("SDL_AUDIODRIVER");
        had_ = old != nullptr;
        if (had_) old_ = old;
        if (name)
            setenv("SDL_AUDIODRIVER", name, 1);
        else
            unsetenv("SDL_AUDIODRIVER");
    }
    ~SdlDriver() {
        if (had_)
            setenv("SDL_AUDIODRIVER", old_.c_str(), 1);
        else
            unsetenv("SDL_AUDIODRIVER");
    }

private:
    bool had_ = false;
    std::string old_;
};

TEST_F(AudioLibrary, WithoutASoundDeviceInitStillSucceedsAndSaysSo) {
    SdlDriver driver("no-such-driver");
    DebugText debug;
    ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(platform::audio::CurrentOutput(), OutputKind::Silent);
    EXPECT_NE(debug.Text().find("BASS_Init: no audio device could be opened"), std::string::npos);
    EXPECT_NE(BASS_StreamCreateFile(FALSE, path_.c_str(), 0, 0, BASS_MP3_SETPOS), 0u);
}

// What the program writes to stderr while alive.
class StderrText {
public:
    StderrText() : file_(std::tmpfile()) {
        std::fflush(stderr);
        kept_ = dup(STDERR_FILENO);
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~StderrText() {
        Restore();
        std::fclose(file_);
    }
    std::string Text() {
        Restore();
        std::string text(4096, '\0');
        std::rewind(file_);
        text.resize(std::fread(text.data(), 1, text.size(), file_));
        return text;
    }

private:
    void Restore() {
        if (kept_ < 0) return;
        std::fflush(stderr);
        dup2(kept_, STDERR_FILENO);
        close(kept_);
        kept_ = -1;
    }
    std::FILE* file_;
    int kept_ = -1;
};

TEST_F(AudioLibrary, WithoutASoundCardOnlyOurOwnLineReachesTheTerminal) {
    if (platform::audio::AlsaHasSoundCard()) GTEST_SKIP() << "this machine has a sound card";
    SdlDriver driver(nullptr);
    platform::ForgetToldLines();
    StderrText terminal;
    const BOOL started = BASS_Init(1, kRate, 0, nullptr, nullptr);
    const std::string text = terminal.Text();
    ASSERT_TRUE(started);
    // A sound server without a card may still take the music; otherwise our line alone.
    if (platform::audio::CurrentOutput() == OutputKind::Silent)
        EXPECT_EQ(text, "morvelt: no sound device: playing silently\n");
    else
        EXPECT_EQ(text, "");
}

TEST_F(AudioLibrary, AChosenDriverThatFailsIsNamedWithItsReasonOncePerRun) {
    SdlDriver driver("no-such-driver");
    platform::ForgetToldLines();
    StderrText terminal;
    for (int start = 0; start < 3; ++start) {  // as at every switch to full-screen
        ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr));
        BASS_Free();
    }
    const std::string text = terminal.Text();
    const std::string expected = "morvelt: no sound device: playing silently (SDL_AUDIODRIVER=no-such-driver: ";
    EXPECT_EQ(text.compare(0, expected.size(), expected), 0) << text;
    EXPECT_GT(text.size(), expected.size() + 2);  // SDL's reason follows
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

TEST(AudioDrivers, QuietOnesOnlyAndAlsaOnlyWithACard) {
    const std::vector<std::string> sdl = {"pulseaudio", "alsa", "sndio", "pipewire", "dsp", "disk", "dummy"};
    EXPECT_EQ(platform::audio::QuietAudioDrivers(sdl, false),
              (std::vector<std::string>{"pulseaudio", "pipewire", "dsp"}));
    EXPECT_EQ(platform::audio::QuietAudioDrivers(sdl, true),
              (std::vector<std::string>{"pulseaudio", "alsa", "sndio", "pipewire", "dsp"}));
    EXPECT_TRUE(platform::audio::QuietAudioDrivers({"dummy"}, true).empty());
}

TEST_F(AudioLibrary, DeviceOutputPlaysOnSdlsThreadAndStopsCleanly) {
    SdlDriver driver("dummy");  // SDL's device without sound, called back in real time
    DebugText debug;
    ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr));
    ASSERT_EQ(platform::audio::CurrentOutput(), OutputKind::Device) << debug.Text();
    EXPECT_FALSE(BASS_Init(7, kRate, 0, nullptr, nullptr));
    const HSTREAM h = BASS_StreamCreateFile(FALSE, path_.c_str(), 0, 0, BASS_MP3_SETPOS);
    ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
    Bins bins;
    QWORD last = 0;
    // Frames of 15 ms reading the spectrum as the production does, until the device has
    // played for a while (at most 3 s on a busy machine).
    for (int i = 0; i < 200 && (i < 20 || last == 0); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        const QWORD pos = BASS_ChannelGetPosition(h);
        EXPECT_LE(pos, kFrames * 4);
        EXPECT_GE(pos, last);
        if (BASS_ChannelGetData(h, bins.data(), BASS_DATA_FFT512) != kFailed) {
            EXPECT_EQ(Peak(bins), 10);
        }
        last = pos;
    }
    EXPECT_GT(last, 0u);
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Init(5, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

#ifdef MORVELT_SPECTRUM_TOOL
// Runs the spectrum tool; returns its exit status and standard output.
int RunTool(const std::string& args, std::string* out) {
    const std::string command = std::string(MORVELT_SPECTRUM_TOOL) + " " + args + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) *out += buffer;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(AudioLibrary, SpectrumToolPrintsTheBinsAtATimeAndRefusesWhatItCannotDecode) {
    std::string out;
    ASSERT_EQ(RunTool(path_ + " --at 1.25", &out), 0);
    int lines = 0, peak = -1;
    float best = -1.0f;
    for (std::size_t at = 0; at < out.size(); ++lines) {
        int bin = -1;
        float value = -1.0f;
        ASSERT_EQ(std::sscanf(out.c_str() + at, "%d %f", &bin, &value), 2);
        EXPECT_EQ(bin, lines);
        if (value > best) best = value, peak = bin;
        at = out.find('\n', at) + 1;
    }
    EXPECT_EQ(lines, 256);
    EXPECT_EQ(peak, 40);
    EXPECT_NEAR(best, 0.25f, 0.02f);

    out.clear();
    EXPECT_EQ(RunTool(dir_.Write("text.mp3", std::vector<std::uint8_t>(500, 'x')) + " --at 0", &out), 1);
    EXPECT_EQ(RunTool(dir_.Path() + "/missing.mp3 --at 0", &out), 1);
    EXPECT_EQ(RunTool(path_ + " --at 2.5", &out), 1);  // after the end
    EXPECT_EQ(RunTool(path_ + " --at soon", &out), 2);
    EXPECT_TRUE(out.empty());
}
#endif

}  // namespace
