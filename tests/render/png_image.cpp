#include "png_image.h"

#include "tools/png_file/png_file.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace testimage {

bool WritePng(const std::string& path, const Image& image) {
    pngfile::Picture png{image.width, image.height, pngfile::Channels::Rgba, {}};
    png.bytes.resize(image.argb.size() * 4);
    for (size_t i = 0; i < image.argb.size(); ++i) {
        const std::uint32_t p = image.argb[i];
        png.bytes[i * 4 + 0] = static_cast<std::uint8_t>(p >> 16);
        png.bytes[i * 4 + 1] = static_cast<std::uint8_t>(p >> 8);
        png.bytes[i * 4 + 2] = static_cast<std::uint8_t>(p);
        png.bytes[i * 4 + 3] = static_cast<std::uint8_t>(p >> 24);
    }
    std::string error;
    return pngfile::Write(path, png, error);
}

bool ReadPng(const std::string& path, Image* image) {
    pngfile::Picture png;
    std::string error;
    if (!pngfile::Read(path, pngfile::Channels::Rgba, png, error)) return false;
    const std::vector<std::uint8_t>& rgba = png.bytes;
    image->width = png.width;
    image->height = png.height;
    image->argb.resize(static_cast<size_t>(image->width) * image->height);
    for (size_t i = 0; i < image->argb.size(); ++i)
        image->argb[i] = (std::uint32_t{rgba[i * 4 + 3]} << 24) | (std::uint32_t{rgba[i * 4]} << 16) |
                         (std::uint32_t{rgba[i * 4 + 1]} << 8) | rgba[i * 4 + 2];
    return true;
}

Difference Compare(const Image& a, const Image& b, int tolerance) {
    Difference d;
    if (a.width != b.width || a.height != b.height) {
        d.worstChannel = 256;
        return d;
    }
    for (size_t i = 0; i < a.argb.size(); ++i) {
        bool over = false;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int delta = std::abs(static_cast<int>((a.argb[i] >> shift) & 0xFF) -
                                       static_cast<int>((b.argb[i] >> shift) & 0xFF));
            if (delta > d.worstChannel) d.worstChannel = delta;
            if (delta > tolerance) over = true;
        }
        if (over) ++d.pixelsOver;
    }
    return d;
}

std::string CheckGolden(const std::string& name, const Image& picture, int tolerance, int allowedPixels) {
    // Tests run in their source folder; the golden pictures sit next to the test folders.
    const std::string golden = "../golden/" + name + ".png";
    if (const char* dump = std::getenv("MORVELT_DUMP_DIR")) WritePng(std::string(dump) + "/" + name + ".png", picture);
    if (const char* update = std::getenv("MORVELT_UPDATE_GOLDEN"); update && std::string(update) == "1")
        return WritePng(golden, picture) ? "" : "could not write " + golden;
    Image expected;
    if (!ReadPng(golden, &expected)) return "missing golden picture " + golden;
    const Difference d = Compare(picture, expected, tolerance);
    if (d.worstChannel > 255) return "size differs from " + golden;
    if (d.pixelsOver > allowedPixels) {
        std::ostringstream out;
        out << name << ": " << d.pixelsOver << " pixels differ by more than " << tolerance
            << " (worst channel difference " << d.worstChannel << ")";
        return out.str();
    }
    return "";
}

}  // namespace testimage
