// The library's calls: one running instance (mixer, output, spectrum) behind one lock, the
// error code of each thread's last call, and the handles of the streams.
#include "platform/audio.h"

#include "platform/audio/decoder.h"
#include "platform/audio/mixer.h"
#include "platform/audio/output.h"
#include "platform/audio/spectrum.h"
#include "platform/win32/data_file.h"
#include "platform/win32/debug_output.h"

#include <sys/stat.h>

#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

using namespace platform::audio;

namespace {

constexpr DWORD kMinRate = 8000;
constexpr DWORD kMaxRate = 192000;
constexpr DWORD kBytesPerFrame = 4;                              // 16-bit stereo

struct Library {
    explicit Library(std::uint32_t rate) : mixer(rate) {}

    Mixer mixer;
    std::unique_ptr<Output> output;  // declared after the mixer: closed before it goes
    Spectrum512 spectrum;
    std::array<float, kFftSize> mono{};
    std::uint64_t generation = 0;  // tells a restarted library from the one a call began with
};

std::mutex g_mutex;  // guards everything below
std::unique_ptr<Library> g_library;
std::uint64_t g_generation = 0;
bool g_useCapture = false;
CaptureSink g_captureSink;
DWORD g_nextHandle = 1;
// Decoded files by identity (path, inode, size, modification time, range, rate): a stream made
// again from the same file, as after every device reset, shares the sound instead of
// decoding another copy of it.
std::map<std::string, std::weak_ptr<const PcmBuffer>> g_decoded;
// The sound of the file decoded last stays in memory even after BASS_Free: a program that
// starts the library again and makes the same stream (as after a device change or a seek)
// then does not wait for the file to be decoded again.
std::shared_ptr<const PcmBuffer> g_lastDecoded;

thread_local int t_error = BASS_OK;

void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    OutputDebugStringA(text);
}

// Says a line the first time `said` is false.
void SayOnce(bool& said, const char* text) {
    if (said) return;
    said = true;
    OutputDebugStringA(text);
}

// Tells the user that the music plays silently (once per run, as every line told); with the
// reason when the driver they chose (SDL_AUDIODRIVER) is the one that failed.
void TellNoSoundDevice(const std::string& reason) {
    if (const char* driver = std::getenv("SDL_AUDIODRIVER"))
        platform::TellUser("no sound device: playing silently (SDL_AUDIODRIVER=%s: %s)", driver, reason.c_str());
    else
        platform::TellUser("no sound device: playing silently");
}

template <typename T>
T Fail(int code, T result) {
    t_error = code;
    return result;
}

// The running library brought up to now (a silent output catches up with real time), or null
// with BASS_ERROR_INIT set. Call with g_mutex held.
Library* Running() {
    if (!g_library) {
        t_error = BASS_ERROR_INIT;
        return nullptr;
    }
    g_library->output->Update(NowNs());
    return g_library.get();
}

// Identity of a file's decoded sound, or empty when the file cannot be a stream.
std::string FileKey(const char* path, DWORD offset, DWORD length, std::uint32_t rate) {
    struct stat info {};
    if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return std::string();
    char key[160];
    std::snprintf(key, sizeof key, "|%llu:%llu:%lld:%lld.%09ld:%u:%u:%u",
                  static_cast<unsigned long long>(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino),
                  static_cast<long long>(info.st_size), static_cast<long long>(info.st_mtim.tv_sec),
                  info.st_mtim.tv_nsec, offset, length, rate);
    return path + std::string(key);
}

int ReadFileBytes(const char* path, DWORD offset, DWORD length, std::vector<std::uint8_t>* bytes,
                  std::string* reason) {
    platform::DataFile file;
    if (!file.Open(path, reason)) return BASS_ERROR_FILEOPEN;
    const std::uint64_t size = file.Size();
    if (offset > size) {
        *reason = "the offset lies beyond its end";
        return BASS_ERROR_ILLPARAM;
    }
    std::uint64_t count = size - offset;
    if (length != 0 && length < count) count = length;
    return file.ReadAt(offset, count, bytes, reason) ? BASS_OK : BASS_ERROR_FILEOPEN;
}

// Adds a stream of pcm, provided the library running is still the one `generation` names.
HSTREAM AddStream(std::uint64_t generation, std::shared_ptr<const PcmBuffer> pcm, DWORD flags) {
    if (!g_library || g_library->generation != generation) return Fail(BASS_ERROR_INIT, HSTREAM{0});
    const HSTREAM handle = g_nextHandle++;
    if (g_nextHandle == 0) g_nextHandle = 1;
    g_library->mixer.Add(handle, std::move(pcm), (flags & BASS_SAMPLE_LOOP) != 0);
    t_error = BASS_OK;
    return handle;
}

}  // namespace

BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND, const GUID* clsid) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_library) return Fail(BASS_ERROR_ALREADY, FALSE);
    if (flags != 0 || clsid != nullptr) {
        static bool said = false;
        SayOnce(said, "BASS_Init: device flags and output identifiers are not implemented\n");
        return Fail(BASS_ERROR_NOTAVAIL, FALSE);
    }
    if (freq < kMinRate || freq > kMaxRate) return Fail(BASS_ERROR_FREQ, FALSE);
    if (device < -1) return Fail(BASS_ERROR_DEVICE, FALSE);

    std::unique_ptr<Library> library;
    try {
        library = std::make_unique<Library>(freq);
    } catch (const std::bad_alloc&) {
        return Fail(BASS_ERROR_MEM, FALSE);
    }
    if (g_useCapture) {
        library->output = OpenCaptureOutput(library->mixer, g_captureSink);
        Say("BASS_Init: capture output at %u Hz; the music moves with the frame clock\n", freq);
    } else if (device == 0) {
        library->output = OpenSilentOutput(library->mixer, NowNs());
        Say("BASS_Init: device 0 (no sound); the music plays silently in real time\n");
    } else {
        std::string description, reason;
        bool noSuchDevice = false;
        library->output = OpenDeviceOutput(library->mixer, device, &description, &reason, &noSuchDevice);
        if (library->output) {
            Say("BASS_Init: playing through %s\n", description.c_str());
        } else if (noSuchDevice) {
            Say("BASS_Init: %s\n", reason.c_str());
            return Fail(BASS_ERROR_DEVICE, FALSE);
        } else {
            library->output = OpenSilentOutput(library->mixer, NowNs());
            TellNoSoundDevice(reason);
            Say("BASS_Init: no audio device could be opened (%s); the music plays silently in "
                "real time\n",
                reason.c_str());
        }
    }
    library->generation = ++g_generation;
    g_library = std::move(library);
    t_error = BASS_OK;
    return TRUE;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags) {
    std::uint32_t rate = 0;
    std::uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_library) return Fail(BASS_ERROR_INIT, HSTREAM{0});
        rate = g_library->mixer.Rate();
        generation = g_library->generation;
    }
    if (file == nullptr || (mem && length == 0)) return Fail(BASS_ERROR_ILLPARAM, HSTREAM{0});
    if ((flags & ~(BASS_MP3_SETPOS | BASS_SAMPLE_LOOP)) != 0) {
        static bool said = false;
        std::lock_guard<std::mutex> lock(g_mutex);
        SayOnce(said, "BASS_StreamCreateFile: only the flags BASS_MP3_SETPOS and BASS_SAMPLE_LOOP "
                      "are implemented\n");
        return Fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});
    }

    std::string key;
    if (!mem) {
        key = FileKey(static_cast<const char*>(file), offset, length, rate);
        std::lock_guard<std::mutex> lock(g_mutex);
        const auto known = g_decoded.find(key);
        if (known != g_decoded.end())
            if (auto pcm = known->second.lock()) return AddStream(generation, std::move(pcm), flags);
    }

    // Reading and decoding happen outside the lock: the device keeps playing meanwhile.
    std::vector<std::uint8_t> bytes;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    if (mem) {
        data = static_cast<const std::uint8_t*>(file) + offset;
        size = length;
    } else {
        const auto* path = static_cast<const char*>(file);
        std::string reason;
        const int code = ReadFileBytes(path, offset, length, &bytes, &reason);
        if (code != BASS_OK) {
            platform::TellUser("%s: cannot be read: %s", path, reason.c_str());
            return Fail(code, HSTREAM{0});
        }
        data = bytes.data();
        size = bytes.size();
    }
    DecodeResult decoded = DecodeMp3(data, size, rate);
    bytes = std::vector<std::uint8_t>();
    if (decoded.status != DecodeStatus::Ok) {
        platform::TellUser("%s: not a playable MP3 stream (%s)", mem ? "(memory)" : static_cast<const char*>(file),
                           decoded.message.c_str());
        return Fail(decoded.status == DecodeStatus::NotMp3 ? BASS_ERROR_FILEFORM : BASS_ERROR_MEM,
                    HSTREAM{0});
    }
    auto pcm = std::make_shared<const PcmBuffer>(std::move(decoded.pcm));

    std::lock_guard<std::mutex> lock(g_mutex);
    if (!key.empty()) {
        for (auto it = g_decoded.begin(); it != g_decoded.end();)
            it = it->second.expired() ? g_decoded.erase(it) : std::next(it);
        g_decoded[key] = pcm;
        g_lastDecoded = pcm;
    }
    return AddStream(generation, std::move(pcm), flags);
}

