// MP3 encoding of the rendered music with libmp3lame: 44.1 kHz stereo, constant bit rate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace music {

// Encodes interleaved 16-bit stereo samples at 44.1 kHz to an MP3 file at `kbps`
// (constant bit rate, no ID3 tag, no Xing header). False on failure (reason printed).
bool EncodeMp3(const std::string& path, const std::vector<int16_t>& pcm, int kbps);

}  // namespace music
