// Command-line options of the recorder: `morvelt --capture OUT [--fps N] [--size WxH]
// [--from SECONDS] [--to SECONDS] [--device ref|hal]`. Without arguments the program plays.
#pragma once

#include <cstdint>
#include <string>

// Limits of the options, checked when they are parsed.
constexpr int kMaxCaptureFps = 1000;
constexpr unsigned kMinCaptureSize = 100;   // pixels either way: the smallest window the frame allows
constexpr unsigned kMaxCaptureSize = 8192;  // pixels either way: the largest back buffer
constexpr std::int64_t kMaxCaptureSeconds = 3600;
constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

// The output that draws every frame and writes nothing: the time of drawing alone.
constexpr char kDiscardOutput[] = "/dev/null";

struct CaptureOptions {
    std::string output;          // a .mp4/.mkv file, a folder for PNG frames + audio.wav, or kDiscardOutput
    bool toVideo = false;        // output names a video file
    int fps = 60;                // frames per second of production time
    unsigned width = 1920;       // pixels
    unsigned height = 1080;
    // Nanoseconds of production time, exact as written: frame n is recorded when
    // from <= n / fps < to.
    std::int64_t from = 0;
    std::int64_t to = 219500000000;
    bool hardwareDevice = false;  // --device hal; REF otherwise
};

// The recorded frames: numbers first, first + 1, ..., end - 1 of the production's frames.
struct FrameRange {
    std::int64_t first = 0;
    std::int64_t end = 0;
};

// Exact: the smallest n with n / fps >= from, and the smallest n with n / fps >= to.
FrameRange RecordedFrames(const CaptureOptions& options);

enum class CommandLine {
    Play,     // no arguments
    Capture,  // valid capture options
    Help,     // --help or -h: print the usage and exit 0
    Usage,    // bad options: print the usage (with the error) and exit 2
    Version,  // --version alone: print the version
};

// The program's version, from the build.
extern const char kMorveltVersion[];

// Parses argv[1..argc-1]. On Usage, `error` says what was wrong. Nothing is written to disk;
// the output's place is checked for writability only.
CommandLine ParseCommandLine(int argc, const char* const* argv, CaptureOptions& options, std::string& error);

// Nanoseconds as seconds for people: "2.2", "219.5", "10".
std::string FormatSeconds(std::int64_t nanoseconds);

extern const char kCaptureUsage[];
