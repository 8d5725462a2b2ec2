// Reading and writing 8-bit RGBA PNG files for the golden-image tests, and comparing
// pictures with a per-channel tolerance.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testimage {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;  // 0xAARRGGBB, rows top to bottom

    std::uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

bool WritePng(const std::string& path, const Image& image);
bool ReadPng(const std::string& path, Image* image);

struct Difference {
    int worstChannel = 0;  // largest per-channel difference, 0..255
    int pixelsOver = 0;    // pixels with any channel beyond the tolerance
};
// Compares colour channels only (alpha ignored); sizes must match (else worstChannel = 256).
Difference Compare(const Image& a, const Image& b, int tolerance);

// Checks picture against tests/golden/<name>.png. With MORVELT_UPDATE_GOLDEN=1 in the
// environment it (re)writes the golden file instead and passes; with MORVELT_DUMP_DIR set it
// also writes the picture there. Returns an empty string on success, else what went wrong.
std::string CheckGolden(const std::string& name, const Image& picture, int tolerance, int allowedPixels = 0);

}  // namespace testimage
