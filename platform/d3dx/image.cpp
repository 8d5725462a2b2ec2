// Format detection, file reading, and the two decoders written here: BMP and DDS.
#include "platform/d3dx/image.h"

#include "platform/d3d8/pixel_convert.h"
#include "platform/d3dx/constants.h"
#include "platform/win32/data_file.h"

#include <algorithm>
#include <string>
#include <cstring>

namespace d3dx {
namespace {

DWORD ReadU16(const BYTE* p) { return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8); }
DWORD ReadU32(const BYTE* p) { return ReadU16(p) | (ReadU16(p + 2) << 16); }
std::int32_t ReadI32(const BYTE* p) { return static_cast<std::int32_t>(ReadU32(p)); }

// A channel described by a bit mask (BMP bit fields, DDS pixel formats), scaled to 0..255.
struct MaskChannel {
    DWORD mask = 0;
    int shift = 0;
    DWORD max = 0;  // mask >> shift

    explicit MaskChannel(DWORD m) : mask(m) {
        if (!mask) return;
        while (!((mask >> shift) & 1u)) ++shift;
        max = mask >> shift;
    }
    bool present() const { return mask != 0; }
    // Masks of non-contiguous bits are treated as their span; value is the raw pixel.
    DWORD Extract(DWORD value) const {
        if (!mask) return 0;
        DWORD v = (value & mask) >> shift;
        return max == 255 ? v : (v * 255 + max / 2) / max;
    }
};

DWORD ArgbFromMasks(DWORD raw, const MaskChannel& r, const MaskChannel& g, const MaskChannel& b,
                    const MaskChannel& a) {
    DWORD alpha = a.present() ? a.Extract(raw) : 0xff;
    return (alpha << 24) | (r.Extract(raw) << 16) | (g.Extract(raw) << 8) | b.Extract(raw);
}

// ---- BMP ------------------------------------------------------------------------------

constexpr DWORD kBiRgb = 0;
constexpr DWORD kBiBitfields = 3;

}  // namespace

