// The streams of the running library and the mix the output takes from them.
#pragma once

#include "platform/audio/decoder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::audio {

class Output;

// Where a stream is for the listener at a moment.
struct StreamLocation {
    std::shared_ptr<const PcmBuffer> pcm;
    std::uint64_t frame = 0;  // frame being heard (or the stopped position), ≤ pcm->Frames()
    bool audible = false;     // playing and not yet heard to its end
    bool loop = false;
};

// Result codes of the stream operations are the library's error codes (BASS_OK on success).
class Mixer {
public:
    static constexpr std::size_t kChunkFrames = 1024;  // frames mixed per pass

    explicit Mixer(std::uint32_t rate) : rate_(rate) {}

    std::uint32_t Rate() const { return rate_; }

    // Called by the output, from any thread: writes `frames` interleaved stereo frames to out
    // and advances every playing stream. nowNs: the monotonic time of the call (ns).
    void Mix(std::int16_t* out, std::size_t frames, std::int64_t nowNs);

    // Like Mix for an output nobody hears: moves the streams on by `frames` without making
    // samples (constant time, whatever the count).
    void Skip(std::uint64_t frames, std::int64_t nowNs);

    // Frames mixed since the output opened.
    std::uint64_t MixedFrames() const;

    void Add(std::uint32_t handle, std::shared_ptr<const PcmBuffer> pcm, bool loop);
    bool Has(std::uint32_t handle) const;
    // loop: the stream loops from now on (a stream made looping stays so).
    int Play(std::uint32_t handle, bool restart, bool loop);
    // Holds a playing stream at the frame being heard at nowNs; Play (without restart) goes on
    // from there. BASS_ERROR_NOPLAY when the stream is not playing.
    int Pause(std::uint32_t handle, const Output& output, std::int64_t nowNs);
    // Loudness of the stream in the mix, 0 (silent) to 1 (as decoded); the spectrum does not
    // follow it.
    int SetVolume(std::uint32_t handle, float volume);
    // BASS_ACTIVE_STOPPED, _PLAYING or _PAUSED; -1 for an unknown handle.
    int Activity(std::uint32_t handle) const;
    int SetPosition(std::uint32_t handle, std::uint64_t frame);
    // The stream as heard through `output` at nowNs.
    int Locate(std::uint32_t handle, const Output& output, std::int64_t nowNs,
               StreamLocation* location) const;

private:
    enum class State { Stopped, Playing, Paused, Ended };
    struct Stream {
        std::uint32_t handle;
        std::shared_ptr<const PcmBuffer> pcm;
        State state = State::Stopped;
        bool loop = false;
        float volume = 1.0f;
        std::uint64_t pos = 0;  // next frame to mix
        bool wrapped = false;   // a looping stream has passed its end since it was (re)positioned
        // The frame anchorPos of the stream was mixed as output frame anchorOut; from there
        // the two advance together while the stream plays.
        std::uint64_t anchorOut = 0;
        std::uint64_t anchorPos = 0;
        // The frame the stream was last started, resumed or positioned at: the listener hears
        // nothing before it from then on.
        std::uint64_t startPos = 0;
    };

    // The frame of `s` the listener hears at nowNs (unclamped; may lie before 0 or past the end).
    std::int64_t HeardFrame(const Stream& s, const Output& output, std::int64_t nowNs) const;

    Stream* Find(std::uint32_t handle);
    const Stream* Find(std::uint32_t handle) const;
    void AddStream(Stream& s, std::int32_t* acc, std::size_t frames);

    const std::uint32_t rate_;
    mutable std::mutex mutex_;
    std::vector<Stream> streams_;
    std::uint64_t mixed_ = 0;      // output frames mixed so far
    std::int64_t lastMixNs_ = 0;  // time of the latest Mix call
};

}  // namespace platform::audio
