// The sound device output (SDL2 audio). SDL calls Fill on its own thread whenever the device
// wants another buffer; the listener is one to two buffers behind the mix.
#include "platform/audio/output.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>

namespace platform::audio {

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::uint64_t DeviceHeardFrames(std::uint64_t mixed, std::int64_t lastMixNs, std::int64_t nowNs,
                                std::uint32_t rate, std::uint32_t bufferFrames) {
    const auto buffer = static_cast<std::int64_t>(bufferFrames);
    const std::int64_t since = std::max<std::int64_t>(nowNs - lastMixNs, 0);
    const std::int64_t elapsed = static_cast<std::int64_t>(
        static_cast<unsigned __int128>(since) * rate / 1000000000u);
    std::int64_t heard = static_cast<std::int64_t>(mixed) - 2 * buffer + std::min(elapsed, buffer);
    return static_cast<std::uint64_t>(std::max<std::int64_t>(heard, 0));
}

std::vector<std::string> QuietAudioDrivers(const std::vector<std::string>& available, bool alsaHasCard) {
    std::vector<std::string> chosen;
    for (const std::string& driver : available) {
        if (driver == "disk" || driver == "dummy") continue;
        if ((driver == "alsa" || driver == "sndio") && !alsaHasCard) continue;
        chosen.push_back(driver);
    }
    return chosen;
}

bool AlsaHasSoundCard() {
    std::ifstream cards("/proc/asound/cards");
    std::string first;
    return std::getline(cards, first) && first.find("no soundcards") == std::string::npos;
}

namespace {

// Starts SDL's audio: with the driver the user names in SDL_AUDIODRIVER, otherwise with the
// first quiet driver that starts. False (with the reason) when none does.
bool StartAudio(std::string* reason) {
    if (std::getenv("SDL_AUDIODRIVER")) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) return true;
        *reason = SDL_GetError();
        return false;
    }
    std::vector<std::string> available;
    for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i) available.emplace_back(SDL_GetAudioDriver(i));
    for (const std::string& driver : QuietAudioDrivers(available, AlsaHasSoundCard())) {
        SDL_SetHint(SDL_HINT_AUDIODRIVER, driver.c_str());
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) return true;
    }
    *reason = "no sound device";
    return false;
}

constexpr Uint16 kBufferFrames = 1024;  // about 23 ms at 44100 Hz

class DeviceOutput final : public Output {
public:
    DeviceOutput(Mixer& mixer) : mixer_(mixer) {}

    ~DeviceOutput() override {
        if (device_ != 0) SDL_CloseAudioDevice(device_);  // waits for a running Fill
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool Open(const char* name, std::string* description, std::string* reason) {
        SDL_AudioSpec want{};
        want.freq = static_cast<int>(mixer_.Rate());
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = kBufferFrames;
        want.callback = &DeviceOutput::Fill;
        want.userdata = this;
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts between our stereo 16-bit mix and the device.
        device_ = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
        if (device_ == 0) {
            *reason = SDL_GetError();
            return false;
        }
        bufferFrames_ = have.samples != 0 ? have.samples : kBufferFrames;
        *description = std::string("audio device \"") + (name != nullptr ? name : "default") +
                       "\" (SDL driver " + SDL_GetCurrentAudioDriver() + "), " +
                       std::to_string(mixer_.Rate()) + " Hz, " + std::to_string(bufferFrames_) +
                       "-frame buffer";
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    OutputKind Kind() const override { return OutputKind::Device; }

    std::uint64_t HeardFrames(std::uint64_t mixed, std::int64_t lastMixNs,
                              std::int64_t nowNs) const override {
        return DeviceHeardFrames(mixed, lastMixNs, nowNs, mixer_.Rate(), bufferFrames_);
    }

private:
    static void SDLCALL Fill(void* self, Uint8* stream, int bytes) {
        auto* output = static_cast<DeviceOutput*>(self);
        output->mixer_.Mix(reinterpret_cast<std::int16_t*>(stream),
                           static_cast<std::size_t>(bytes) / 4, NowNs());
    }

    Mixer& mixer_;
    SDL_AudioDeviceID device_ = 0;
    std::uint32_t bufferFrames_ = kBufferFrames;
};

}  // namespace

std::unique_ptr<Output> OpenDeviceOutput(Mixer& mixer, int device, std::string* description,
                                         std::string* reason, bool* noSuchDevice) {
    *noSuchDevice = false;
    if (!StartAudio(reason)) return nullptr;
    auto output = std::make_unique<DeviceOutput>(mixer);  // quits the subsystem when dropped
    const char* name = nullptr;
    if (device >= 2) {
        const int count = SDL_GetNumAudioDevices(0);
        if (device - 1 >= count) {
            *noSuchDevice = true;
            *reason = "no output device " + std::to_string(device) + " (the system has " +
                      std::to_string(std::max(count, 0)) + ")";
            return nullptr;
        }
        name = SDL_GetAudioDeviceName(device - 1, 0);
    }
    if (!output->Open(name, description, reason)) return nullptr;
    return output;
}

}  // namespace platform::audio
