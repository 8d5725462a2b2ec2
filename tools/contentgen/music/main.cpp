// musicgen: renders the production's music with the synthesizer and writes it as MP3
// (44.1 kHz stereo, 192 kbit/s constant bit rate), the same bytes on every run.
//
//   musicgen OUT.mp3             the track
//   musicgen OUT.mp3 --analyse   also prints the spectrum bins the scenes read, per section
#include "encode.h"
#include "score.h"
#include "spectrum.h"
#include "synth.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

void Analyse(const std::vector<int16_t>& pcm)
{
    struct Section {
        const char* name;
        double from, to;
    };
    const Section sections[] = {{"intro", 1.2, 30}, {"countdown", 30, 45}, {"full", 45, 60},
                                {"break", 60, 61.8}, {"driving", 61.8, 87.4}, {"credits", 87.4, 113},
                                {"cave", 113, 139}, {"heavy", 139, 153}, {"return", 153, 190},
                                {"reprise", 190, 204.3}, {"outro", 204.3, 219}};
    const int bins[] = {0, 1, 2, 3, 5, 9, 15, 16, 20, 180};
    std::printf("%-10s", "section");
    for (int b : bins) std::printf("   bin%-3d      ", b);
    std::printf("\n%-10s", "");
    for (size_t i = 0; i < sizeof bins / sizeof bins[0]; ++i) std::printf(" median/peak   ");
    std::printf("\n");
    for (const Section& s : sections) {
        std::vector<std::vector<float>> vals(sizeof bins / sizeof bins[0]);
        for (double t = s.from; t < s.to; t += 1.0 / 60) {
            long at = music::SampleAt(t);
            float spec[256];
            music::Spectrum512(pcm, size_t(std::max(0L, at)), spec);
            for (size_t i = 0; i < vals.size(); ++i) vals[i].push_back(spec[bins[i]]);
        }
        std::printf("%-10s", s.name);
        for (auto& v : vals) {
            std::sort(v.begin(), v.end());
            std::printf(" %6.3f/%6.3f ", v[v.size() / 2], v.back());
        }
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: musicgen OUT.mp3 [--analyse]\n");
        return 2;
    }
    const bool analyse = argc > 2 && std::strcmp(argv[2], "--analyse") == 0;
    auto start = std::chrono::steady_clock::now();
    music::Mix mix(size_t(music::kLengthSeconds * music::kRate));
    music::Compose(mix);
    std::vector<int16_t> pcm = music::Master(mix, music::kFadeStart, music::kFadeEnd);
    auto rendered = std::chrono::steady_clock::now();
    bool ok = music::EncodeMp3(argv[1], pcm, 192);
    auto done = std::chrono::steady_clock::now();
    std::printf("musicgen: %.0f s of music, rendered in %.2f s, encoded in %.2f s\n", music::kLengthSeconds,
                std::chrono::duration<double>(rendered - start).count(),
                std::chrono::duration<double>(done - rendered).count());
    if (analyse) Analyse(pcm);
    return ok ? 0 : 1;
}
