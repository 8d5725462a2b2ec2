// musicgen: renders the production's music with the synthesizer and writes it as MP3
// (44.1 kHz stereo, 192 kbit/s constant bit rate), the same bytes on every run.
//
//   musicgen OUT.mp3             the track
//   musicgen OUT.mp3 --analyse   also prints the spectrum bins the scenes read, per section
//   musicgen OUT.mp3 --picture P also draws the spectrum over time as PNG P (time across,
//                                bins 0..255 upwards, section starts marked in amber)
#include "encode.h"
#include "image_io.h"
#include "portable_math.h"
#include "score.h"
#include "spectrum.h"
#include "synth.h"

#include <algorithm>
#include <cmath>
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
            float spectrum[256];
            music::Spectrum512(pcm, size_t(std::max(0L, at)), spectrum);
            for (size_t i = 0; i < vals.size(); ++i) vals[i].push_back(spectrum[bins[i]]);
        }
        std::printf("%-10s", s.name);
        for (auto& v : vals) {
            std::sort(v.begin(), v.end());
            std::printf(" %6.3f/%6.3f ", v[v.size() / 2], v.back());
        }
        std::printf("\n");
    }
}

void Picture(const std::vector<int16_t>& pcm, const char* path)
{
    const double step = 0.125;  // seconds per column
    const int cols = int(music::kLengthSeconds / step), rows = 256;
    cg::Image img(cols, rows + 40);
    for (int x = 0; x < cols; ++x) {
        float spectrum[256];
        music::Spectrum512(pcm, size_t(x * step * music::kRate), spectrum);
        for (int b = 0; b < rows; ++b) {
            float db = 20.f * std::log10(std::max(spectrum[b], 1e-6f));  // -120..0
            float k = cg::Clamp01((db + 80.f) / 75.f);
            cg::Rgb c = k < 0.5f ? cg::Mix(cg::pal::kNight, cg::pal::kCyan, k * 2) : cg::Mix(cg::pal::kCyan, cg::Rgb{1, 1, 1}, k * 2 - 1);
            img.Set(x, rows - 1 - b, c);
        }
        // Loudness strip below.
        double sum = 0;
        size_t a = size_t(x * step * music::kRate) * 2, e = std::min(pcm.size(), a + size_t(step * music::kRate) * 2);
        for (size_t i = a; i < e; ++i) sum += double(pcm[i]) * pcm[i];
        float rms = float(std::sqrt(sum / double(std::max<size_t>(1, e - a))) / 32768.0);
        int hgt = int(cg::Clamp01(rms * 3.f) * 38);
        for (int y = 0; y < hgt; ++y) img.Set(x, rows + 39 - y, cg::pal::kAmber);
    }
    for (double t : {1.2, 30.0, 45.0, 60.0, 61.8, 87.4, 113.0, 139.0, 153.0, 166.0, 178.5, 190.0, 204.3, 219.0}) {
        int x = int((t - music::kMusicStart) / step);
        for (int y = 0; y < rows; y += 2)
            if (x >= 0 && x < cols) img.Set(x, y, cg::pal::kOrange);
    }
    cg::WritePng(path, img, false);
}

}  // namespace

int main(int argc, char** argv)
{
    cg::UsePortableMath(argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: musicgen OUT.mp3 [--analyse]\n");
        return 2;
    }
    bool analyse = false;
    const char* picture = nullptr;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--analyse") == 0) analyse = true;
        else if (std::strcmp(argv[i], "--picture") == 0 && i + 1 < argc) picture = argv[++i];
    }
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
    if (picture) Picture(pcm, picture);
    return ok ? 0 : 1;
}
