#include "decode.h"

#include "tools/png_file/png_file.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include <jpeglib.h>

std::string ContentDir() { return MORVELT_CONTENT_DIR; }

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

Decoded DecodePng(const std::string& path)
{
    Decoded d;
    pngfile::Picture picture;
    if (!pngfile::Read(path, pngfile::Channels::Rgba, picture, d.error)) return d;
    d.w = picture.width;
    d.h = picture.height;
    d.channels = picture.fileHasAlpha ? 4 : 3;
    d.rgba = std::move(picture.bytes);
    return d;
}

namespace {
struct JpegErr {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};
void OnError(j_common_ptr c) { longjmp(reinterpret_cast<JpegErr*>(c->err)->jump, 1); }
}  // namespace

Decoded DecodeJpeg(const std::string& path)
{
    Decoded d;
    std::vector<uint8_t> bytes = ReadAll(path);
    if (bytes.empty()) {
        d.error = "cannot read";
        return d;
    }
    jpeg_decompress_struct c;
    JpegErr err;
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnError;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&c);
        d.error = "corrupt JPEG";
        return d;
    }
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, bytes.data(), bytes.size());
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&c);
    d.w = int(c.output_width);
    d.h = int(c.output_height);
    d.channels = 3;
    d.rgba.resize(size_t(d.w) * d.h * 4);
    std::vector<uint8_t> row(size_t(d.w) * 3);
    while (c.output_scanline < c.output_height) {
        JSAMPROW r = row.data();
        int y = int(c.output_scanline);
        jpeg_read_scanlines(&c, &r, 1);
        for (int x = 0; x < d.w; ++x) {
            uint8_t* p = &d.rgba[(size_t(y) * d.w + x) * 4];
            p[0] = row[x * 3]; p[1] = row[x * 3 + 1]; p[2] = row[x * 3 + 2]; p[3] = 255;
        }
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return d;
}

bool IsBaselineJpeg(const std::string& path)
{
    std::vector<uint8_t> b = ReadAll(path);
    // The first start-of-frame marker must be SOF0 (baseline DCT).
    for (size_t i = 2; i + 1 < b.size(); ++i) {
        if (b[i] != 0xFF) continue;
        uint8_t m = b[i + 1];
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) return m == 0xC0;
    }
    return false;
}

Decoded DecodeBmp(const std::string& path)
{
    Decoded d;
    std::vector<uint8_t> b = ReadAll(path);
    auto u16 = [&](size_t o) { return unsigned(b[o] | (b[o + 1] << 8)); };
    auto u32 = [&](size_t o) { return uint32_t(u16(o) | (u16(o + 2) << 16)); };
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') {
        d.error = "not a BMP";
        return d;
    }
    uint32_t offset = u32(10), header = u32(14), bpp = u16(28), compression = u32(30);
    int32_t w = int32_t(u32(18)), h = int32_t(u32(22));
    if (header < 40 || compression != 0 || (bpp != 24 && bpp != 32) || w <= 0 || h == 0) {
        d.error = "unsupported BMP";
        return d;
    }
    bool bottomUp = h > 0;
    d.w = w;
    d.h = bottomUp ? h : -h;
    d.channels = int(bpp / 8);
    size_t rowBytes = (size_t(w) * (bpp / 8) + 3) & ~size_t(3);
    if (offset + rowBytes * d.h > b.size()) {
        d.error = "truncated BMP";
        return d;
    }
    d.rgba.resize(size_t(d.w) * d.h * 4);
    for (int y = 0; y < d.h; ++y) {
        const uint8_t* row = &b[offset + rowBytes * size_t(bottomUp ? d.h - 1 - y : y)];
        for (int x = 0; x < d.w; ++x) {
            const uint8_t* s = row + x * (bpp / 8);
            uint8_t* p = &d.rgba[(size_t(y) * d.w + x) * 4];
            p[0] = s[2]; p[1] = s[1]; p[2] = s[0]; p[3] = 255;
        }
    }
    return d;
}

Decoded DecodePicture(const std::string& path, assets::Kind kind)
{
    const std::string file = ContentDir() + "/" + path;
    switch (kind) {
    case assets::Kind::Jpeg: return DecodeJpeg(file);
    case assets::Kind::Bmp: return DecodeBmp(file);
    case assets::Kind::PngRgb:
    case assets::Kind::PngRgba: return DecodePng(file);
    default: break;
    }
    Decoded d;
    d.error = path + " is not a picture";
    return d;
}
