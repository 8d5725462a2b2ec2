// Generated test sound: tones, MP3 encoding (libmp3lame) and a scratch folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace audiotest {

constexpr int kRate = 44100;

// Frequency in Hz of the centre of spectrum bin k.
inline double BinHz(int k) { return k * static_cast<double>(kRate) / 512.0; }

// Interleaved 16-bit frames (channels 1 or 2) of a sum of sines: {hz, amplitude 0..1} pairs.
struct Tone {
    double hz;
    double amplitude;
};
std::vector<std::int16_t> Tones(const std::vector<Tone>& tones, std::size_t frames, int channels,
                                int rate = kRate);

// An MP3 of interleaved frames, with the encoder's delay and padding recorded for gapless
// decoding.
std::vector<std::uint8_t> EncodeMp3(const std::vector<std::int16_t>& samples, int channels,
                                    int rate = kRate, int kbps = 192);

// A fresh folder under the temporary directory, removed with its files at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes bytes to name inside the folder and returns the full path.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace audiotest
