#include "production/capture_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

const char kCaptureUsage[] =
    "usage: morvelt                      play the production\n"
    "       morvelt --version            print the version\n"
    "       morvelt --capture OUT [--fps N] [--size WxH] [--from SECONDS] [--to SECONDS] [--device ref|hal]\n"
    "       morvelt --help\n"
    "  OUT ending in .mp4 or .mkv: a video with the music (needs ffmpeg)\n"
    "  OUT otherwise: a folder of numbered PNG frames plus audio.wav\n"
    "  OUT /dev/null: every frame drawn, nothing written (to time the drawing alone)\n"
    "  frame n is recorded when from <= n / fps < to\n"
    "  limits: fps 1 to 1000, size 100x100 to 8192x8192, 0 <= from < to <= 3600 seconds\n"
    "  defaults: --fps 60 --size 1920x1080 --from 0 --to 219.5 --device ref\n";

namespace {

bool EndsWith(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

bool ParseNumber(const char* text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && value == value;
}

// Seconds written as decimal digits with at most nine after the point ("12", "2.2", ".5"),
// as nanoseconds; no sign, exponent, infinity or value above kMaxCaptureSeconds.
bool ParseSeconds(const char* text, std::int64_t& nanoseconds) {
    std::int64_t whole = 0, fraction = 0, scale = kNanosecondsPerSecond;
    bool digits = false;
    const char* c = text;
    for (; std::isdigit(static_cast<unsigned char>(*c)); ++c, digits = true) {
        whole = whole * 10 + (*c - '0');
        if (whole > kMaxCaptureSeconds) return false;
    }
    if (*c == '.') {
        for (++c; std::isdigit(static_cast<unsigned char>(*c)); ++c, digits = true) {
            if (scale == 1) return false;
            scale /= 10;
            fraction += (*c - '0') * scale;
        }
    }
    if (!digits || *c != '\0') return false;
    nanoseconds = whole * kNanosecondsPerSecond + fraction;
    return nanoseconds <= kMaxCaptureSeconds * kNanosecondsPerSecond;
}

bool ParseSize(const char* text, unsigned& width, unsigned& height) {
    char* end = nullptr;
    const unsigned long w = std::strtoul(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* second = end + 1;
    const unsigned long h = std::strtoul(second, &end, 10);
    if (end == second || *end != '\0') return false;
    if (w < kMinCaptureSize || h < kMinCaptureSize || w > kMaxCaptureSize || h > kMaxCaptureSize) return false;
    width = static_cast<unsigned>(w);
    height = static_cast<unsigned>(h);
    return true;
}

// The folder that will receive the output must exist and be writable; a folder output may
// also not exist yet if its parent is writable.
bool OutputPlaceWritable(const std::string& output, bool toVideo) {
    if (!toVideo && access(output.c_str(), F_OK) == 0) return access(output.c_str(), W_OK | X_OK) == 0;
    std::string parent = output;
    while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
    const size_t slash = parent.find_last_of('/');
    parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : parent.substr(0, slash));
    return access(parent.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

const char kMorveltVersion[] = MORVELT_VERSION;

FrameRange RecordedFrames(const CaptureOptions& options) {
    const auto firstFrameAtOrAfter = [&](std::int64_t nanoseconds) {
        return (nanoseconds * options.fps + kNanosecondsPerSecond - 1) / kNanosecondsPerSecond;
    };
    return {firstFrameAtOrAfter(options.from), firstFrameAtOrAfter(options.to)};
}

std::string FormatSeconds(std::int64_t nanoseconds) {
    std::string text = std::to_string(nanoseconds / kNanosecondsPerSecond);
    std::string fraction = std::to_string(nanoseconds % kNanosecondsPerSecond + kNanosecondsPerSecond).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    return fraction.empty() ? text : text + "." + fraction;
}

CommandLine ParseCommandLine(int argc, const char* const* argv, CaptureOptions& options, std::string& error) {
    if (argc <= 1) return CommandLine::Play;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return CommandLine::Version;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return CommandLine::Help;
    bool haveOutput = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            error = "option " + option + " needs a value";
            return CommandLine::Usage;
        }
        const char* value = argv[++i];
        double number = 0;
        if (option == "--capture") {
            options.output = value;
            haveOutput = !options.output.empty();
        } else if (option == "--fps") {
            if (!ParseNumber(value, number) || number < 1 || number > kMaxCaptureFps ||
                number != static_cast<int>(number)) {
                error = "--fps needs a whole number of frames per second from 1 to 1000";
                return CommandLine::Usage;
            }
            options.fps = static_cast<int>(number);
        } else if (option == "--size") {
            if (!ParseSize(value, options.width, options.height)) {
                error = "--size needs WIDTHxHEIGHT from 100x100 to 8192x8192, for example 1920x1080";
                return CommandLine::Usage;
            }
        } else if (option == "--from" || option == "--to") {
            if (!ParseSeconds(value, option == "--from" ? options.from : options.to)) {
                error = option + " needs seconds from 0 to 3600 with at most 9 decimals, for example 12.5";
                return CommandLine::Usage;
            }
        } else if (option == "--device") {
            if (std::strcmp(value, "ref") != 0 && std::strcmp(value, "hal") != 0) {
                error = "--device is ref or hal";
                return CommandLine::Usage;
            }
            options.hardwareDevice = std::strcmp(value, "hal") == 0;
        } else {
            error = "unknown option " + option;
            return CommandLine::Usage;
        }
    }
    if (!haveOutput) {
        error = "--capture OUT is required";
        return CommandLine::Usage;
    }
    if (options.from >= options.to) {
        error = "--from must be before --to";
        return CommandLine::Usage;
    }
    const FrameRange frames = RecordedFrames(options);
    if (frames.first >= frames.end) {
        error = "no frame lies from " + FormatSeconds(options.from) + " to " + FormatSeconds(options.to) + " s at " +
                std::to_string(options.fps) + " fps";
        return CommandLine::Usage;
    }
    options.toVideo = EndsWith(options.output, ".mp4") || EndsWith(options.output, ".mkv");
    if (options.output != kDiscardOutput && !OutputPlaceWritable(options.output, options.toVideo)) {
        error = "cannot write " + options.output;
        return CommandLine::Usage;
    }
    return CommandLine::Capture;
}
