// Writes small seed files for the image fuzz targets: fuzz_seeds <folder> makes
// <folder>/{bmp,jpeg,png,dds}/ with one file per layout each decoder knows (bit depths,
// palettes, bottom-up and top-down rows, alpha or not, DDS masks and DXT blocks).
#include "tests/d3dx/image_files.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<DWORD> Pattern(UINT w, UINT h, bool alpha) {
    std::vector<DWORD> p(static_cast<size_t>(w) * h);
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x) {
            const DWORD a = alpha ? (x * 255 / (w > 1 ? w - 1 : 1)) : 0xff;
            p[y * w + x] = (a << 24) | ((x * 40 & 0xff) << 16) | ((y * 50 & 0xff) << 8) | ((x ^ y) * 30 & 0xff);
        }
    return p;
}

void Write(const std::filesystem::path& dir, const std::string& name, const testimg::Bytes& bytes) {
    std::filesystem::create_directories(dir);
    const std::string path = (dir / name).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    using namespace testimg;

    const auto bmp = out / "bmp";
    Write(bmp, "rgb24.bmp", MakeBmp(7, 5, Pattern(7, 5, false), 24));
    Write(bmp, "argb32.bmp", MakeBmp(6, 4, Pattern(6, 4, true), 32));
    Write(bmp, "topdown24.bmp", MakeBmp(5, 3, Pattern(5, 3, false), 24, true));
    const std::vector<DWORD> palette = {0x000000, 0xff0000, 0x00ff00, 0x0000ff, 0xffffff, 0x808080};
    std::vector<BYTE> indices(9 * 4);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<BYTE>(i % 6);
    Write(bmp, "pal8.bmp", MakeBmpIndexed(9, 4, 8, indices, palette));
    Write(bmp, "pal4.bmp", MakeBmpIndexed(9, 4, 4, indices, palette));
    for (BYTE& i : indices) i &= 1;
    Write(bmp, "pal1.bmp", MakeBmpIndexed(9, 4, 1, indices, palette));

    const auto png = out / "png";
    Write(png, "rgb.png", MakePng(8, 6, Pattern(8, 6, false), false));
    Write(png, "rgba.png", MakePng(5, 7, Pattern(5, 7, true), true));
    Write(png, "one.png", MakePng(1, 1, {0x80ff8040}, true));

    const auto jpeg = out / "jpeg";
    Write(jpeg, "q90.jpg", MakeJpeg(16, 8, Pattern(16, 8, false), 90));
    Write(jpeg, "odd.jpg", MakeJpeg(9, 13, Pattern(9, 13, false), 50));

    const auto dds = out / "dds";
    auto pixels = [](UINT w, UINT h, UINT bytesPerPixel) {
        Bytes b(static_cast<size_t>(w) * h * bytesPerPixel);
        for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<BYTE>(i * 37 + 11);
        return b;
    };
    Write(dds, "a8r8g8b8.dds", MakeDdsRgb(4, 4, 32, 0xff0000, 0xff00, 0xff, 0xff000000, pixels(4, 4, 4)));
    Write(dds, "x8r8g8b8.dds", MakeDdsRgb(4, 2, 32, 0xff0000, 0xff00, 0xff, 0, pixels(4, 2, 4)));
    Write(dds, "r8g8b8.dds", MakeDdsRgb(3, 3, 24, 0xff0000, 0xff00, 0xff, 0, pixels(3, 3, 3)));
    Write(dds, "r5g6b5.dds", MakeDdsRgb(4, 4, 16, 0xf800, 0x07e0, 0x001f, 0, pixels(4, 4, 2)));
    Write(dds, "a4r4g4b4.dds", MakeDdsRgb(2, 4, 16, 0x0f00, 0x00f0, 0x000f, 0xf000, pixels(2, 4, 2)));
    Write(dds, "dxt1.dds", MakeDdsDxt(8, 4, "DXT1", pixels(2, 1, 8)));
    Write(dds, "dxt3.dds", MakeDdsDxt(4, 8, "DXT3", pixels(1, 2, 16)));
    Write(dds, "dxt5.dds", MakeDdsDxt(5, 5, "DXT5", pixels(2, 2, 16)));
    return 0;
}
