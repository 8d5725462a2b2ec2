#include "platform/audio/mixer.h"

#include "platform/audio.h"
#include "platform/audio/output.h"

#include <algorithm>
#include <limits>

namespace platform::audio {

Mixer::Stream* Mixer::Find(std::uint32_t handle) {
    for (auto& s : streams_)
        if (s.handle == handle) return &s;
    return nullptr;
}

const Mixer::Stream* Mixer::Find(std::uint32_t handle) const {
    for (const auto& s : streams_)
        if (s.handle == handle) return &s;
    return nullptr;
}

std::uint64_t Mixer::MixedFrames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return mixed_;
}

void Mixer::AddStream(Stream& s, std::int32_t* acc, std::size_t frames) {
    const std::uint64_t length = s.pcm->Frames();
    const std::int16_t* src = s.pcm->samples.data();
    std::size_t done = 0;
    while (done < frames) {
        if (s.pos >= length) {
            if (s.loop) {
                s.pos = 0;
                s.wrapped = true;
            } else {
                s.state = State::Ended;
                s.anchorOut = mixed_ + done;
                s.anchorPos = length;
                return;
            }
        }
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(frames - done, length - s.pos));
        const std::int16_t* in = src + 2 * s.pos;
        std::int32_t* out = acc + 2 * done;
        if (s.volume == 1.0f)
            for (std::size_t i = 0; i < 2 * n; ++i) out[i] += in[i];
        else
            for (std::size_t i = 0; i < 2 * n; ++i) out[i] += static_cast<std::int32_t>(in[i] * s.volume);
        s.pos += n;
        done += n;
    }
    s.anchorOut = mixed_ + frames;
    s.anchorPos = s.pos;
}

void Mixer::Mix(std::int16_t* out, std::size_t frames, std::int64_t nowNs) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::int32_t acc[2 * kChunkFrames];
    while (frames > 0) {
        const std::size_t n = std::min(frames, kChunkFrames);
        std::fill(acc, acc + 2 * n, 0);
        for (auto& s : streams_)
            if (s.state == State::Playing) AddStream(s, acc, n);
        for (std::size_t i = 0; i < 2 * n; ++i)
            out[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(acc[i], -32768, 32767));
        mixed_ += n;
        out += 2 * n;
        frames -= n;
    }
    lastMixNs_ = nowNs;
}

void Mixer::Skip(std::uint64_t frames, std::int64_t nowNs) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& s : streams_) {
        if (s.state != State::Playing) continue;
        const std::uint64_t length = s.pcm->Frames();
        const std::uint64_t remaining = length - std::min(s.pos, length);
        if (frames < remaining) {
            s.pos += frames;
        } else if (s.loop) {
            s.pos = (s.pos + frames) % length;
            s.wrapped = true;
        } else {
            s.state = State::Ended;
            s.anchorOut = mixed_ + remaining;
            s.anchorPos = length;
            continue;
        }
        s.anchorOut = mixed_ + frames;
        s.anchorPos = s.pos;
    }
    mixed_ += frames;
    lastMixNs_ = nowNs;
}

void Mixer::Add(std::uint32_t handle, std::shared_ptr<const PcmBuffer> pcm, bool loop) {
    std::lock_guard<std::mutex> lock(mutex_);
    Stream s;
    s.handle = handle;
    s.pcm = std::move(pcm);
    s.loop = loop;
    streams_.push_back(std::move(s));
}

bool Mixer::Has(std::uint32_t handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Find(handle) != nullptr;
}

int Mixer::Play(std::uint32_t handle, bool restart, bool loop) {
    std::lock_guard<std::mutex> lock(mutex_);
    Stream* s = Find(handle);
    if (s == nullptr) return BASS_ERROR_HANDLE;
    s->loop = s->loop || loop;
    if (s->state == State::Playing && !restart) return BASS_OK;
    if (restart || s->state == State::Ended || s->pos >= s->pcm->Frames()) s->pos = 0;
    s->state = State::Playing;
    s->wrapped = false;
    s->anchorOut = mixed_;
    s->anchorPos = s->pos;
    s->startPos = s->pos;
    return BASS_OK;
}

