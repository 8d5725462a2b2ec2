#include "signals.h"

#include <lame.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace audiotest {

std::vector<std::int16_t> Tones(const std::vector<Tone>& tones, std::size_t frames, int channels,
                                int rate) {
    std::vector<std::int16_t> out(frames * static_cast<std::size_t>(channels));
    const double twoPi = 6.283185307179586;
    for (std::size_t i = 0; i < frames; ++i) {
        double v = 0.0;
        for (const Tone& t : tones) v += t.amplitude * std::sin(twoPi * t.hz * static_cast<double>(i) / rate);
        const auto s = static_cast<std::int16_t>(std::lround(std::fmax(-1.0, std::fmin(v, 1.0)) * 32767.0));
        for (int c = 0; c < channels; ++c) out[i * static_cast<std::size_t>(channels) + c] = s;
    }
    return out;
}

std::vector<std::uint8_t> EncodeMp3(const std::vector<std::int16_t>& samples, int channels,
                                    int rate, int kbps) {
    lame_global_flags* gf = lame_init();
    lame_set_num_channels(gf, channels);
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    lame_set_brate(gf, kbps);
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_quality(gf, 5);
    lame_set_bWriteVbrTag(gf, 1);
    lame_set_write_id3tag_automatic(gf, 0);
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        throw std::runtime_error("lame_init_params failed");
    }
    const int frames = static_cast<int>(samples.size() / static_cast<std::size_t>(channels));
    std::vector<std::uint8_t> out(static_cast<std::size_t>(frames) * 5 / 4 + 7200 + 16384);
    int n = 0;
    if (channels == 2) {
        n = lame_encode_buffer_interleaved(gf, const_cast<short*>(samples.data()), frames, out.data(),
                                           static_cast<int>(out.size()));
    } else {
        n = lame_encode_buffer(gf, samples.data(), nullptr, frames, out.data(), static_cast<int>(out.size()));
    }
    if (n < 0) throw std::runtime_error("lame_encode_buffer failed");
    const int tail = lame_encode_flush(gf, out.data() + n, static_cast<int>(out.size()) - n);
    if (tail < 0) throw std::runtime_error("lame_encode_flush failed");
    out.resize(static_cast<std::size_t>(n + tail));
    // The first frame was left empty for the tag that tells the decoder delay and padding.
    std::vector<std::uint8_t> tag(8192);
    const std::size_t tagSize = lame_get_lametag_frame(gf, tag.data(), tag.size());
    if (tagSize > 0 && tagSize <= tag.size() && tagSize <= out.size())
        std::copy(tag.begin(), tag.begin() + static_cast<long>(tagSize), out.begin());
    lame_close(gf);
    return out;
}

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvelt-audio-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const std::string file = path_ + "/" + name;
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot write " + file);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);  // data() may be null when empty
    std::fclose(f);
    return file;
}

}  // namespace audiotest
