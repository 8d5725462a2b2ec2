#include "production/capture_options.h"
#include "production/capture_progress.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <vector>

namespace {

CommandLine Parse(std::vector<const char*> arguments, CaptureOptions& options, PlayOptions& play, std::string& error) {
    arguments.insert(arguments.begin(), "morvelt");
    return ParseCommandLine(static_cast<int>(arguments.size()), arguments.data(), options, play, error);
}

CommandLine Parse(std::vector<const char*> arguments, CaptureOptions& options, std::string& error) {
    PlayOptions play;
    return Parse(std::move(arguments), options, play, error);
}

CommandLine ParsePlay(std::vector<const char*> arguments, PlayOptions& play, std::string& error) {
    CaptureOptions options;
    return Parse(std::move(arguments), options, play, error);
}

CommandLine Parse(std::vector<const char*> arguments) {
    CaptureOptions options;
    std::string error;
    return Parse(std::move(arguments), options, error);
}

}  // namespace

TEST(CaptureOptions, NoArgumentsPlaysAndHelpAsksForHelp) {
    EXPECT_EQ(Parse({}), CommandLine::Play);
    EXPECT_EQ(Parse({"--help"}), CommandLine::Help);
    EXPECT_EQ(Parse({"-h"}), CommandLine::Help);
    EXPECT_EQ(Parse({"--capture", "/tmp/x", "--fps", "sixty", "--help"}), CommandLine::Help);
}

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
    EXPECT_EQ(options.from, 0);
    EXPECT_EQ(options.to, 219500000000);
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
    EXPECT_EQ(options.from, 10000000000);
    EXPECT_EQ(options.to, 12500000000);
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
        {"--capture", "/tmp/x", "--size", "64x48"},            // below the smallest window
        {"--capture", "/tmp/x", "--size", "99x100"},
        {"--capture", "/tmp/x", "--size", "8193x100"},         // above the largest back buffer
        {"--capture", "/tmp/x", "--fps", "0"},                 // fps <= 0
        {"--capture", "/tmp/x", "--fps", "-5"},
        {"--capture", "/tmp/x", "--fps", "sixty"},
        {"--capture", "/tmp/x", "--fps", "1001"},
        {"--capture", "/tmp/x", "--fps", "2.5"},
        {"--capture", "/tmp/x", "--fps", "0x1e"},              // numbers are plain decimals
        {"--capture", "/tmp/x", "--fps", "3e1"},
        {"--capture", "/tmp/x", "--fps", "+30"},
        {"--capture", "/tmp/x", "--fps", " 30"},
        {"--capture", "/tmp/x", "--fps", "30 "},
        {"--capture", "/tmp/x", "--fps", ""},
        {"--capture", "/tmp/x", "--fps", "99999999999999999999"},
        {"--capture", "/tmp/x", "--size", "-4294967136x240"},  // wraps to 160 as an unsigned long
        {"--capture", "/tmp/x", "--size", "18446744073709551936x240"},
        {"--capture", "/tmp/x", "--size", "+320x240"},
        {"--capture", "/tmp/x", "--size", "320x+240"},
        {"--capture", "/tmp/x", "--size", "320 x240"},
        {"--capture", "/tmp/x", "--size", "0x140x240"},
        {"--capture", "/tmp/x", "--size", "320x240x"},
        {"--capture", "/tmp/x", "--size", "3.2e2x240"},
        {"--capture", "/tmp/x", "--to", "inf"},               // seconds: finite, decimal, in range
        {"--capture", "/tmp/x", "--to", "nan"},
        {"--capture", "/tmp/x", "--to", "1e30"},
        {"--capture", "/tmp/x", "--to", "3600.000000001"},
        {"--capture", "/tmp/x", "--to", "99999999999999999999999"},
        {"--capture", "/tmp/x", "--from", "-1"},
        {"--capture", "/tmp/x", "--from", "."},
        {"--capture", "/tmp/x", "--from", ""},
        {"--capture", "/tmp/x", "--from", "1.2.3"},
        {"--capture", "/tmp/x", "--from", "0.0000000001"},  // ten decimals
        {"--capture", "/tmp/x", "--from", "0.01", "--to", "0.02", "--fps", "25"},  // no frame in the range
        {"--capture", "/tmp/x", "--from", "5", "--to", "5"},   // from >= to
        {"--capture", "/tmp/x", "--device", "gpu"},
        {"--capture", "/tmp/x", "--aspect", "16/9"},           // W:H or stretch only
        {"--capture", "/tmp/x", "--aspect", "0:1"},
        {"--capture", "/tmp/x", "--aspect", "4:3:1"},
        {"--capture", "/tmp/x", "--aspect", "1001:1"},
        {"--capture", "/tmp/x", "--aspect", "Stretch"},
        {"--capture", "/tmp/x.mp4", "--size", "853x480"},     // videos: even sizes only
        {"--capture", "/tmp/x.MKV", "--size", "640x481"},
        {"--capture", "/tmp/x.avi"},                           // other video names are not folders
        {"--capture", "/tmp/x.WebM"},
        {"--capture", "/tmp/x", "--overwrite=1"},
        {"--capture", "/tmp/x", "--fps"},                      // missing value
        {"--capture=", "--fps", "30"},
        {"--capture", ""},
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

