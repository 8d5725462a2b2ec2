#include "production/capture_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

const char kCaptureUsage[] =
    "usage: morvelt [PLAYING OPTIONS]                     play the production\n"
    "       morvelt --capture OUT [RECORDING OPTIONS]     record it\n"
    "       morvelt --version | --help\n"
    "playing options (only without --capture):\n"
    "  --windowed | --fullscreen [WxH]   in a window, or full screen (in the display mode WxH if given)\n"
    "  --device ref|hal                  the software (ref) or hardware (hal) device\n"
    "  --from SECONDS                    start at that time of the show\n"
    "  --no-dialog                       start at once, without the start-up dialog\n"
    "  --exit-at-end | --loop            end (status 0), or start again, once the music has ended\n"
    "keys while playing: Space pause/resume; Left/Right 5 s back/on; PageDown/PageUp 30 s back/on;\n"
    "  Home from the start; Alt+Enter or F11 full screen/window; M mute; +/- volume;\n"
    "  F1 or H the overlay (keys, time, scene, fps, spectrum); Escape or the right-click menu end\n"
    "recording options: [--fps N] [--size WxH] [--from SECONDS] [--to SECONDS] [--device ref|hal]\n"
    "                   [--aspect W:H|stretch] [--overwrite]\n"
    "  OUT ending in .mp4 or .mkv: a video with the music (needs ffmpeg; even sizes only)\n"
    "  OUT otherwise: a folder of numbered PNG frames plus audio.wav; a folder holding files is\n"
    "  refused unless --overwrite, which first removes its frame_*.png and audio.wav\n"
    "  Ctrl-C or SIGTERM stops at the next frame, keeping what was recorded (exit 130 or 143)\n"
    "  OUT /dev/null: every frame drawn, nothing written (to time the drawing alone)\n"
    "  frame n is recorded when from <= n / fps < to\n"
    "  the picture keeps the show's 4:3 shape: it is drawn at the largest 4:3 size inside --size and\n"
    "  centred between black bars (1920x1080 holds the 1440x1080 picture); --aspect W:H draws it at\n"
    "  another shape, --aspect stretch over the whole size (playing always fills the window or screen)\n"
    "  below about 10 fps some events of the show are skipped (each frame advances many steps at\n"
    "  once), and recordings at different fps (30, 60) differ in more than their frame count\n"
    "  limits: fps 1 to 1000, size 100x100 to 8192x8192 (the picture at least 100x100),\n"
    "  0 <= from < to <= 3600 seconds\n"
    "  defaults: --fps 60 --size 1920x1080 --from 0 --to 219.5 --device ref --aspect 4:3\n"
    "every value may also follow its option after '=': --fps=30\n";

namespace {

// Whether `text` ends in `suffix` (lower case), in any case.
bool EndsWith(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i]) return false;
    return true;
}

// Video extensions ffmpeg would take but the recorder does not write: refused rather than
// made into a folder of that name.
constexpr const char* kOtherVideoExtensions[] = {".avi", ".mov", ".webm", ".m4v", ".mpg", ".mpeg",
                                                 ".ogv",  ".wmv", ".flv",  ".ts",  ".3gp"};

// A plain decimal from `text` up to the first non-digit, left in `end`: digits only (no sign,
// space, point, exponent or base prefix), at most `max`.
bool ParseDecimal(const char* text, const char*& end, unsigned max, unsigned& value) {
    unsigned long long number = 0;
    for (end = text; std::isdigit(static_cast<unsigned char>(*end)); ++end) {
        number = number * 10 + static_cast<unsigned>(*end - '0');
        if (number > max) return false;
    }
    if (end == text) return false;
    value = static_cast<unsigned>(number);
    return true;
}

