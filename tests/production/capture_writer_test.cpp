#include "production/capture_writer.h"
#include "production/wav_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<unsigned char> ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::uint32_t Le32(const std::vector<unsigned char>& bytes, size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (std::uint32_t(bytes[at + 3]) << 24);
}

std::string TempFolder() {
    char name[] = "/tmp/morvelt_capture_XXXXXX";
    return mkdtemp(name);
}

}  // namespace

TEST(WavFile, HeaderCountsTheSamplesWritten) {
    const std::string path = TempFolder() + "/a.wav";
    WavFile wav;
    ASSERT_TRUE(wav.Open(path, 44100));
    const std::int16_t samples[] = {1, -1, 2, -2, 3, -3};
    wav.Append(samples, 3);
    wav.Append(samples, 1);
    EXPECT_EQ(wav.FrameCount(), 4u);
    ASSERT_TRUE(wav.Close());
    const auto bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 44u + 16u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(bytes, 4), 36u + 16u);
    EXPECT_EQ(Le32(bytes, 24), 44100u);
    EXPECT_EQ(Le32(bytes, 40), 16u);
    EXPECT_EQ(static_cast<std::int16_t>(bytes[46] | (bytes[47] << 8)), -1);
}

// A recording of 4 x 2 frames into a fresh folder, and one grey frame.
class FolderCapture : public ::testing::Test {
protected:
    void SetUp() override {
        options.output = TempFolder() + "/frames";
        options.width = 4;
        options.height = 2;
        options.aspectWidth = options.aspectHeight = 0;  // the picture is the whole frame
        writer = OpenCaptureWriter(options, error);
        ASSERT_TRUE(writer) << error;
    }

    CaptureOptions options;
    std::string error;
    std::unique_ptr<CaptureWriter> writer;
    const std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(4 * 2 * 4, 0x80);
};

TEST_F(FolderCapture, GetsNumberedPngsAndAudio) {
    EXPECT_TRUE(writer->WriteFrame(pixels.data(), 16));
    EXPECT_TRUE(writer->WriteFrame(pixels.data(), 16));
    const std::int16_t silence[2 * 735] = {};
    writer->WriteAudio(silence, 735);
    ASSERT_TRUE(writer->Finish(error)) << error;
    const auto first = ReadAll(options.output + "/frame_000000.png");
    ASSERT_GT(first.size(), 8u);
    EXPECT_EQ(first[1], 'P');
    EXPECT_EQ(ReadAll(options.output + "/frame_000001.png"), first);  // same pixels, same bytes
    EXPECT_EQ(Le32(ReadAll(options.output + "/audio.wav"), 40), 735u * 4);
}

TEST_F(FolderCapture, AFrameThatCannotBeWrittenIsReportedWithItsFile) {
    std::filesystem::remove_all(options.output);  // the folder goes while recording
    writer->WriteFrame(pixels.data(), 16);
    EXPECT_FALSE(writer->Finish(error));
    EXPECT_EQ(error, "recorded frame 0: cannot write " + options.output + "/frame_000000.png: No such file or directory");
}

TEST(CaptureWriter, UncreatableFolderIsAnError) {
    CaptureOptions options;
    options.output = "/proc/morvelt_frames";
    std::string error;
    EXPECT_FALSE(OpenCaptureWriter(options, error));
    EXPECT_FALSE(error.empty());
}
