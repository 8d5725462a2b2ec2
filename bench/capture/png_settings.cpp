// Time and size of writing recorded frames as PNG with each compression level and filter:
//   build/bench/capture/png_settings FRAME.png...   (frames of a recording, e.g. 1920x1080)
// Prints milliseconds per frame (best of three per frame, summed) and bytes per frame.
#include "production/png_frame.h"
#include "tests/render/png_image.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/stat.h>
#include <vector>

int main(int argc, char** argv) {
    std::vector<testimage::Image> frames;
    for (int i = 1; i < argc; ++i) {
        testimage::Image image;
        if (!testimage::ReadPng(argv[i], &image)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        frames.push_back(std::move(image));
    }
    if (frames.empty()) {
        std::fprintf(stderr, "usage: png_settings FRAME.png...\n");
        return 2;
    }
    const struct {
        const char* name;
        PngFilter filter;
    } filters[] = {{"none", PngFilter::None}, {"up", PngFilter::Up}};
    const char* path = "/tmp/png_settings_frame.png";
    std::printf("%-6s %-6s %10s %12s\n", "level", "filter", "ms/frame", "bytes/frame");
    for (int level : {1, 2, 3, 4, 6}) {
        for (const auto& filter : filters) {
            PngFrameEncoder encoder({level, filter.filter});
            double milliseconds = 0;
            long long bytes = 0;
            for (const testimage::Image& frame : frames) {
                double best = 1e30;
                for (int repeat = 0; repeat < 3; ++repeat) {
                    const auto start = std::chrono::steady_clock::now();
                    encoder.Write(path, reinterpret_cast<const std::uint8_t*>(frame.argb.data()), frame.width * 4,
                                  frame.width, frame.height);
                    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
                }
                milliseconds += best;
                struct stat info {};
                stat(path, &info);
                bytes += info.st_size;
            }
            std::printf("%-6d %-6s %10.1f %12lld\n", level, filter.name, milliseconds / frames.size(),
                        bytes / static_cast<long long>(frames.size()));
        }
    }
    std::remove(path);
    return 0;
}
