// PNG files written and read back in every channel order, and files that are not pictures.
#include "tools/png_file/png_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class PngFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("png_file_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string Path(const char* name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
};

// Two pixels: pure red, and a half-transparent blue-green.
pngfile::Picture TwoPixels(pngfile::Channels channels) {
    switch (channels) {
    case pngfile::Channels::Rgb: return {2, 1, channels, {255, 0, 0, 0, 100, 200}};
    case pngfile::Channels::Bgr: return {2, 1, channels, {0, 0, 255, 200, 100, 0}};
    case pngfile::Channels::Rgba: return {2, 1, channels, {255, 0, 0, 255, 0, 100, 200, 128}};
    case pngfile::Channels::Bgra: return {2, 1, channels, {0, 0, 255, 255, 200, 100, 0, 128}};
    }
    return {};
}

TEST_F(PngFileTest, EveryChannelOrderComesBackAsWrittenAndConvertsToTheOthers) {
    const pngfile::Channels all[] = {pngfile::Channels::Rgb, pngfile::Channels::Bgr, pngfile::Channels::Rgba,
                                     pngfile::Channels::Bgra};
    for (pngfile::Channels written : all) {
        std::string error;
        const std::string path = Path("two.png");
        ASSERT_TRUE(pngfile::Write(path, TwoPixels(written), error)) << error;
        const bool withAlpha = pngfile::BytesPerPixel(written) == 4;
        for (pngfile::Channels read : all) {
            pngfile::Picture picture;
            ASSERT_TRUE(pngfile::Read(path, read, picture, error)) << error;
            EXPECT_EQ(picture.width, 2);
            EXPECT_EQ(picture.height, 1);
            EXPECT_EQ(picture.fileHasAlpha, withAlpha);
            pngfile::Picture expected = TwoPixels(read);
            const int size = pngfile::BytesPerPixel(read);
            if (!withAlpha && size == 4) expected.bytes[7] = 255;  // no alpha in the file: opaque
            if (withAlpha && size == 3) {
                // Alpha dropped: the half-transparent pixel is laid over black, darker in every
                // channel; the opaque one comes back as it was.
                for (int c = 0; c < 3; ++c) EXPECT_LE(picture.bytes[3 + c], expected.bytes[3 + c]);
                EXPECT_LT(picture.bytes[4], expected.bytes[4]);
                expected.bytes.resize(3);
                picture.bytes.resize(3);
            }
            EXPECT_EQ(picture.bytes, expected.bytes) << "written " << static_cast<int>(written) << ", read "
                                                     << static_cast<int>(read);
        }
    }
}

TEST_F(PngFileTest, WhatIsNotAPictureIsRefusedWithItsName) {
    std::string error;
    pngfile::Picture picture;
    EXPECT_FALSE(pngfile::Read(Path("missing.png"), pngfile::Channels::Rgb, picture, error));
    EXPECT_NE(error.find("missing.png"), std::string::npos) << error;

    std::ofstream(Path("text.png")) << "not a picture";
    error.clear();
    EXPECT_FALSE(pngfile::Read(Path("text.png"), pngfile::Channels::Rgb, picture, error));
    EXPECT_NE(error.find("text.png"), std::string::npos) << error;

    // A whole file cut short: the header reads, the pixels do not.
    ASSERT_TRUE(pngfile::Write(Path("whole.png"), {64, 64, pngfile::Channels::Rgb, std::vector<std::uint8_t>(64 * 64 * 3, 7)},
                               error));
    const auto size = std::filesystem::file_size(Path("whole.png"));
    std::filesystem::copy_file(Path("whole.png"), Path("cut.png"));
    std::filesystem::resize_file(Path("cut.png"), size / 2);
    error.clear();
    EXPECT_FALSE(pngfile::Read(Path("cut.png"), pngfile::Channels::Rgb, picture, error));
    EXPECT_NE(error.find("cut.png"), std::string::npos) << error;
}

TEST_F(PngFileTest, APictureWhoseBytesDoNotMatchItsSizeIsNotWritten) {
    std::string error;
    EXPECT_FALSE(pngfile::Write(Path("short.png"), {4, 4, pngfile::Channels::Rgba, std::vector<std::uint8_t>(4 * 4 * 3)},
                                error));
    EXPECT_FALSE(pngfile::Write(Path("empty.png"), {0, 4, pngfile::Channels::Rgb, {}}, error));
    EXPECT_FALSE(std::filesystem::exists(Path("short.png")));
    EXPECT_FALSE(pngfile::Write(Path("no/such/folder.png"), TwoPixels(pngfile::Channels::Rgb), error));
    EXPECT_NE(error.find("folder.png"), std::string::npos) << error;
}

}  // namespace
