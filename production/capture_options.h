// Command-line options of the recorder: `morvelt --capture OUT [--fps N] [--size WxH]
// [--from SECONDS] [--to SECONDS] [--device ref|hal]`. Without arguments the program plays.
#pragma once

#include <string>

struct CaptureOptions {
    std::string output;          // a .mp4/.mkv file, or a folder for PNG frames + audio.wav
    bool toVideo = false;        // output names a video file
    int fps = 60;                // frames per second of production time
    unsigned width = 1920;       // pixels
    unsigned height = 1080;
    double from = 0.0;           // seconds: first recorded frame (earlier frames render unrecorded)
    double to = 219.5;           // seconds: end of the recording (exclusive)
    bool hardwareDevice = false;  // --device hal; REF otherwise
};

enum class CommandLine {
    Play,     // no arguments
    Capture,  // valid capture options
    Usage,    // bad options: print the usage (with the error) and exit 2
    Version,  // --version alone: print the version
};

// The program's version, from the build.
extern const char kMorveltVersion[];

// Parses argv[1..argc-1]. On Usage, `error` says what was wrong. Nothing is written to disk;
// the output's place is checked for writability only.
CommandLine ParseCommandLine(int argc, const char* const* argv, CaptureOptions& options, std::string& error);

extern const char kCaptureUsage[];