BOOL BASS_StreamPlay(HSTREAM handle, BOOL restart, DWORD flags) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Library* library = Running();
    if (library == nullptr) return FALSE;
    if ((flags & ~BASS_SAMPLE_LOOP) != 0) return Fail(BASS_ERROR_ILLPARAM, FALSE);
    const int code = library->mixer.Play(handle, restart != FALSE, (flags & BASS_SAMPLE_LOOP) != 0);
    if (code != BASS_OK) return Fail(code, FALSE);
    t_error = BASS_OK;
    return TRUE;
}

BOOL BASS_ChannelPause(DWORD handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Library* library = Running();
    if (library == nullptr) return FALSE;
    const int code = library->mixer.Pause(handle, *library->output, NowNs());
    if (code != BASS_OK) return Fail(code, FALSE);
    t_error = BASS_OK;
    return TRUE;
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Library* library = Running();
    if (library == nullptr) return BASS_ACTIVE_STOPPED;
    const int activity = library->mixer.Activity(handle);
    if (activity < 0) return Fail(BASS_ERROR_HANDLE, BASS_ACTIVE_STOPPED);
    t_error = BASS_OK;
    return static_cast<DWORD>(activity);
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Library* library = Running();
    if (library == nullptr) return FALSE;
    if (attrib != BASS_ATTRIB_VOL) {
        static bool said = false;
        SayOnce(said, "BASS_ChannelSetAttribute: only BASS_ATTRIB_VOL is implemented\n");
        return Fail(BASS_ERROR_NOTAVAIL, FALSE);
    }
    const int code = library->mixer.SetVolume(handle, value);
    if (code != BASS_OK) return Fail(code, FALSE);
    t_error = BASS_OK;
    return TRUE;
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Library* library = Running();
    if (library == nullptr) return FALSE;
    const int code = library->mixer.SetPosition(handle, pos / kBytesPerFrame);
    if (code != BASS_OK) return Fail(code, FALSE);
    t_error = BASS_OK;
    return TRUE;
}

QWORD BASS_ChannelGetPosition(DWORD handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Library* library = Running();
    if (library == nullptr) return ~QWORD{0};
    StreamLocation where;
    const int code = library->mixer.Locate(handle, *library->output, NowNs(), &where);
    if (code != BASS_OK) return Fail(code, ~QWORD{0});
    t_error = BASS_OK;
    return where.frame * kBytesPerFrame;
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Library* library = Running();
    if (library == nullptr) return ~DWORD{0};
    if (length != BASS_DATA_FFT512) {
        static bool said = false;
        SayOnce(said, "BASS_ChannelGetData: only BASS_DATA_FFT512 is implemented\n");
        return Fail(BASS_ERROR_NOTAVAIL, ~DWORD{0});
    }
    if (buffer == nullptr) return Fail(BASS_ERROR_ILLPARAM, ~DWORD{0});
    StreamLocation where;
    const int code = library->mixer.Locate(handle, *library->output, NowNs(), &where);
    if (code != BASS_OK) return Fail(code, ~DWORD{0});
    if (!where.audible) return Fail(BASS_ERROR_NOPLAY, ~DWORD{0});
    Spectrum512::MonoWindow(*where.pcm, static_cast<std::size_t>(where.frame), where.loop,
                            library->mono.data());
    library->spectrum.Compute(library->mono.data(), static_cast<float*>(buffer));
    t_error = BASS_OK;
    return static_cast<DWORD>(kFftSize * kBytesPerFrame);
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double seconds) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_library) return Fail(BASS_ERROR_INIT, ~QWORD{0});
    if (!g_library->mixer.Has(handle)) return Fail(BASS_ERROR_HANDLE, ~QWORD{0});
    if (!(seconds >= 0.0) || seconds > 1e9) return Fail(BASS_ERROR_ILLPARAM, ~QWORD{0});
    const auto frames = static_cast<QWORD>(std::floor(seconds * g_library->mixer.Rate()));
    t_error = BASS_OK;
    return frames * kBytesPerFrame;
}

BOOL BASS_Free() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_library) return Fail(BASS_ERROR_INIT, FALSE);
    g_library.reset();  // stops the output first, then drops the streams
    t_error = BASS_OK;
    return TRUE;
}

int BASS_ErrorGetCode() { return t_error; }

namespace platform::audio {

OutputKind CurrentOutput() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_library ? g_library->output->Kind() : OutputKind::None;
}

void UseCaptureOutput(CaptureSink sink) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_useCapture = true;
    g_captureSink = std::move(sink);
}

void UseDeviceOutput() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_useCapture = false;
    g_captureSink = CaptureSink();
}

bool AdvanceCaptureClock(std::uint64_t numerator, std::uint32_t denominator) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_library && g_library->output->Advance(numerator, denominator);
}

}  // namespace platform::audio
