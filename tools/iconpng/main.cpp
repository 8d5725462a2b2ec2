// iconpng: writes the program's icon as PNG files for the desktop's icon theme, one per size,
// OUT/NxN/apps/morvelt.png: the same picture as the window's icon, with its alpha.
#include "image_io.h"
#include "resources/icon.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A size from the command line, or 0 when it is not a whole number from 1 to kMaxIconSize.
int ParseSize(const char* text) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < 1 || n > resources::kMaxIconSize) return 0;
    return static_cast<int>(n);
}

bool WriteIcon(const std::string& out, int size) {
    const std::vector<std::uint32_t> pixels = resources::DrawIcon(size);
    cg::Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const std::uint32_t p = pixels[static_cast<size_t>(y) * size + x];
            float* rgba = image.At(x, y);
            rgba[0] = ((p >> 16) & 0xFF) / 255.0f;
            rgba[1] = ((p >> 8) & 0xFF) / 255.0f;
            rgba[2] = (p & 0xFF) / 255.0f;
            rgba[3] = (p >> 24) / 255.0f;
        }
    const std::string path = out + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/morvelt.png";
    if (!cg::MakeParentDirs(path) || !cg::WritePng(path, image, true)) {
        std::fprintf(stderr, "iconpng: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: iconpng OUT SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i)
        if (ParseSize(argv[i]) == 0) {
            std::fprintf(stderr, "iconpng: size '%s' is not a whole number from 1 to %d\n", argv[i],
                         resources::kMaxIconSize);
            return 2;
        }
    for (int i = 2; i < argc; ++i)
        if (!WriteIcon(argv[1], ParseSize(argv[i]))) return 1;
    return 0;
}
