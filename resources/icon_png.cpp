// Writes the window icon as a PNG for the desktop's application menus: the same 32 x 32
// picture, black (the icon's transparent colour) as transparent pixels.
#include "image_io.h"
#include "resources/resources.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: iconpng OUT.png\n");
        return 2;
    }
    constexpr int kSize = 32;
    const std::vector<DWORD> pixels = resources::DrawIcon();
    cg::Image image(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const DWORD p = pixels[static_cast<size_t>(y) * kSize + x] & 0xFFFFFF;
            float* out = image.At(x, y);
            out[0] = ((p >> 16) & 0xFF) / 255.0f;
            out[1] = ((p >> 8) & 0xFF) / 255.0f;
            out[2] = (p & 0xFF) / 255.0f;
            out[3] = p == 0 ? 0.0f : 1.0f;
        }
    return cg::WritePng(argv[1], image, true) ? 0 : 1;
}
