// What the device model knows of each Direct3D format, in one table: its size in memory, its
// channels and where they lie in a pixel (the pixel read as a little-endian integer of its
// size), and the roles the device offers it in. Sizes, kinds, alpha and the formats offered
// everywhere else derive from here.
#pragma once

#include "platform/d3d8/types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace d3d8 {

enum class FormatKind : std::uint8_t { Unknown, Color, Luminance, Palette, Bump, Depth, Compressed };

// A channel `bits` wide starting at bit `shift`; absent with 0 bits.
struct Channel {
    std::uint8_t bits = 0;
    std::uint8_t shift = 0;
    constexpr DWORD Mask() const { return bits == 0 ? 0u : (bits >= 32 ? ~0u : ((1u << bits) - 1u) << shift); }
};

// The roles a device of this model offers a format in.
enum FormatUse : std::uint8_t {
    kUseDisplay = 1,
    kUseBackBuffer = 2,
    kUseRenderTarget = 4,
    kUseTexture = 8,
    kUseDepthStencil = 16,
};

struct FormatInfo {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    FormatKind kind = FormatKind::Unknown;
    // Bytes per pixel in the device's memory; 0 for a format it cannot hold. Depth formats
    // take 4: depth surfaces keep one float per pixel, whatever the format's own bits.
    UINT bytes = 0;
    std::uint8_t uses = 0;  // FormatUse bits
    Channel red, green, blue, alpha;
    Channel luminance;  // luminance formats; the unsigned luminance of a bump format
    Channel du, dv;     // bump formats, signed
    Channel depth, stencil;
    // Every bit of the stored pixel that some channel uses.
    constexpr DWORD ChannelMask() const {
        return red.Mask() | green.Mask() | blue.Mask() | alpha.Mask() | luminance.Mask() | du.Mask() | dv.Mask() |
               depth.Mask() | stencil.Mask();
    }
};

namespace format_table {

constexpr Channel C(int bits, int shift) {
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(shift)};
}

constexpr FormatInfo Color(D3DFORMAT f, UINT bytes, int uses, Channel a, Channel r, Channel g, Channel b) {
    FormatInfo i;
    i.format = f, i.kind = FormatKind::Color, i.bytes = bytes, i.uses = static_cast<std::uint8_t>(uses);
    i.alpha = a, i.red = r, i.green = g, i.blue = b;
    return i;
}

constexpr FormatInfo Luminance(D3DFORMAT f, UINT bytes, Channel l, Channel a) {
    FormatInfo i;
    i.format = f, i.kind = FormatKind::Luminance, i.bytes = bytes, i.luminance = l, i.alpha = a;
    return i;
}

constexpr FormatInfo Palette(D3DFORMAT f, Channel a) {
    FormatInfo i;
    i.format = f, i.kind = FormatKind::Palette, i.alpha = a;
    return i;
}

constexpr FormatInfo Bump(D3DFORMAT f, UINT bytes, Channel u, Channel v, Channel l) {
    FormatInfo i;
    i.format = f, i.kind = FormatKind::Bump, i.bytes = bytes, i.uses = kUseTexture, i.du = u, i.dv = v;
    i.luminance = l;
    return i;
}

constexpr FormatInfo Depth(D3DFORMAT f, bool held, Channel d, Channel s) {
    FormatInfo i;
    i.format = f, i.kind = FormatKind::Depth, i.bytes = held ? 4 : 0, i.uses = held ? kUseDepthStencil : 0;
    i.depth = d, i.stencil = s;
    return i;
}

// Block-compressed: only whether it carries alpha (its bits per pixel of alpha) is told.
constexpr FormatInfo Compressed(D3DFORMAT f, int alphaBits) {
    FormatInfo i;
    i.format = f, i.kind = FormatKind::Compressed, i.alpha = C(alphaBits, 0);
    return i;
}

constexpr int kScreen = kUseDisplay | kUseBackBuffer | kUseRenderTarget | kUseTexture;
constexpr Channel None{};

