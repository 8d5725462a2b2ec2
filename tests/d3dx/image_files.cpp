#include "image_files.h"

#include "tools/png_file/png_file.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <jpeglib.h>
#include <unistd.h>

namespace testimg {
namespace {

void Put16(Bytes& b, DWORD v) {
    b.push_back(static_cast<BYTE>(v));
    b.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(Bytes& b, DWORD v) {
    Put16(b, v & 0xffff);
    Put16(b, v >> 16);
}

Bytes BmpHeaders(UINT width, UINT height, int bits, bool topDown, DWORD paletteEntries, size_t pixelBytes) {
    Bytes b;
    const DWORD offset = 14 + 40 + paletteEntries * 4;
    b.push_back('B');
    b.push_back('M');
    Put32(b, static_cast<DWORD>(offset + pixelBytes));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, width);
    Put32(b, topDown ? static_cast<DWORD>(-static_cast<std::int32_t>(height)) : height);
    Put16(b, 1);
    Put16(b, static_cast<DWORD>(bits));
    Put32(b, 0);  // BI_RGB
    Put32(b, static_cast<DWORD>(pixelBytes));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, paletteEntries);
    Put32(b, 0);
    return b;
}

}  // namespace

Bytes MakeBmp(UINT width, UINT height, const std::vector<DWORD>& argb, int bits, bool topDown) {
    const size_t rowBytes = ((width * bits + 31) / 32) * 4;
    Bytes b = BmpHeaders(width, height, bits, topDown, 0, rowBytes * height);
    for (UINT r = 0; r < height; ++r) {
        const UINT y = topDown ? r : height - 1 - r;
        size_t written = 0;
        for (UINT x = 0; x < width; ++x) {
            const DWORD p = argb[y * width + x];
            b.push_back(static_cast<BYTE>(p));
            b.push_back(static_cast<BYTE>(p >> 8));
            b.push_back(static_cast<BYTE>(p >> 16));
            written += 3;
            if (bits == 32) b.push_back(static_cast<BYTE>(p >> 24)), ++written;
        }
        for (; written < rowBytes; ++written) b.push_back(0);
    }
    return b;
}

Bytes MakeBmpIndexed(UINT width, UINT height, int bits, const std::vector<BYTE>& indices,
                     const std::vector<DWORD>& palette) {
    const size_t rowBytes = ((width * bits + 31) / 32) * 4;
    Bytes b = BmpHeaders(width, height, bits, false, static_cast<DWORD>(palette.size()), rowBytes * height);
    for (DWORD c : palette) Put32(b, c & 0x00ffffff);
    for (UINT r = 0; r < height; ++r) {
        const UINT y = height - 1 - r;
        Bytes row(rowBytes, 0);
        for (UINT x = 0; x < width; ++x) {
            const size_t bit = static_cast<size_t>(x) * bits;
            row[bit / 8] |= static_cast<BYTE>(indices[y * width + x] << (8 - bits - bit % 8));
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

Bytes MakePng(UINT width, UINT height, const std::vector<DWORD>& argb, bool alpha) {
    pngfile::Picture picture{static_cast<int>(width), static_cast<int>(height),
                             alpha ? pngfile::Channels::Bgra : pngfile::Channels::Bgr, {}};
    for (DWORD p : argb) {
        picture.bytes.push_back(static_cast<BYTE>(p));
        picture.bytes.push_back(static_cast<BYTE>(p >> 8));
        picture.bytes.push_back(static_cast<BYTE>(p >> 16));
        if (alpha) picture.bytes.push_back(static_cast<BYTE>(p >> 24));
    }
    Bytes out;
    std::string error;
    if (!pngfile::Encode(picture, out, error)) throw std::runtime_error("png: " + error);
    return out;
}

Bytes MakeJpeg(UINT width, UINT height, const std::vector<DWORD>& argb, int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    jpeg_mem_dest(&cinfo, &mem, &memSize);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<BYTE> row(width * 3);
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            const DWORD p = argb[y * width + x];
            row[x * 3] = static_cast<BYTE>(p >> 16);
            row[x * 3 + 1] = static_cast<BYTE>(p >> 8);
            row[x * 3 + 2] = static_cast<BYTE>(p);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(mem, mem + memSize);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

namespace {

Bytes DdsHeader(UINT width, UINT height, DWORD pfFlags, DWORD fourCC, UINT bits, DWORD r, DWORD g, DWORD b,
                DWORD a) {
    Bytes h = {'D', 'D', 'S', ' '};
    Put32(h, 124);
    Put32(h, 0x1 | 0x2 | 0x4 | 0x1000);  // caps, height, width, pixel format
    Put32(h, height);
    Put32(h, width);
    Put32(h, 0);  // pitch or linear size
    Put32(h, 0);  // depth
    Put32(h, 0);  // mip count
    for (int i = 0; i < 11; ++i) Put32(h, 0);
    Put32(h, 32);
    Put32(h, pfFlags);
    Put32(h, fourCC);
    Put32(h, bits);
    Put32(h, r);
    Put32(h, g);
    Put32(h, b);
    Put32(h, a);
    Put32(h, 0x1000);  // caps: texture
    Put32(h, 0);
    Put32(h, 0);
    Put32(h, 0);
    Put32(h, 0);
    return h;
}

}  // namespace

Bytes MakeDdsRgb(UINT width, UINT height, UINT bits, DWORD rMask, DWORD gMask, DWORD bMask, DWORD aMask,
                 const Bytes& pixelBytes) {
    Bytes h = DdsHeader(width, height, 0x40 | (aMask ? 0x1 : 0), 0, bits, rMask, gMask, bMask, aMask);
    h.insert(h.end(), pixelBytes.begin(), pixelBytes.end());
    return h;
}

Bytes MakeDdsDxt(UINT width, UINT height, const char* fourCC, const Bytes& blocks) {
    DWORD cc;
    std::memcpy(&cc, fourCC, 4);
    Bytes h = DdsHeader(width, height, 0x4, cc, 0, 0, 0, 0, 0);
    h.insert(h.end(), blocks.begin(), blocks.end());
    return h;
}

std::string WriteTempFile(const std::string& name, const Bytes& bytes) {
    // One folder per test process, removed when the process ends.
    struct Folder {
        std::filesystem::path path;
        Folder() : path(std::filesystem::temp_directory_path() / ("d3dx_tests_" + std::to_string(::getpid()))) {
            std::filesystem::create_directories(path);
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder dir;
    const std::string path = (dir.path / name).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + path);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

}  // namespace testimg