int Mixer::Pause(std::uint32_t handle, const Output& output, std::int64_t nowNs) {
    std::lock_guard<std::mutex> lock(mutex_);
    Stream* s = Find(handle);
    if (s == nullptr) return BASS_ERROR_HANDLE;
    if (s->state != State::Playing) return BASS_ERROR_NOPLAY;
    const std::int64_t length = static_cast<std::int64_t>(s->pcm->Frames());
    std::int64_t heard = HeardFrame(*s, output, nowNs);
    // What was mixed but not yet heard is played again on resuming; a stream paused before
    // its new material reached the listener stays where it was started.
    if (!s->wrapped) heard = std::max<std::int64_t>(heard, static_cast<std::int64_t>(s->startPos));
    if (s->loop) heard = (heard % length + length) % length;
    s->pos = static_cast<std::uint64_t>(std::clamp<std::int64_t>(heard, 0, length));
    s->state = State::Paused;
    s->wrapped = false;
    return BASS_OK;
}

int Mixer::SetVolume(std::uint32_t handle, float volume) {
    std::lock_guard<std::mutex> lock(mutex_);
    Stream* s = Find(handle);
    if (s == nullptr) return BASS_ERROR_HANDLE;
    if (!(volume >= 0.0f && volume <= 1.0f)) return BASS_ERROR_ILLPARAM;
    s->volume = volume;
    return BASS_OK;
}

int Mixer::Activity(std::uint32_t handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Stream* s = Find(handle);
    if (s == nullptr) return -1;
    switch (s->state) {
    case State::Playing: return BASS_ACTIVE_PLAYING;
    case State::Paused: return BASS_ACTIVE_PAUSED;
    default: return BASS_ACTIVE_STOPPED;
    }
}

int Mixer::SetPosition(std::uint32_t handle, std::uint64_t frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    Stream* s = Find(handle);
    if (s == nullptr) return BASS_ERROR_HANDLE;
    if (frame > s->pcm->Frames()) return BASS_ERROR_POSITION;
    s->pos = frame;
    s->startPos = frame;
    s->wrapped = false;
    if (s->state == State::Playing) {
        s->anchorOut = mixed_;
        s->anchorPos = frame;
    }
    return BASS_OK;
}

std::int64_t Mixer::HeardFrame(const Stream& s, const Output& output, std::int64_t nowNs) const {
    const std::uint64_t heardOut = std::min(output.HeardFrames(mixed_, lastMixNs_, nowNs), mixed_);
    // Frames of this stream still between the mixer and the listener (negative once the
    // stream has ended and the listener has moved on past its last frame).
    const std::int64_t lag = static_cast<std::int64_t>(s.anchorOut) - static_cast<std::int64_t>(heardOut);
    return static_cast<std::int64_t>(s.anchorPos) - lag;
}

int Mixer::Locate(std::uint32_t handle, const Output& output, std::int64_t nowNs,
                  StreamLocation* location) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Stream* s = Find(handle);
    if (s == nullptr) return BASS_ERROR_HANDLE;
    const std::int64_t length = static_cast<std::int64_t>(s->pcm->Frames());
    location->pcm = s->pcm;
    location->loop = s->loop;
    location->audible = false;
    if (s->state == State::Stopped) {
        location->frame = s->pos;
        return BASS_OK;
    }
    if (s->state == State::Paused) {  // held: its spectrum stays that of the frame it holds
        location->frame = s->pos;
        location->audible = s->pos < static_cast<std::uint64_t>(length);
        return BASS_OK;
    }
    std::int64_t heard = HeardFrame(*s, output, nowNs);
    if (s->loop && s->state == State::Playing) {
        if (heard < 0 && s->wrapped) heard += length * (-heard / length + 1);  // before the wrap
        heard = std::max<std::int64_t>(heard, 0) % length;
    } else {
        // Before the anchor lies what was mixed before a start or a seek; the new material
        // counts as heard from its first frame on.
        heard = std::max<std::int64_t>(heard, 0);
    }
    location->audible = heard < length;
    location->frame = static_cast<std::uint64_t>(std::min(heard, length));
    return BASS_OK;
}

}  // namespace platform::audio
