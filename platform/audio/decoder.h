// MP3 decoding into memory (libmpg123).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::audio {

// Decoded sound: interleaved stereo 16-bit frames at `rate` Hz.
struct PcmBuffer {
    std::uint32_t rate = 0;
    std::vector<std::int16_t> samples;  // 2 per frame (left, right)

    std::size_t Frames() const { return samples.size() / 2; }
};

enum class DecodeStatus {
    Ok,
    NotMp3,    // no MPEG audio frame could be decoded
    TooLong,   // the decoded sound would exceed kMaxDecodedFrames
    NoMemory,
};

struct DecodeResult {
    DecodeStatus status = DecodeStatus::NotMp3;
    PcmBuffer pcm;
    std::string message;  // the decoder's reason on failure
};

// Upper bound of a decoded stream: 3 hours at 48 kHz (about 2 GB as 16-bit stereo).
constexpr std::size_t kMaxDecodedFrames = std::size_t{3} * 3600 * 48000;

// Decodes a whole MP3 held in memory to stereo at `rate` Hz (resampled where the file's own
// rate differs; mono is duplicated). A stream that breaks off after good frames keeps those.
DecodeResult DecodeMp3(const std::uint8_t* data, std::size_t size, std::uint32_t rate);

}  // namespace platform::audio
