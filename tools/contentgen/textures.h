// The production's pictures: one entry per file, with the format its extension names.
#pragma once

#include "common.h"

#include <functional>
#include <string>
#include <vector>

namespace cg {

enum class PicFormat {
    Jpeg,     // baseline JPEG, RGB
    PngRgb,   // 8-bit RGB PNG (colour-keyed pictures: exact key colours survive)
    PngRgba,  // 8-bit RGBA PNG (pictures drawn with their own alpha)
    Bmp24,    // uncompressed 24-bit BMP
};

struct Picture {
    std::string path;  // relative to the output root, e.g. "Textures/bg.jpg"
    int w, h;
    PicFormat format;
    std::function<Image()> make;
};

// Every picture, in a fixed order.
const std::vector<Picture>& AllPictures();

// Writes one picture below `root`; false on failure.
bool WritePicture(const std::string& root, const Picture& pic, const Image& img);

}  // namespace cg
