// Command-line options. Without --capture the program plays the production, shaped by the
// playing options (`morvelt [--windowed | --fullscreen [WxH]] [--device ref|hal]
// [--from SECONDS] [--no-dialog] [--exit-at-end | --loop]`); with it, it records
// (`morvelt --capture OUT [--fps N] [--size WxH] [--from SECONDS] [--to SECONDS]
// [--device ref|hal] [--aspect W:H|stretch] [--overwrite]`). Every option with a value also takes it as --option=VALUE.
#pragma once

#include <cstdint>
#include <string>

// Limits of the options, checked when they are parsed.
constexpr int kMaxCaptureFps = 1000;
constexpr unsigned kMinCaptureSize = 100;   // pixels either way: the smallest window the frame allows
constexpr unsigned kMaxCaptureSize = 8192;  // pixels either way: the largest back buffer
constexpr std::int64_t kMaxCaptureSeconds = 3600;
constexpr unsigned kMaxAspectTerm = 1000;  // --aspect W:H, each from 1
constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

// The output that draws every frame and writes nothing: the time of drawing alone.
constexpr char kDiscardOutput[] = "/dev/null";

struct CaptureOptions {
    std::string output;          // a .mp4/.mkv file, a folder for PNG frames + audio.wav, or kDiscardOutput
    bool toVideo = false;        // output names a video file (.mp4 or .mkv, in any case)
    bool mp4 = false;            // that video is MP4 (Matroska otherwise)
    bool overwrite = false;      // --overwrite: a folder's earlier frame_*.png and audio.wav go first
    int fps = 60;                // frames per second of production time
    unsigned width = 1920;       // pixels
    unsigned height = 1080;
    // Nanoseconds of production time, exact as written: frame n is recorded when
    // from <= n / fps < to.
    std::int64_t from = 0;
    std::int64_t to = 219500000000;
    bool hardwareDevice = false;  // --device hal; REF otherwise
    // --aspect: the shape the picture is drawn at, centred in the frame between black bars;
    // both 0 for "stretch" (the picture is the whole frame). The production is composed in 4:3.
    unsigned aspectWidth = 4;
    unsigned aspectHeight = 3;
};

// Where the picture lies in each recorded frame, in pixels; the rest of the frame is black.
struct PictureArea {
    unsigned left = 0;
    unsigned top = 0;
    unsigned width = 0;
    unsigned height = 0;
};

// The largest picture of the options' aspect that fits in the frame, centred. Its size is
// the nearest whole one; an odd remainder goes to the right or bottom bar, never to the picture.
PictureArea PictureInFrame(const CaptureOptions& options);

// How the player shows the production (--windowed, --fullscreen).
enum class PlayDisplay {
    Default,     // neither option: the start-up dialog's own first choice
    Windowed,    // --windowed
    FullScreen,  // --fullscreen [WxH]
};

// The device type the player uses (--device).
enum class PlayDevice {
    Default,  // not given: the frame's own choice (the dialog's, or the first usable device)
    Ref,      // --device ref: the software rasterizer
    Hal,      // --device hal: the hardware one
};

// Options of playing, parsed and validated only; the player reads them. The defaults play
// the show as it always has: the start-up dialog, from 0, running on after the end until closed.
struct PlayOptions {
    PlayDisplay display = PlayDisplay::Default;
    // --fullscreen WxH: the display mode asked for, in pixels; both 0 when no WxH was given
    // (the frame picks the mode). Only set with PlayDisplay::FullScreen.
    unsigned fullScreenWidth = 0;
    unsigned fullScreenHeight = 0;
    PlayDevice device = PlayDevice::Default;
    // --from: nanoseconds of production time to start at, 0 to kMaxCaptureSeconds seconds,
    // exact as written; reached as a recording's --from is (0: from the start).
    std::int64_t from = 0;
    bool noDialog = false;   // --no-dialog: start at once with the choices above or the defaults
    bool exitAtEnd = false;  // --exit-at-end: end with status 0 once the music has ended after the show
    bool loop = false;       // --loop: start again from 0 at the end (never with exitAtEnd)
};

// The recorded frames: numbers first, first + 1, ..., end - 1 of the production's frames.
struct FrameRange {
    std::int64_t first = 0;
    std::int64_t end = 0;
};

// Exact: the smallest n with n / fps >= from, and the smallest n with n / fps >= to.
FrameRange RecordedFrames(const CaptureOptions& options);

enum class CommandLine {
    Play,     // no --capture: valid playing options (or none) in PlayOptions
    Capture,  // valid capture options in CaptureOptions
    Help,     // --help or -h: print the usage and exit 0
    Usage,    // bad options: print the usage (with the error) and exit 2
    Version,  // --version alone: print the version
};

// The program's version, from the build.
extern const char kMorveltVersion[];

// Parses argv[1..argc-1] into `capture` or `play` (which one the result says). On Usage,
// `error` says what was wrong ("unknown option --xyz", ...). Nothing is written to disk; the
// output's place is checked for writability only.
CommandLine ParseCommandLine(int argc, const char* const* argv, CaptureOptions& capture, PlayOptions& play,
                             std::string& error);

// Nanoseconds as seconds for people: "2.2", "219.5", "10".
std::string FormatSeconds(std::int64_t nanoseconds);

extern const char kCaptureUsage[];