HRESULT DecodeBmp(const BYTE* data, size_t size, Image* out) {
    if (!data || !out || size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return D3DXERR_INVALIDDATA;
    const DWORD pixelOffset = ReadU32(data + 10);
    const BYTE* info = data + 14;
    const DWORD infoSize = ReadU32(info);
    if (infoSize < 12 || infoSize > size - 14) return D3DXERR_INVALIDDATA;

    std::int64_t width, height;
    DWORD bitCount, compression = kBiRgb, colorsUsed = 0;
    size_t paletteEntrySize = 4;
    DWORD masks[4] = {0x00ff0000, 0x0000ff00, 0x000000ff, 0};
    bool masksGiven = false;
    if (infoSize == 12) {  // core header: 16-bit sizes, 3-byte palette entries
        width = ReadU16(info + 4);
        height = static_cast<std::int16_t>(ReadU16(info + 6));
        bitCount = ReadU16(info + 10);
        paletteEntrySize = 3;
    } else {
        if (infoSize < 40) return D3DXERR_INVALIDDATA;
        width = ReadI32(info + 4);
        height = ReadI32(info + 8);
        bitCount = ReadU16(info + 14);
        compression = ReadU32(info + 16);
        colorsUsed = ReadU32(info + 32);
        if (compression == kBiBitfields) {
            // The masks follow a 40-byte header, or are part of a larger one.
            const size_t maskCount = infoSize >= 56 ? 4 : 3;
            const size_t maskAt = 14 + 40;
            if (maskAt + maskCount * 4 > size) return D3DXERR_INVALIDDATA;
            for (size_t i = 0; i < maskCount; ++i) masks[i] = ReadU32(data + maskAt + i * 4);
            if (maskCount == 3) masks[3] = 0;
            masksGiven = true;
        }
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
        !ImageSizeAcceptable(static_cast<UINT>(width), static_cast<UINT>(height)))
        return D3DXERR_INVALIDDATA;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return D3DXERR_INVALIDDATA;
    const bool palettised = bitCount <= 8;
    if (compression != kBiRgb && !(compression == kBiBitfields && (bitCount == 16 || bitCount == 32)))
        return D3DXERR_INVALIDDATA;  // run-length and embedded JPEG/PNG are not read
    if (bitCount == 16 && !masksGiven) {  // 16-bit BI_RGB is X1R5G5B5
        masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f, masks[3] = 0;
    }

    // Palette for 1-, 4- and 8-bit pictures, right after the info header (and its masks);
    // indices beyond the stored entries read as black.
    DWORD palette[256];
    if (palettised) {
        const DWORD entries = 1u << bitCount;
        if (colorsUsed == 0 || colorsUsed > entries) colorsUsed = entries;
        const size_t paletteAt = 14 + static_cast<size_t>(infoSize) + (masksGiven && infoSize == 40 ? 12 : 0);
        const size_t available = paletteAt < size ? (size - paletteAt) / paletteEntrySize : 0;
        const size_t count = colorsUsed < available ? colorsUsed : available;
        if (count == 0) return D3DXERR_INVALIDDATA;
        for (size_t i = 0; i < 256; ++i) {
            if (i < count) {
                const BYTE* e = data + paletteAt + i * paletteEntrySize;
                palette[i] = 0xff000000u | (DWORD{e[2]} << 16) | (DWORD{e[1]} << 8) | e[0];
            } else {
                palette[i] = 0xff000000u;
            }
        }
    }

    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    const size_t rowBytes = ((w * bitCount + 31) / 32) * 4;
    if (pixelOffset > size || rowBytes * h > size - pixelOffset) return D3DXERR_INVALIDDATA;

    Image img;
    img.width = static_cast<UINT>(w);
    img.height = static_cast<UINT>(h);
    img.pixels.resize(w * h);
    const MaskChannel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
    bool anyAlphaByte = false;
    for (size_t y = 0; y < h; ++y) {
        const BYTE* row = data + pixelOffset + (topDown ? y : h - 1 - y) * rowBytes;
        DWORD* dst = img.pixels.data() + y * w;
        for (size_t x = 0; x < w; ++x) {
            switch (bitCount) {
            case 1: dst[x] = palette[(row[x / 8] >> (7 - x % 8)) & 1]; break;
            case 4: dst[x] = palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xf]; break;
            case 8: dst[x] = palette[row[x]]; break;
            case 16: dst[x] = ArgbFromMasks(ReadU16(row + x * 2), r, g, b, a); break;
            case 24:
                dst[x] = 0xff000000u | (DWORD{row[x * 3 + 2]} << 16) | (DWORD{row[x * 3 + 1]} << 8) | row[x * 3];
                break;
            default:
                if (masksGiven) {
                    dst[x] = ArgbFromMasks(ReadU32(row + x * 4), r, g, b, a);
                } else {
                    // BI_RGB leaves the fourth byte undefined; it counts as alpha only
                    // when some pixel sets it (writers that store alpha do).
                    dst[x] = ReadU32(row + x * 4);
                    anyAlphaByte |= (dst[x] >> 24) != 0;
                }
                break;
            }
        }
    }
    if (bitCount == 32 && !masksGiven) {
        if (!anyAlphaByte)
            for (DWORD& p : img.pixels) p |= 0xff000000u;
        img.hasAlpha = anyAlphaByte;
    } else {
        img.hasAlpha = a.present();
    }
    switch (bitCount) {
    case 1:
    case 4:
    case 8: img.fileFormat = D3DFMT_P8; break;
    case 16: img.fileFormat = a.present() ? D3DFMT_A1R5G5B5 : (masks[1] == 0x07e0 ? D3DFMT_R5G6B5 : D3DFMT_X1R5G5B5); break;
    case 24: img.fileFormat = D3DFMT_R8G8B8; break;
    default: img.fileFormat = img.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8; break;
    }
    *out = std::move(img);
    return S_OK;
}

// ---- DDS ------------------------------------------------------------------------------