TEST(CaptureOptions, SecondsAreExactAndTheRangeIsFromInclusiveToExclusive) {
    struct Case {
        std::vector<const char*> arguments;
        std::int64_t first, end;
    };
    const Case cases[] = {
        {{"--fps", "25", "--from", "2.2", "--to", "3"}, 55, 75},      // 2.2 s is frame 55 exactly
        {{"--fps", "25", "--to", "2.2"}, 0, 55},                      // ... and not recorded by --to 2.2
        {{"--fps", "25", "--from", "2.21", "--to", "2.3"}, 56, 58},   // between frames: the next one
        {{"--fps", "60", "--from", "219.4", "--to", "219.5"}, 13164, 13170},
        {{"--fps", "3", "--from", "0.333333333", "--to", "0.333333334"}, 1, 2},
        {{"--fps", "1000", "--from", "3599.999", "--to", "3600"}, 3599999, 3600000},
        {{"--fps", "7", "--to", ".5"}, 0, 4},
        {{}, 0, 13170},  // the defaults: 0 to 219.5 s at 60 fps
    };
    for (const Case& c : cases) {
        std::vector<const char*> arguments = {"--capture", "/tmp/x"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        CaptureOptions options;
        std::string error;
        ASSERT_EQ(Parse(arguments, options, error), CommandLine::Capture) << error;
        const FrameRange frames = RecordedFrames(options);
        EXPECT_EQ(frames.first, c.first) << FormatSeconds(options.from);
        EXPECT_EQ(frames.end, c.end) << FormatSeconds(options.to);
    }
}

TEST(CaptureOptions, LimitsAreAcceptedAndNamedInTheError) {
    CaptureOptions options;
    std::string error;
    EXPECT_EQ(Parse({"--capture", "/tmp/x", "--size", "134x100", "--fps", "1", "--to", "3600"}, options, error),
              CommandLine::Capture)
        << error;
    EXPECT_EQ(Parse({"--capture", "/tmp/x", "--size", "8192x8192", "--fps", "1000"}, options, error),
              CommandLine::Capture)
        << error;
    EXPECT_EQ(Parse({"--capture", "/tmp/x", "--size", "64x48"}, options, error), CommandLine::Usage);
    EXPECT_NE(error.find("100x100 to 8192x8192"), std::string::npos) << error;
    EXPECT_EQ(Parse({"--capture", "/tmp/x", "--to", "inf"}, options, error), CommandLine::Usage);
    EXPECT_NE(error.find("0 to 3600"), std::string::npos) << error;
}

TEST(CaptureOptions, ThePictureIsTheLargestOfItsAspectCentredInTheFrame) {
    struct Case {
        const char* size;
        const char* aspect;  // null: the default
        PictureArea picture;
    };
    const Case cases[] = {
        {"1920x1080", nullptr, {240, 0, 1440, 1080}},   // pillarbox
        {"1440x1080", nullptr, {0, 0, 1440, 1080}},     // the aspect itself: no bars
        {"1921x1081", nullptr, {240, 0, 1441, 1081}},   // 1441.33 wide; the odd pixel goes to the right bar
        {"1080x1920", nullptr, {0, 555, 1080, 810}},    // letterbox
        {"320x180", nullptr, {40, 0, 240, 180}},
        {"1024x768", "16:9", {0, 96, 1024, 576}},
        {"1920x1080", "stretch", {0, 0, 1920, 1080}},
        {"8192x100", "1:1", {4046, 0, 100, 100}},
    };
    for (const Case& c : cases) {
        std::vector<const char*> arguments = {"--capture", "/tmp/x", "--size", c.size};
        if (c.aspect) arguments.insert(arguments.end(), {"--aspect", c.aspect});
        CaptureOptions options;
        std::string error;
        ASSERT_EQ(Parse(arguments, options, error), CommandLine::Capture) << error;
        const PictureArea picture = PictureInFrame(options);
        EXPECT_EQ(picture.left, c.picture.left) << c.size;
        EXPECT_EQ(picture.top, c.picture.top) << c.size;
        EXPECT_EQ(picture.width, c.picture.width) << c.size;
        EXPECT_EQ(picture.height, c.picture.height) << c.size;
    }
    // Below the smallest picture the device draws: refused with the sizes named.
    CaptureOptions options;
    std::string error;
    EXPECT_EQ(Parse({"--capture", "/tmp/x", "--size", "100x100"}, options, error), CommandLine::Usage);
    EXPECT_NE(error.find("leaves a 100x75 picture"), std::string::npos) << error;
}

TEST(CaptureOptions, SecondsAndDurationsReadBack) {
    EXPECT_EQ(FormatSeconds(0), "0");
    EXPECT_EQ(FormatSeconds(2200000000), "2.2");
    EXPECT_EQ(FormatSeconds(219500000000), "219.5");
    EXPECT_EQ(FormatSeconds(1), "0.000000001");
    EXPECT_EQ(FormatDuration(0), "0:00");
    EXPECT_EQ(FormatDuration(59.99), "0:59");
    EXPECT_EQ(FormatDuration(3599), "59:59");
    EXPECT_EQ(FormatDuration(3725), "1:02:05");
    EXPECT_EQ(FormatDuration(-3), "0:00");
}

TEST(CommandLineForms, ValuesAfterAnEqualsSignReadAsAfterASpace) {
    CaptureOptions spaced, joined;
    std::string error;
    ASSERT_EQ(Parse({"--capture", "/tmp/o.mkv", "--fps", "30", "--size", "320x240", "--from", "1", "--to", "2.5",
                     "--device", "hal"},
                    spaced, error),
              CommandLine::Capture)
        << error;
    ASSERT_EQ(Parse({"--capture=/tmp/o.mkv", "--fps=30", "--size=320x240", "--from=1", "--to=2.5", "--device=hal"},
                    joined, error),
              CommandLine::Capture)
        << error;
    EXPECT_EQ(joined.output, spaced.output);
    EXPECT_EQ(joined.fps, spaced.fps);
    EXPECT_EQ(joined.width, spaced.width);
    EXPECT_EQ(joined.height, spaced.height);
    EXPECT_EQ(joined.from, spaced.from);
    EXPECT_EQ(joined.to, spaced.to);
    EXPECT_EQ(joined.toVideo, spaced.toVideo);
    EXPECT_EQ(joined.hardwareDevice, spaced.hardwareDevice);
    // Only the first '=' separates: the rest belongs to the value.
    ASSERT_EQ(Parse({"--capture=/tmp/a=b"}, joined, error), CommandLine::Capture) << error;
    EXPECT_EQ(joined.output, "/tmp/a=b");
}

TEST(CommandLineForms, UnknownOptionsAndStrayArgumentsAreNamed) {
    const struct {
        std::vector<const char*> arguments;
        const char* error;
    } cases[] = {
        {{"--xyz"}, "unknown option --xyz"},
        {{"--xyz=3"}, "unknown option --xyz"},
        {{"-x"}, "unknown option -x"},
        {{"--capture", "/tmp/x", "--frobnicate", "1"}, "unknown option --frobnicate"},
        {{"--windowed", "demo"}, "unexpected argument demo"},
        {{"--loop=yes"}, "option --loop takes no value"},
        {{"--version", "--loop"}, "--version is given alone"},
        {{"--from"}, "option --from needs a value"},
    };
    for (const auto& c : cases) {
        CaptureOptions options;
        std::string error;
        EXPECT_EQ(Parse(c.arguments, options, error), CommandLine::Usage) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

TEST(PlayOptions, DefaultsAndEveryOption) {
    PlayOptions play;
    std::string error;
    ASSERT_EQ(ParsePlay({}, play, error), CommandLine::Play);
    EXPECT_EQ(play.display, PlayDisplay::Default);
    EXPECT_EQ(play.device, PlayDevice::Default);
    EXPECT_EQ(play.from, 0);
    EXPECT_FALSE(play.noDialog || play.exitAtEnd || play.loop);

    ASSERT_EQ(ParsePlay({"--windowed", "--device", "ref", "--from", "150.5", "--no-dialog", "--exit-at-end"}, play,
                        error),
              CommandLine::Play)
        << error;
    EXPECT_EQ(play.display, PlayDisplay::Windowed);
    EXPECT_EQ(play.device, PlayDevice::Ref);
    EXPECT_EQ(play.from, 150500000000);
    EXPECT_TRUE(play.noDialog && play.exitAtEnd && !play.loop);

    play = PlayOptions();
    ASSERT_EQ(ParsePlay({"--fullscreen", "--device=hal", "--loop"}, play, error), CommandLine::Play) << error;
    EXPECT_EQ(play.display, PlayDisplay::FullScreen);
    EXPECT_EQ(play.fullScreenWidth, 0u);
    EXPECT_EQ(play.device, PlayDevice::Hal);
    EXPECT_TRUE(play.loop);
}

TEST(PlayOptions, FullScreenTakesAModeOnlyWhenOneFollows) {
    const struct {
        std::vector<const char*> arguments;
        unsigned width, height;
    } cases[] = {
        {{"--fullscreen", "1024x768"}, 1024, 768},
        {{"--fullscreen=800x600", "--loop"}, 800, 600},
        {{"--fullscreen", "--no-dialog"}, 0, 0},
        {{"--no-dialog", "--fullscreen"}, 0, 0},
    };
    for (const auto& c : cases) {
        PlayOptions play;
        std::string error;
        ASSERT_EQ(ParsePlay(c.arguments, play, error), CommandLine::Play) << error;
        EXPECT_EQ(play.display, PlayDisplay::FullScreen);
        EXPECT_EQ(play.fullScreenWidth, c.width);
        EXPECT_EQ(play.fullScreenHeight, c.height);
    }
    // A WxH after it is its mode, so it is checked as one.
    PlayOptions play;
    std::string error;
    EXPECT_EQ(ParsePlay({"--fullscreen", "64x48"}, play, error), CommandLine::Usage);
    EXPECT_NE(error.find("--fullscreen"), std::string::npos) << error;
    EXPECT_EQ(ParsePlay({"--fullscreen="}, play, error), CommandLine::Usage);
}

TEST(PlayOptions, ConflictsAndOptionsOfTheOtherModeAreRefused) {
    const struct {
        std::vector<const char*> arguments;
        const char* errorPart;
    } cases[] = {
        {{"--capture", "/tmp/x", "--windowed"}, "--windowed is a playing option"},
        {{"--capture", "/tmp/x", "--fullscreen"}, "--fullscreen is a playing option"},
        {{"--no-dialog", "--capture", "/tmp/x"}, "--no-dialog is a playing option"},
        {{"--capture", "/tmp/x", "--exit-at-end"}, "--exit-at-end is a playing option"},
        {{"--capture", "/tmp/x", "--loop"}, "--loop is a playing option"},
        {{"--fps", "30"}, "--fps is a recording option"},
        {{"--windowed", "--size", "320x240"}, "--size is a recording option"},
        {{"--to", "10"}, "--to is a recording option"},
        {{"--windowed", "--fullscreen"}, "exclude each other"},
        {{"--loop", "--exit-at-end"}, "exclude each other"},
        {{"--device", "gpu"}, "ref or hal"},
        {{"--from", "-5"}, "--from needs seconds"},
        {{"--from", "3600.5"}, "--from needs seconds"},
    };
    for (const auto& c : cases) {
        PlayOptions play;
        std::string error;
        EXPECT_EQ(ParsePlay(c.arguments, play, error), CommandLine::Usage) << c.errorPart;
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }
}

TEST(CaptureOptions, VideoNamesInAnyCase) {
    const struct {
        const char* output;
        bool toVideo, mp4;
    } cases[] = {{"/tmp/a.mp4", true, true}, {"/tmp/a.MP4", true, true},  {"/tmp/a.Mkv", true, false},
                 {"/tmp/a.mkv", true, false}, {"/tmp/mp4", false, false}, {"/tmp/a.mp4.d", false, false}};
    for (const auto& c : cases) {
        CaptureOptions options;
        std::string error;
        ASSERT_EQ(Parse({"--capture", c.output, "--size", "853x480", "--overwrite"}, options, error),
                  c.toVideo ? CommandLine::Usage : CommandLine::Capture)
            << c.output << error;  // an odd size: refused for videos only
        ASSERT_EQ(Parse({"--capture", c.output, "--overwrite"}, options, error), CommandLine::Capture) << error;
        EXPECT_EQ(options.toVideo, c.toVideo) << c.output;
        EXPECT_EQ(options.mp4, c.mp4) << c.output;
        EXPECT_TRUE(options.overwrite);
    }
}
