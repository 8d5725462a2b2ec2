// The entry point. Without arguments it plays the production; with --capture it records it.
#include "production/application.h"
#include "production/recording_signals.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

constexpr char kRecordInstead[] =
    "To record the production without a display: morvelt --capture OUT (a folder, or .mp4/.mkv)\n";

bool DisplayNamed() { return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"); }

// A descriptor 0, 1 or 2 closed by whoever started the program would be taken by the next
// file opened (a recording's audio.wav), and messages would be written into it: each is made
// sure to be open, on /dev/null, before anything else.
void OpenStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) < 0) std::abort();
}

// The display asked for, as the environment names it.
std::string DisplayName() {
    std::string name;
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* value = std::getenv(variable)) {
            if (!name.empty()) name += " or ";
            name += std::string(variable) + "=\"" + value + "\"";
        }
    return name;
}

}  // namespace

int main(int argc, char** argv) {
    OpenStandardStreams();
    CaptureOptions options;
    PlayOptions play;  // the playing options, for the player
    std::string error;
    switch (ParseCommandLine(argc, argv, options, play, error)) {
    case CommandLine::Help:
        std::fputs(kCaptureUsage, stdout);
        return 0;
    case CommandLine::Usage:
        std::fprintf(stderr, "morvelt: %s\n%s", error.c_str(), kCaptureUsage);
        return 2;
    case CommandLine::Capture: {
        // Nothing is shown while recording; messages go to the terminal.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("MORVELT_NO_MESSAGE_BOXES", "1", 1);
        setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);  // SIGINT and SIGTERM stop the recording instead
        std::signal(SIGPIPE, SIG_IGN);             // a failed encoder is reported, not fatal
        recording_signals::Start();
        CMyD3DApplication application;
        return application.Capture(GetModuleHandle(nullptr), options);
    }
    case CommandLine::Version:
        std::printf("morvelt %s\n", kMorveltVersion);
        return 0;
    case CommandLine::Play:
        break;
    }

    if (!DisplayNamed()) {
        std::fprintf(stderr, "morvelt: no display to play on (DISPLAY is not set).\n%s", kRecordInstead);
        return 1;
    }
    // A display that is named but cannot be opened would leave the show running unseen.
    if (!platform::HasDisplay()) {
        std::fprintf(stderr, "morvelt: the display %s could not be opened.\n%s", DisplayName().c_str(),
                     kRecordInstead);
        return 1;
    }
    CMyD3DApplication application;
    return static_cast<int>(application.Play(GetModuleHandle(nullptr), play));
}
