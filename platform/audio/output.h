// Where the mix goes: a sound device, a silent real-time output, or the capture output.
// Each output pulls frames from the mixer at its own pace and says how far the listener is.
#pragma once

#include "platform/audio.h"
#include "platform/audio/mixer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::audio {

class Output {
public:
    virtual ~Output() = default;

    virtual OutputKind Kind() const = 0;

    // Output frames that have reached the listener, given that the mixer has delivered
    // `mixed` frames, the last of them at lastMixNs; nowNs is the time of the question.
    virtual std::uint64_t HeardFrames(std::uint64_t mixed, std::int64_t lastMixNs,
                                      std::int64_t nowNs) const = 0;

    // Brings an output that is not driven by a device up to nowNs (mixes what is due).
    virtual void Update(std::int64_t nowNs) { (void)nowNs; }

    // Capture output only: see platform::audio::AdvanceCaptureClock.
    virtual bool Advance(std::uint64_t numerator, std::uint32_t denominator) {
        (void)numerator;
        (void)denominator;
        return false;
    }
};

// Monotonic time in ns.
std::int64_t NowNs();

// The sound device's listener position in output frames. When the device asks for a buffer
// (at lastMixNs, `mixed` frames delivered so far, the last `bufferFrames` of them just now)
// it still holds about one buffer before that one; from then on the listener moves at `rate`
// frames a second, at most up to the start of the buffer just delivered.
std::uint64_t DeviceHeardFrames(std::uint64_t mixed, std::int64_t lastMixNs, std::int64_t nowNs,
                                std::uint32_t rate, std::uint32_t bufferFrames);

// The SDL audio drivers worth trying, from `available` (SDL's order): never those that only
// write a file or discard the sound, and the ones built on ALSA (alsa, sndio) only when ALSA
// has a sound card, since without one the ALSA library prints its failures on the terminal.
std::vector<std::string> QuietAudioDrivers(const std::vector<std::string>& available, bool alsaHasCard);
// Whether ALSA lists a sound card (/proc/asound/cards).
bool AlsaHasSoundCard();

// Opens SDL output `device` (-1 or 1: default; n ≥ 2: the system's device n, counting from 1).
// On failure returns null and sets *reason; *noSuchDevice tells a bad number from a missing
// sound system. *description names the device on success.
std::unique_ptr<Output> OpenDeviceOutput(Mixer& mixer, int device, std::string* description,
                                         std::string* reason, bool* noSuchDevice);

// Advances in real time from nowNs on; the mix is discarded.
std::unique_ptr<Output> OpenSilentOutput(Mixer& mixer, std::int64_t nowNs);

// Advances only through Advance; every mixed frame goes to the sink.
std::unique_ptr<Output> OpenCaptureOutput(Mixer& mixer, CaptureSink sink);

}  // namespace platform::audio
