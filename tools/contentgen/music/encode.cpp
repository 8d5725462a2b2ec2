#include "encode.h"

#include <algorithm>
#include <cstdio>

#include <lame.h>

namespace music {

bool EncodeMp3(const std::string& path, const std::vector<int16_t>& pcm, int kbps)
{
    lame_global_flags* gf = lame_init();
    if (!gf) return false;
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, 44100);
    lame_set_out_samplerate(gf, 44100);
    lame_set_brate(gf, kbps);
    lame_set_VBR(gf, vbr_off);
    lame_set_mode(gf, JOINT_STEREO);
    lame_set_quality(gf, 7);  // fast psychoacoustics; at 192 kbit/s the difference is inaudible
    lame_set_bWriteVbrTag(gf, 0);  // plain constant-bit-rate stream
    if (lame_init_params(gf) < 0) {
        std::fprintf(stderr, "musicgen: the MP3 encoder refused its settings\n");
        lame_close(gf);
        return false;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "musicgen: cannot write %s\n", path.c_str());
        lame_close(gf);
        return false;
    }
    const int frames = int(pcm.size() / 2);
    const int chunk = 8192;
    std::vector<unsigned char> out(size_t(1.25 * chunk + 7200));
    bool ok = true;
    for (int i = 0; i < frames && ok; i += chunk) {
        int n = std::min(chunk, frames - i);
        int bytes = lame_encode_buffer_interleaved(gf, const_cast<short*>(&pcm[size_t(i) * 2]), n, out.data(),
                                                   int(out.size()));
        ok = bytes >= 0 && std::fwrite(out.data(), 1, size_t(bytes), f) == size_t(bytes);
    }
    if (ok) {
        int bytes = lame_encode_flush(gf, out.data(), int(out.size()));
        ok = bytes >= 0 && std::fwrite(out.data(), 1, size_t(bytes), f) == size_t(bytes);
    }
    ok = std::fclose(f) == 0 && ok;
    lame_close(gf);
    if (!ok) std::fprintf(stderr, "musicgen: MP3 encoding failed for %s\n", path.c_str());
    return ok;
}

}  // namespace music
