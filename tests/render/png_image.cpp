#include "png_image.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace testimage {

bool WritePng(const std::string& path, const Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(image.argb.size() * 4);
    for (size_t i = 0; i < image.argb.size(); ++i) {
        const std::uint32_t p = image.argb[i];
        rgba[i * 4 + 0] = static_cast<std::uint8_t>(p >> 16);
        rgba[i * 4 + 1] = static_cast<std::uint8_t>(p >> 8);
        rgba[i * 4 + 2] = static_cast<std::uint8_t>(p);
        rgba[i * 4 + 3] = static_cast<std::uint8_t>(p >> 24);
    }
    return png_image_write_to_file(&png, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

bool ReadPng(const std::string& path, Image* image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
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
