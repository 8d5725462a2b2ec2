// refshot: renders the reference scenes with a REF device off-screen and writes each as a
// PNG file, so a person can look at what the software rasterizer draws. The golden images
// of the REF tests are made with it (tests/d3d8_ref/golden, 128 x 96).
//
//   refshot [output-directory] [width height]      (default: current directory, 640 480)
#include "offscreen.h"
#include "scenes.h"
#include "tools/png_file/png_file.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    UINT width = 640, height = 480;
    if (argc == 3 || argc > 4) {
        std::fprintf(stderr, "usage: refshot [output-directory] [width height]\n");
        return 2;
    }
    if (argc == 4) {
        const long w = std::strtol(argv[2], nullptr, 10), h = std::strtol(argv[3], nullptr, 10);
        if (w < 16 || h < 16 || w > 4096 || h > 4096) {
            std::fprintf(stderr, "refshot: width and height must be 16..4096\n");
            return 2;
        }
        width = static_cast<UINT>(w);
        height = static_cast<UINT>(h);
    }

    refshot::OffscreenDevice device;
    std::string error;
    if (!device.Create(width, height, error)) {
        std::fprintf(stderr, "refshot: %s\n", error.c_str());
        return 1;
    }
    int count = 0;
    const refshot::Scene* scenes = refshot::Scenes(count);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const refshot::Scene& s = scenes[i];
        pngfile::Picture picture{static_cast<int>(width), static_cast<int>(height), pngfile::Channels::Rgb, {}};
        const std::string path = dir + "/" + s.name + ".png";
        if (!device.Render(s, picture.bytes, error) || !pngfile::Write(path, picture, error)) {
            std::fprintf(stderr, "refshot: %s\n", error.c_str());
            ++failures;
            continue;
        }
        std::printf("%s  %s\n", path.c_str(), s.what);
    }
    return failures ? 1 : 0;
}
