// spectrum FILE --at SECONDS
// Prints the 256 spectrum bins of the 512 sample frames of FILE (an MP3) starting SECONDS into
// it, one line "BIN VALUE" per bin, lowest band first: the values the production's scenes read
// when that point of the music is heard. Exit 0 on success, 1 when the file cannot be decoded
// or the time lies outside it, 2 on a usage error.
#include "platform/audio.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: spectrum FILE --at SECONDS\n");
    return 2;
}

const char* Reason(int code) {
    switch (code) {
        case BASS_ERROR_FILEOPEN: return "cannot open the file";
        case BASS_ERROR_FILEFORM: return "not MP3 audio";
        case BASS_ERROR_MEM: return "too large";
        default: return "decoding failed";
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* file = nullptr;
    const char* at = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--at") == 0 && i + 1 < argc && at == nullptr)
            at = argv[++i];
        else if (file == nullptr && argv[i][0] != '-')
            file = argv[i];
        else
            return Usage();
    }
    if (file == nullptr || at == nullptr) return Usage();
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(at, &end);
    if (end == at || *end != '\0' || errno != 0 || !std::isfinite(seconds) || seconds < 0.0) {
        std::fprintf(stderr, "spectrum: --at needs a time in seconds, not \"%s\"\n", at);
        return 2;
    }

    // The capture output stands still until moved, so the heard position is where we put it.
    platform::audio::UseCaptureOutput({});
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "spectrum: the audio library did not start (error %d)\n", BASS_ErrorGetCode());
        return 1;
    }
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, file, 0, 0, BASS_MP3_SETPOS);
    if (stream == 0) {
        std::fprintf(stderr, "spectrum: cannot decode %s: %s\n", file, Reason(BASS_ErrorGetCode()));
        BASS_Free();
        return 1;
    }
    float bins[512];
    const QWORD pos = BASS_ChannelSeconds2Bytes(stream, seconds);
    if (!BASS_StreamPlay(stream, FALSE, 0) || !BASS_ChannelSetPosition(stream, pos) ||
        BASS_ChannelGetData(stream, bins, BASS_DATA_FFT512) == static_cast<DWORD>(-1)) {
        std::fprintf(stderr, "spectrum: %s ends before %g s\n", file, seconds);
        BASS_Free();
        return 1;
    }
    for (int k = 0; k < 256; ++k) std::printf("%d %.6f\n", k, static_cast<double>(bins[k]));
    BASS_Free();
    return 0;
}
