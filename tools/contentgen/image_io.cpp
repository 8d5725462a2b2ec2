#include "image_io.h"

#include "tools/png_file/png_file.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include <jpeglib.h>

namespace cg {

bool MakeParentDirs(const std::string& path)
{
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] != '/') continue;
        std::string dir = path.substr(0, i);
        if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "contentgen: cannot create %s: %s\n", dir.c_str(), std::strerror(errno));
            return false;
        }
    }
    return true;
}

namespace {

struct File {
    FILE* f = nullptr;
    explicit File(const std::string& path)
    {
        if (MakeParentDirs(path)) f = std::fopen(path.c_str(), "wb");
        if (!f) std::fprintf(stderr, "contentgen: cannot write %s\n", path.c_str());
    }
    ~File()
    {
        if (f) std::fclose(f);
    }
};

std::vector<uint8_t> Pack(const Image& img, int channels)
{
    std::vector<uint8_t> out(size_t(img.w) * img.h * channels);
    for (int i = 0; i < img.w * img.h; ++i)
        for (int c = 0; c < channels; ++c) out[size_t(i) * channels + c] = ToByte(img.px[size_t(i) * 4 + c]);
    return out;
}

}  // namespace

bool WritePng(const std::string& path, const Image& img, bool withAlpha)
{
    const pngfile::Channels channels = withAlpha ? pngfile::Channels::Rgba : pngfile::Channels::Rgb;
    std::string error;
    if (pngfile::Write(path, {img.w, img.h, channels, Pack(img, pngfile::BytesPerPixel(channels))}, error)) return true;
    std::fprintf(stderr, "contentgen: %s\n", error.c_str());
    return false;
}

namespace {
struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};
void OnJpegError(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
}  // namespace

bool WriteJpeg(const std::string& path, const Image& img, int quality)
{
    File file(path);
    if (!file.f) return false;
    std::vector<uint8_t> data = Pack(img, 3);
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::fprintf(stderr, "contentgen: JPEG encoding failed for %s\n", path.c_str());
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file.f);
    cinfo.image_width = img.w;
    cinfo.image_height = img.h;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;  // the exact integer transform: same bytes everywhere
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = &data[size_t(cinfo.next_scanline) * img.w * 3];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool WriteBmp24(const std::string& path, const Image& img)
{
    File file(path);
    if (!file.f) return false;
    const uint32_t rowBytes = (uint32_t(img.w) * 3 + 3) & ~3u;
    const uint32_t dataSize = rowBytes * uint32_t(img.h);
    std::vector<uint8_t> out(54 + size_t(dataSize), 0);
    auto put16 = [&](size_t at, uint32_t v) { out[at] = v & 255; out[at + 1] = (v >> 8) & 255; };
    auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xffff); put16(at + 2, v >> 16); };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, 54 + dataSize);  // file size
    put32(10, 54);            // offset of the pixels
    put32(14, 40);            // BITMAPINFOHEADER
    put32(18, uint32_t(img.w));
    put32(22, uint32_t(img.h));  // positive: rows stored bottom-up
    put16(26, 1);                // planes
    put16(28, 24);               // bits per pixel
    put32(30, 0);                // BI_RGB, no compression
    put32(34, dataSize);
    put32(38, 2835);  // 72 dpi
    put32(42, 2835);
    for (int y = 0; y < img.h; ++y) {
        uint8_t* row = &out[54 + size_t(img.h - 1 - y) * rowBytes];
        for (int x = 0; x < img.w; ++x) {
            const float* p = img.At(x, y);
            row[x * 3 + 0] = ToByte(p[2]);
            row[x * 3 + 1] = ToByte(p[1]);
            row[x * 3 + 2] = ToByte(p[0]);
        }
    }
    return std::fwrite(out.data(), 1, out.size(), file.f) == out.size();
}

Image Resize(const Image& src, int w, int h)
{
    Image dst(w, h);
    float sx = float(src.w) / w, sy = float(src.h) / h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float acc[4] = {0, 0, 0, 0};
            int n = 0;
            int kx = std::max(1, int(sx)), ky = std::max(1, int(sy));
            for (int j = 0; j < ky; ++j)
                for (int i = 0; i < kx; ++i) {
                    float s[4];
                    src.Sample((x + (i + 0.5f) / kx) * sx - 0.5f, (y + (j + 0.5f) / ky) * sy - 0.5f, s);
                    for (int c = 0; c < 4; ++c) acc[c] += s[c];
                    ++n;
                }
            for (int c = 0; c < 4; ++c) dst.At(x, y)[c] = acc[c] / n;
        }
    return dst;
}

}  // namespace cg