namespace {

constexpr DWORD kDdpfAlphaPixels = 0x1;
constexpr DWORD kDdpfFourCC = 0x4;
constexpr DWORD kDdpfRgb = 0x40;
constexpr DWORD kDdpfLuminance = 0x20000;

// The four colours of a DXT colour block; opaque == false allows the 1-bit transparent mode.
void DxtPalette(const BYTE* block, bool allowTransparent, DWORD colors[4]) {
    const DWORD c0 = ReadU16(block), c1 = ReadU16(block + 2);
    colors[0] = d3d8::ArgbFromR5G6B5(static_cast<WORD>(c0));
    colors[1] = d3d8::ArgbFromR5G6B5(static_cast<WORD>(c1));
    auto mix = [&](int w0, int w1, int div) {
        DWORD out = 0xff000000u;
        for (int s = 0; s < 24; s += 8) {
            const int v = (static_cast<int>((colors[0] >> s) & 0xff) * w0 + static_cast<int>((colors[1] >> s) & 0xff) * w1 + div / 2) / div;
            out |= static_cast<DWORD>(v) << s;
        }
        return out;
    };
    if (c0 > c1 || !allowTransparent) {
        colors[2] = mix(2, 1, 3);
        colors[3] = mix(1, 2, 3);
    } else {
        colors[2] = mix(1, 1, 2);
        colors[3] = 0x00000000u;
    }
}

void DecodeDxtBlock(D3DFORMAT format, const BYTE* block, DWORD out[16]) {
    const BYTE* colorBlock = format == D3DFMT_DXT1 ? block : block + 8;
    DWORD colors[4];
    DxtPalette(colorBlock, format == D3DFMT_DXT1, colors);
    const DWORD indices = ReadU32(colorBlock + 4);
    for (int i = 0; i < 16; ++i) out[i] = colors[(indices >> (2 * i)) & 3];
    if (format == D3DFMT_DXT3 || format == D3DFMT_DXT2) {
        for (int i = 0; i < 16; ++i) {
            const DWORD a4 = (block[i / 2] >> ((i & 1) * 4)) & 0xf;
            out[i] = (out[i] & 0x00ffffffu) | ((a4 * 17) << 24);
        }
    } else if (format == D3DFMT_DXT5 || format == D3DFMT_DXT4) {
        DWORD alphas[8];
        alphas[0] = block[0];
        alphas[1] = block[1];
        if (alphas[0] > alphas[1]) {
            for (int i = 1; i < 7; ++i) alphas[i + 1] = ((7 - i) * alphas[0] + i * alphas[1] + 3) / 7;
        } else {
            for (int i = 1; i < 5; ++i) alphas[i + 1] = ((5 - i) * alphas[0] + i * alphas[1] + 2) / 5;
            alphas[6] = 0;
            alphas[7] = 255;
        }
        std::uint64_t bits = 0;
        for (int i = 0; i < 6; ++i) bits |= static_cast<std::uint64_t>(block[2 + i]) << (8 * i);
        for (int i = 0; i < 16; ++i) out[i] = (out[i] & 0x00ffffffu) | (alphas[(bits >> (3 * i)) & 7] << 24);
    }
}

}  // namespace