// In order of the format's value; C(bits, shift) is a channel. Color(format, bytes, uses,
// alpha, red, green, blue); Luminance(format, bytes, luminance, alpha); Bump(format, bytes, du,
// dv, luminance); Depth(format, held, depth, stencil). Formats the device names nowhere are
// left out and read as FormatKind::Unknown.
inline constexpr FormatInfo kFormats[] = {
    FormatInfo{},
    Color(D3DFMT_R8G8B8, 3, 0, None, C(8, 16), C(8, 8), C(8, 0)),
    Color(D3DFMT_A8R8G8B8, 4, kUseBackBuffer | kUseRenderTarget | kUseTexture, C(8, 24), C(8, 16), C(8, 8), C(8, 0)),
    Color(D3DFMT_X8R8G8B8, 4, kScreen, None, C(8, 16), C(8, 8), C(8, 0)),
    Color(D3DFMT_R5G6B5, 2, kScreen, None, C(5, 11), C(6, 5), C(5, 0)),
    Color(D3DFMT_X1R5G5B5, 2, 0, None, C(5, 10), C(5, 5), C(5, 0)),
    Color(D3DFMT_A1R5G5B5, 2, 0, C(1, 15), C(5, 10), C(5, 5), C(5, 0)),
    Color(D3DFMT_A4R4G4B4, 2, kUseTexture, C(4, 12), C(4, 8), C(4, 4), C(4, 0)),
    Color(D3DFMT_R3G3B2, 0, 0, None, C(3, 5), C(3, 2), C(2, 0)),
    Color(D3DFMT_A8, 1, 0, C(8, 0), None, None, None),
    Color(D3DFMT_A8R3G3B2, 0, 0, C(8, 8), C(3, 5), C(3, 2), C(2, 0)),
    Color(D3DFMT_X4R4G4B4, 2, 0, None, C(4, 8), C(4, 4), C(4, 0)),
    Palette(D3DFMT_A8P8, C(8, 8)),
    Palette(D3DFMT_P8, None),
    Luminance(D3DFMT_L8, 1, C(8, 0), None),
    Luminance(D3DFMT_A8L8, 2, C(8, 0), C(8, 8)),
    Luminance(D3DFMT_A4L4, 0, C(4, 0), C(4, 4)),
    Bump(D3DFMT_V8U8, 2, C(8, 0), C(8, 8), None),
    Bump(D3DFMT_L6V5U5, 2, C(5, 0), C(5, 5), C(6, 10)),
    Bump(D3DFMT_X8L8V8U8, 4, C(8, 0), C(8, 8), C(8, 16)),
    Depth(D3DFMT_D16_LOCKABLE, false, C(16, 0), None),
    Depth(D3DFMT_D32, true, C(32, 0), None),
    Depth(D3DFMT_D15S1, false, C(15, 1), C(1, 0)),
    Depth(D3DFMT_D24S8, true, C(24, 8), C(8, 0)),
    Depth(D3DFMT_D24X8, true, C(24, 8), None),
    Depth(D3DFMT_D24X4S4, false, C(24, 8), C(4, 0)),
    Depth(D3DFMT_D16, true, C(16, 0), None),
    Compressed(D3DFMT_DXT1, 0),
    Compressed(D3DFMT_DXT2, 4),
    Compressed(D3DFMT_DXT3, 4),
    Compressed(D3DFMT_DXT4, 8),
    Compressed(D3DFMT_DXT5, 8),
};

// Formats with a value below this are found by index, the others (FOURCC codes) by search.
constexpr UINT kIndexed = 128;

constexpr std::array<std::uint8_t, kIndexed> BuildIndex() {
    std::array<std::uint8_t, kIndexed> index{};
    for (std::size_t i = 1; i < std::size(kFormats); ++i)
        if (static_cast<UINT>(kFormats[i].format) < kIndexed)
            index[static_cast<UINT>(kFormats[i].format)] = static_cast<std::uint8_t>(i);
    return index;
}

static_assert(std::size(kFormats) <= 256, "kIndex holds table positions in a byte");
inline constexpr std::array<std::uint8_t, kIndexed> kIndex = BuildIndex();

}  // namespace format_table

using format_table::kFormats;

// Where a format lies in kFormats; 0, the empty FormatKind::Unknown entry, for one it lacks.
constexpr std::size_t IndexOf(D3DFORMAT format) {
    const UINT value = static_cast<UINT>(format);
    if (value < format_table::kIndexed) return format_table::kIndex[value];
    for (std::size_t i = 1; i < std::size(kFormats); ++i)
        if (kFormats[i].format == format) return i;
    return 0;
}

constexpr const FormatInfo& InfoOf(D3DFORMAT format) { return kFormats[IndexOf(format)]; }

constexpr UINT BytesPerPixel(D3DFORMAT format) { return InfoOf(format).bytes; }
constexpr bool IsDepthFormat(D3DFORMAT format) { return InfoOf(format).kind == FormatKind::Depth; }
constexpr bool HasStencil(D3DFORMAT format) { return InfoOf(format).stencil.bits != 0; }
constexpr bool IsBumpFormat(D3DFORMAT format) { return InfoOf(format).kind == FormatKind::Bump; }
constexpr bool HasAlpha(D3DFORMAT format) { return InfoOf(format).alpha.bits != 0; }
constexpr bool IsOfferedAs(D3DFORMAT format, FormatUse use) { return (InfoOf(format).uses & use) != 0; }

// A colour or luminance format the device holds: one WriteArgb and ReadArgb convert.
constexpr bool HoldsArgb(const FormatInfo& f) {
    return f.bytes != 0 && (f.kind == FormatKind::Color || f.kind == FormatKind::Luminance);
}
constexpr bool HoldsArgb(D3DFORMAT format) { return HoldsArgb(InfoOf(format)); }

}  // namespace d3d8