bool ParseWhole(const char* text, unsigned max, unsigned& value) {
    const char* end = nullptr;
    return ParseDecimal(text, end, max, value) && *end == '\0';
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

// "WxH" (or "WXH") in plain decimals, each within `max`; limits of the smallest size are the caller's.
bool ParseSizeText(const char* text, unsigned max, unsigned& width, unsigned& height) {
    const char* end = nullptr;
    unsigned w = 0, h = 0;
    if (!ParseDecimal(text, end, max, w) || (*end != 'x' && *end != 'X')) return false;
    if (!ParseWhole(end + 1, max, h)) return false;
    width = w;
    height = h;
    return true;
}

bool ParseSize(const char* text, unsigned& width, unsigned& height) {
    unsigned w = 0, h = 0;
    if (!ParseSizeText(text, kMaxCaptureSize, w, h) || w < kMinCaptureSize || h < kMinCaptureSize) return false;
    width = w;
    height = h;
    return true;
}

// "W:H" in plain decimals from 1 to kMaxAspectTerm, or "stretch" as 0:0.
bool ParseAspect(const char* text, unsigned& width, unsigned& height) {
    if (std::strcmp(text, "stretch") == 0) {
        width = height = 0;
        return true;
    }
    const char* end = nullptr;
    unsigned w = 0, h = 0;
    if (!ParseDecimal(text, end, kMaxAspectTerm, w) || *end != ':' || !ParseWhole(end + 1, kMaxAspectTerm, h) ||
        w == 0 || h == 0)
        return false;
    width = w;
    height = h;
    return true;
}

// Whether an argument after --fullscreen is its optional WxH rather than the next option.
bool LooksLikeSize(const char* text) {
    unsigned w = 0, h = 0;
    return ParseSizeText(text, ~0u, w, h);
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

enum class Takes { Nothing, Value, OptionalSize };
enum class Mode { Both, Recording, Playing };

struct KnownOption {
    const char* name;
    Takes takes;
    Mode mode;
};

constexpr KnownOption kOptions[] = {
    {"--capture", Takes::Value, Mode::Recording},     {"--overwrite", Takes::Nothing, Mode::Recording},
    {"--fps", Takes::Value, Mode::Recording},         {"--aspect", Takes::Value, Mode::Recording},
    {"--size", Takes::Value, Mode::Recording},        {"--to", Takes::Value, Mode::Recording},
    {"--from", Takes::Value, Mode::Both},             {"--device", Takes::Value, Mode::Both},
    {"--windowed", Takes::Nothing, Mode::Playing},    {"--fullscreen", Takes::OptionalSize, Mode::Playing},
    {"--no-dialog", Takes::Nothing, Mode::Playing},   {"--exit-at-end", Takes::Nothing, Mode::Playing},
    {"--loop", Takes::Nothing, Mode::Playing},        {"--help", Takes::Nothing, Mode::Both},
    {"--version", Takes::Nothing, Mode::Both},
};

const KnownOption* FindOption(const std::string& name) {
    for (const KnownOption& known : kOptions)
        if (name == known.name) return &known;
    return nullptr;
}

// What the options say, before they are checked together and given to one mode.
struct Parsed {
    CaptureOptions capture;
    PlayOptions play;
    bool haveOutput = false;
    const char* recordingOption = nullptr;  // the first option only recording takes, if any
    const char* playingOption = nullptr;    // the first option only playing takes, if any
};

// Takes one option's value into `parsed`; false with `error` set when the value is bad.
bool ApplyOption(const std::string& option, const char* value, Parsed& parsed, std::string& error) {
    CaptureOptions& capture = parsed.capture;
    PlayOptions& play = parsed.play;
    if (option == "--capture") {
        capture.output = value;
        parsed.haveOutput = true;
        if (capture.output.empty()) {
            error = "--capture needs OUT: a folder, a .mp4 or .mkv file, or /dev/null";
            return false;
        }
    } else if (option == "--fps") {
        unsigned fps = 0;
        if (!ParseWhole(value, kMaxCaptureFps, fps) || fps < 1) {
            error = "--fps needs a whole number of frames per second from 1 to 1000";
            return false;
        }
        capture.fps = static_cast<int>(fps);
    } else if (option == "--size") {
        if (!ParseSize(value, capture.width, capture.height)) {
            error = "--size needs WIDTHxHEIGHT from 100x100 to 8192x8192, for example 1920x1080";
            return false;
        }
    } else if (option == "--aspect") {
        if (!ParseAspect(value, capture.aspectWidth, capture.aspectHeight)) {
            error = "--aspect needs W:H (whole numbers from 1 to 1000, for example 16:9) or stretch";
            return false;
        }
    } else if (option == "--from" || option == "--to") {
        if (!ParseSeconds(value, option == "--from" ? capture.from : capture.to)) {
            error = option + " needs seconds from 0 to 3600 with at most 9 decimals, for example 12.5";
            return false;
        }
        if (option == "--from") play.from = capture.from;
    } else if (option == "--device") {
        if (std::strcmp(value, "ref") != 0 && std::strcmp(value, "hal") != 0) {
            error = "--device is ref or hal";
            return false;
        }
        capture.hardwareDevice = std::strcmp(value, "hal") == 0;
        play.device = capture.hardwareDevice ? PlayDevice::Hal : PlayDevice::Ref;
    } else if (option == "--windowed" || option == "--fullscreen") {
        const PlayDisplay display = option == "--windowed" ? PlayDisplay::Windowed : PlayDisplay::FullScreen;
        if (play.display != PlayDisplay::Default && play.display != display) {
            error = "--windowed and --fullscreen exclude each other";
            return false;
        }
        play.display = display;
        if (value && !ParseSize(value, play.fullScreenWidth, play.fullScreenHeight)) {
            error = "--fullscreen takes a display mode WIDTHxHEIGHT from 100x100 to 8192x8192, for example 1024x768";
            return false;
        }
    } else if (option == "--overwrite") {
        capture.overwrite = true;
    } else if (option == "--no-dialog") {
        play.noDialog = true;
    } else if (option == "--exit-at-end") {
        play.exitAtEnd = true;
    } else if (option == "--loop") {
        play.loop = true;
    } else {
        error = option + " is given alone";  // --version among other options
        return false;
    }
    return true;
}

// The options read one by one: "--name value", "--name=value", flags, and --fullscreen's
// optional WxH.
bool ReadOptions(int argc, const char* const* argv, Parsed& parsed, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        std::string attached;
        const bool hasAttached = option.compare(0, 2, "--") == 0 && option.find('=') != std::string::npos;
        if (hasAttached) {
            attached = option.substr(option.find('=') + 1);
            option.resize(option.find('='));
        }
        const KnownOption* known = FindOption(option);
        if (!known) {
            error = (option[0] == '-' ? "unknown option " : "unexpected argument ") + option;
            return false;
        }
        const char* value = hasAttached ? attached.c_str() : nullptr;
        if (known->takes == Takes::Nothing && hasAttached) {
            error = "option " + option + " takes no value";
            return false;
        }
        if (known->takes == Takes::Value && !hasAttached) {
            if (i + 1 >= argc) {
                error = "option " + option + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (known->takes == Takes::OptionalSize && !hasAttached && i + 1 < argc && LooksLikeSize(argv[i + 1]))
            value = argv[++i];
        if (known->mode == Mode::Recording && !parsed.recordingOption) parsed.recordingOption = known->name;
        if (known->mode == Mode::Playing && !parsed.playingOption) parsed.playingOption = known->name;
        if (!ApplyOption(option, value, parsed, error)) return false;
    }
    return true;
}

// The recording options checked together.
bool CheckCapture(CaptureOptions& options, std::string& error) {
    if (options.from >= options.to) {
        error = "--from must be before --to";
        return false;
    }
    const FrameRange frames = RecordedFrames(options);
    if (frames.first >= frames.end) {
        error = "no frame lies from " + FormatSeconds(options.from) + " to " + FormatSeconds(options.to) + " s at " +
                std::to_string(options.fps) + " fps";
        return false;
    }
    options.mp4 = EndsWith(options.output, ".mp4");
    options.toVideo = options.mp4 || EndsWith(options.output, ".mkv");
    for (const char* extension : kOtherVideoExtensions) {
        if (!EndsWith(options.output, extension)) continue;
        error = options.output + ": videos are written as .mp4 or .mkv (any other name is a folder of PNG frames)";
        return false;
    }
    // H.264 in 4:2:0 halves the colour planes: both sides must be even.
    if (options.toVideo && (options.width % 2 != 0 || options.height % 2 != 0)) {
        error = "a video needs an even width and height; --size " + std::to_string(options.width) + "x" +
                std::to_string(options.height) + " is odd (a folder of PNG frames takes any size)";
        return false;
    }
    const PictureArea picture = PictureInFrame(options);
    if (picture.width < kMinCaptureSize || picture.height < kMinCaptureSize) {
        error = "--aspect " + std::to_string(options.aspectWidth) + ":" + std::to_string(options.aspectHeight) +
                " in --size " + std::to_string(options.width) + "x" + std::to_string(options.height) + " leaves a " +
                std::to_string(picture.width) + "x" + std::to_string(picture.height) +
                " picture, below the smallest (100x100)";
        return false;
    }
    if (options.output != kDiscardOutput && !OutputPlaceWritable(options.output, options.toVideo)) {
        error = "cannot write " + options.output;
        return false;
    }
    return true;
}

}  // namespace

const char kMorveltVersion[] = MORVELT_VERSION;

FrameRange RecordedFrames(const CaptureOptions& options) {
    const auto firstFrameAtOrAfter = [&](std::int64_t nanoseconds) {
        return (nanoseconds * options.fps + kNanosecondsPerSecond - 1) / kNanosecondsPerSecond;
    };
    return {firstFrameAtOrAfter(options.from), firstFrameAtOrAfter(options.to)};
}

PictureArea PictureInFrame(const CaptureOptions& options) {
    PictureArea picture;
    picture.width = options.width;
    picture.height = options.height;
    const std::uint64_t aw = options.aspectWidth, ah = options.aspectHeight;
    if (aw == 0 || ah == 0) return picture;
    // Wider than the aspect: full height, bars left and right; otherwise full width, bars above and below.
    if (options.width * ah > options.height * aw)
        picture.width = static_cast<unsigned>((options.height * aw + ah / 2) / ah);
    else
        picture.height = static_cast<unsigned>((options.width * ah + aw / 2) / aw);
    picture.left = (options.width - picture.width) / 2;
    picture.top = (options.height - picture.height) / 2;
    return picture;
}

std::string FormatSeconds(std::int64_t nanoseconds) {
    std::string text = std::to_string(nanoseconds / kNanosecondsPerSecond);
    std::string fraction = std::to_string(nanoseconds % kNanosecondsPerSecond + kNanosecondsPerSecond).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    return fraction.empty() ? text : text + "." + fraction;
}

CommandLine ParseCommandLine(int argc, const char* const* argv, CaptureOptions& capture, PlayOptions& play,
                             std::string& error) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return CommandLine::Version;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return CommandLine::Help;
    Parsed parsed;
    if (!ReadOptions(argc, argv, parsed, error)) return CommandLine::Usage;
    if (!parsed.haveOutput) {
        if (parsed.recordingOption) {
            error = std::string(parsed.recordingOption) + " is a recording option: --capture OUT is required";
            return CommandLine::Usage;
        }
        if (parsed.play.loop && parsed.play.exitAtEnd) {
            error = "--loop and --exit-at-end exclude each other";
            return CommandLine::Usage;
        }
        play = parsed.play;
        return CommandLine::Play;
    }
    if (parsed.playingOption) {
        error = std::string(parsed.playingOption) + " is a playing option and cannot be used with --capture";
        return CommandLine::Usage;
    }
    if (!CheckCapture(parsed.capture, error)) return CommandLine::Usage;
    capture = parsed.capture;
    return CommandLine::Capture;
}