HRESULT DecodeDds(const BYTE* data, size_t size, Image* out) {
    if (!data || !out || size < 128 || std::memcmp(data, "DDS ", 4) != 0) return D3DXERR_INVALIDDATA;
    const BYTE* hdr = data + 4;
    if (ReadU32(hdr) != 124 || ReadU32(hdr + 72) != 32) return D3DXERR_INVALIDDATA;
    const DWORD height = ReadU32(hdr + 8), width = ReadU32(hdr + 12);
    const DWORD mipCount = ReadU32(hdr + 24);
    const BYTE* pf = hdr + 72;
    const DWORD pfFlags = ReadU32(pf + 4), fourCC = ReadU32(pf + 8), bits = ReadU32(pf + 12);
    const DWORD caps2 = ReadU32(hdr + 108);
    if (caps2 & 0x200) return D3DXERR_INVALIDDATA;  // cube maps cannot become a 2D texture
    if (!ImageSizeAcceptable(width, height)) return D3DXERR_INVALIDDATA;
    const size_t w = width, h = height;
    const BYTE* pixels = data + 128;
    const size_t available = size - 128;

    Image img;
    img.width = width;
    img.height = height;
    img.fileMipLevels = mipCount ? mipCount : 1;

    if (pfFlags & kDdpfFourCC) {
        D3DFORMAT format = static_cast<D3DFORMAT>(fourCC);
        if (format != D3DFMT_DXT1 && format != D3DFMT_DXT2 && format != D3DFMT_DXT3 && format != D3DFMT_DXT4 &&
            format != D3DFMT_DXT5)
            return D3DXERR_INVALIDDATA;
        const size_t blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
        const size_t bw = (w + 3) / 4, bh = (h + 3) / 4;
        if (bw * bh * blockBytes > available) return D3DXERR_INVALIDDATA;
        img.pixels.resize(w * h);
        DWORD block[16];
        for (size_t by = 0; by < bh; ++by) {
            for (size_t bx = 0; bx < bw; ++bx) {
                DecodeDxtBlock(format, pixels + (by * bw + bx) * blockBytes, block);
                for (size_t py = 0; py < 4 && by * 4 + py < h; ++py)
                    for (size_t px = 0; px < 4 && bx * 4 + px < w; ++px)
                        img.pixels[(by * 4 + py) * w + bx * 4 + px] = block[py * 4 + px];
            }
        }
        img.hasAlpha = true;  // DXT1 may hold 1-bit transparency; the others hold alpha
        if (format == D3DFMT_DXT1) {
            img.hasAlpha = false;
            for (DWORD p : img.pixels) img.hasAlpha |= (p >> 24) != 0xff;
        }
        img.fileFormat = format;
    } else if (pfFlags & (kDdpfRgb | kDdpfLuminance)) {
        if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return D3DXERR_INVALIDDATA;
        const size_t bpp = bits / 8;
        // Rows are tightly packed in practice; a pitch in the header is only trusted when sane.
        size_t pitch = w * bpp;
        const DWORD headerPitch = ReadU32(hdr + 16);
        if ((ReadU32(hdr + 4) & 0x8) && headerPitch >= pitch && headerPitch <= pitch + 3) pitch = headerPitch;
        if (pitch * (h - 1) + w * bpp > available) return D3DXERR_INVALIDDATA;
        const bool luminance = (pfFlags & kDdpfLuminance) != 0;
        const MaskChannel r(ReadU32(pf + 16)), g(ReadU32(pf + 20)), b(ReadU32(pf + 24)),
            a((pfFlags & kDdpfAlphaPixels) ? ReadU32(pf + 28) : 0);
        if (!r.present() && !luminance) return D3DXERR_INVALIDDATA;
        img.pixels.resize(w * h);
        for (size_t y = 0; y < h; ++y) {
            const BYTE* row = pixels + y * pitch;
            for (size_t x = 0; x < w; ++x) {
                const BYTE* p = row + x * bpp;
                DWORD raw = 0;
                for (size_t i = 0; i < bpp; ++i) raw |= DWORD{p[i]} << (8 * i);
                if (luminance) {
                    const DWORD l = r.Extract(raw);
                    const DWORD al = a.present() ? a.Extract(raw) : 0xff;
                    img.pixels[y * w + x] = (al << 24) | (l << 16) | (l << 8) | l;
                } else {
                    img.pixels[y * w + x] = ArgbFromMasks(raw, r, g, b, a);
                }
            }
        }
        img.hasAlpha = a.present();
        if (luminance) img.fileFormat = img.hasAlpha ? D3DFMT_A8L8 : D3DFMT_L8;
        else if (bits == 32) img.fileFormat = img.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
        else if (bits == 24) img.fileFormat = D3DFMT_R8G8B8;
        else if (bits == 16) img.fileFormat = img.hasAlpha ? (a.mask == 0xf000 ? D3DFMT_A4R4G4B4 : D3DFMT_A1R5G5B5)
                                                         : (g.mask == 0x07e0 ? D3DFMT_R5G6B5 : D3DFMT_X1R5G5B5);
        else img.fileFormat = D3DFMT_R3G3B2;
    } else {
        return D3DXERR_INVALIDDATA;
    }
    *out = std::move(img);
    return S_OK;
}

ImageFileType DetectImageFileType(const BYTE* data, size_t size) {
    if (!data) return ImageFileType::Unknown;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return ImageFileType::Bmp;
    if (size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff) return ImageFileType::Jpeg;
    static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return ImageFileType::Png;
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) return ImageFileType::Dds;
    return ImageFileType::Unknown;
}

HRESULT DecodeImage(const BYTE* data, size_t size, Image* out) {
    switch (DetectImageFileType(data, size)) {
    case ImageFileType::Bmp: return DecodeBmp(data, size, out);
    case ImageFileType::Jpeg: return DecodeJpeg(data, size, out);
    case ImageFileType::Png: return DecodePng(data, size, out);
    case ImageFileType::Dds: return DecodeDds(data, size, out);
    default: return D3DXERR_INVALIDDATA;
    }
}

bool ReadWholeFile(const char* path, std::vector<BYTE>* out, std::string* reason) {
    if (!path || !out) return false;
    if (platform::ReadDataFile(path, out, reason)) return true;
    if (!std::strchr(path, '\\')) return false;
    // Names written on Windows (texture names inside .x files) use backslashes.
    std::string slashed(path);
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    return platform::ReadDataFile(slashed.c_str(), out, reason);
}

}  // namespace d3dx
