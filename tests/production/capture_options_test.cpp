#include "production/capture_options.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <vector>

namespace {

CommandLine Parse(std::vector<const char*> arguments, CaptureOptions& options, std::string& error) {
    arguments.insert(arguments.begin(), "morvelt");
    return ParseCommandLine(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

CommandLine Parse(std::vector<const char*> arguments) {
    CaptureOptions options;
    std::string error;
    return Parse(std::move(arguments), options, error);
}

}  // namespace

TEST(CaptureOptions, NoArgumentsPlays) { EXPECT_EQ(Parse({}), CommandLine::Play); }

TEST(CaptureOptions, VersionAloneAsksForTheVersion) {
    EXPECT_EQ(Parse({"--version"}), CommandLine::Version);
    EXPECT_EQ(Parse({"--version", "--capture"}), CommandLine::Usage);
    EXPECT_STRNE(kMorveltVersion, "");
}

TEST(CaptureOptions, DefaultsAndEveryOption) {
    CaptureOptions options;
    std::string error;
    ASSERT_EQ(Parse({"--capture", "/tmp/frames"}, options, error), CommandLine::Capture) << error;
    EXPECT_EQ(options.fps, 60);
    EXPECT_EQ(options.width, 1920u);
    EXPECT_EQ(options.height, 1080u);
    EXPECT_EQ(options.from, 0.0);
    EXPECT_EQ(options.to, 219.5);
    EXPECT_FALSE(options.toVideo);
    EXPECT_FALSE(options.hardwareDevice);

    ASSERT_EQ(Parse({"--capture", "/tmp/out.mp4", "--fps", "30", "--size", "320x240", "--from", "10", "--to", "12.5",
                     "--device", "hal"},
                    options, error),
              CommandLine::Capture)
        << error;
    EXPECT_TRUE(options.toVideo);
    EXPECT_EQ(options.fps, 30);
    EXPECT_EQ(options.width, 320u);
    EXPECT_EQ(options.height, 240u);
    EXPECT_EQ(options.from, 10.0);
    EXPECT_EQ(options.to, 12.5);
    EXPECT_TRUE(options.hardwareDevice);
}

TEST(CaptureOptions, BadOptionsAskForUsage) {
    // A path below a regular file can never be written, whoever runs the test.
    char plainFile[] = "/tmp/morvelt_options_XXXXXX";
    close(mkstemp(plainFile));
    const std::string belowFile = std::string(plainFile) + "/out";
    const std::vector<std::vector<const char*>> bad = {
        {"--fps", "30"},                                      // no output
        {"--capture", "/tmp/x", "--frobnicate", "1"},          // unknown option
        {"--capture", "/tmp/x", "--size", "320"},              // not WxH
        {"--capture", "/tmp/x", "--size", "320x"},
        {"--capture", "/tmp/x", "--size", "0x240"},
        {"--capture", "/tmp/x", "--fps", "0"},                 // fps <= 0
        {"--capture", "/tmp/x", "--fps", "-5"},
        {"--capture", "/tmp/x", "--fps", "sixty"},
        {"--capture", "/tmp/x", "--from", "5", "--to", "5"},   // from >= to
        {"--capture", "/tmp/x", "--device", "gpu"},
        {"--capture", "/tmp/x", "--fps"},                      // missing value
        {"--capture", "/nonexistent/folder/out.mp4"},          // unwritable
        {"--capture", belowFile.c_str()},
    };
    for (const auto& arguments : bad) {
        CaptureOptions options;
        std::string error;
        EXPECT_EQ(Parse(arguments, options, error), CommandLine::Usage) << arguments[0] << " " << arguments.size();
        EXPECT_FALSE(error.empty());
    }
}
