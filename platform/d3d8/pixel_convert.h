// Pixel format conversions, pure and independent of any device. Colours travel as D3DCOLOR
// (0xAARRGGBB, 0..255 per channel). Narrowing rounds to the nearest representable value;
// widening replicates the high bits into the low ones, so 0 and full scale map exactly.
// Bump formats carry signed offsets du, dv in -1..1 (a stored +max maps to 1.0) and an
// unsigned luminance in 0..1.
#pragma once

#include "platform/d3d8/format_info.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace d3d8 {

// ---- Channel helpers -------------------------------------------------------------------

// Scales a 0..255 channel to `bits` bits, rounding to nearest.
constexpr DWORD NarrowChannel(DWORD value8, unsigned bits) {
    if (bits == 8) return value8;  // what the formula gives, without its division
    const DWORD max = (1u << bits) - 1u;
    return (value8 * max + 127u) / 255u;
}

// Widens a `bits`-bit channel to 0..255 by bit replication.
constexpr DWORD WidenChannel(DWORD value, unsigned bits) {
    DWORD out = value << (8 - bits);
    for (unsigned filled = bits; filled < 8; filled += bits) out |= out >> bits;
    return out & 0xffu;
}

constexpr DWORD AlphaOf(D3DCOLOR c) { return c >> 24; }
constexpr DWORD RedOf(D3DCOLOR c) { return (c >> 16) & 0xffu; }
constexpr DWORD GreenOf(D3DCOLOR c) { return (c >> 8) & 0xffu; }
constexpr DWORD BlueOf(D3DCOLOR c) { return c & 0xffu; }

// ---- Colour and luminance formats, from the format table ---------------------------------

// A format's pixel, read as an integer, to ARGB: channels widened, absent colour channels 0,
// absent alpha opaque; luminance goes to red, green and blue alike.
template <D3DFORMAT F>
constexpr D3DCOLOR ArgbFromPixel(DWORD p) {
    constexpr const FormatInfo& f = InfoOf(F);
    static_assert(f.kind == FormatKind::Color || f.kind == FormatKind::Luminance, "not a colour format");
    auto read = [p](Channel c, DWORD absent) {
        return c.bits == 0 ? absent : WidenChannel((p >> c.shift) & ((1u << c.bits) - 1u), c.bits);
    };
    const DWORD a = read(f.alpha, 0xff);
    if constexpr (f.kind == FormatKind::Luminance) {
        const DWORD l = read(f.luminance, 0);
        return D3DCOLOR_ARGB(a, l, l, l);
    } else {
        return D3DCOLOR_ARGB(a, read(f.red, 0), read(f.green, 0), read(f.blue, 0));
    }
}

// Luminance with the Rec. 601 weights, 0..255.
constexpr DWORD LuminanceOf(D3DCOLOR c) { return (RedOf(c) * 299 + GreenOf(c) * 587 + BlueOf(c) * 114 + 500) / 1000; }

// ARGB to a format's pixel as an integer, each channel narrowed to nearest. Bits no channel
// uses (the X of X8R8G8B8 and the like) are stored as ones.
template <D3DFORMAT F>
constexpr DWORD PixelFromArgb(D3DCOLOR c) {
    constexpr const FormatInfo& f = InfoOf(F);
    static_assert(f.kind == FormatKind::Color || f.kind == FormatKind::Luminance, "not a colour format");
    constexpr DWORD all = f.bytes >= 4 ? ~0u : (1u << (8 * f.bytes)) - 1u;
    auto write = [](Channel ch, DWORD value8) {
        return ch.bits == 0 ? 0u : NarrowChannel(value8, ch.bits) << ch.shift;
    };
    DWORD p = (all & ~f.ChannelMask()) | write(f.alpha, AlphaOf(c));
    if constexpr (f.kind == FormatKind::Luminance)
        p |= write(f.luminance, LuminanceOf(c));
    else
        p |= write(f.red, RedOf(c)) | write(f.green, GreenOf(c)) | write(f.blue, BlueOf(c));
    return p;
}

constexpr D3DCOLOR ArgbFromR5G6B5(WORD p) { return ArgbFromPixel<D3DFMT_R5G6B5>(p); }
constexpr WORD R5G6B5FromArgb(D3DCOLOR c) { return static_cast<WORD>(PixelFromArgb<D3DFMT_R5G6B5>(c)); }

// ---- Signed bump formats -------------------------------------------------------------

struct BumpTexel {
    float du = 0;         // -1..1
    float dv = 0;         // -1..1
    float luminance = 1;  // 0..1; formats without luminance read as 1
};

// A signed component whose largest positive code is `max` maps code/max, clamped to -1
// (so the most negative code, one beyond -max, reads -1 as well).
constexpr float SignedUnit(int code, int max) {
    const float v = static_cast<float>(code) / static_cast<float>(max);
    return v < -1.0f ? -1.0f : v;
}

constexpr int SignExtend(DWORD value, unsigned bits) {
    const DWORD sign = 1u << (bits - 1);
    return static_cast<int>((value & ((1u << bits) - 1)) ^ sign) - static_cast<int>(sign);
}

// A bump format's pixel, read as an integer: du and dv signed (two's complement), the
// largest positive code reading 1.0; luminance unsigned 0..1.
template <D3DFORMAT F>
constexpr BumpTexel BumpFromPixel(DWORD p) {
    constexpr const FormatInfo& f = InfoOf(F);
    static_assert(f.kind == FormatKind::Bump, "not a bump format");
    auto offset = [p](Channel c) { return SignedUnit(SignExtend(p >> c.shift, c.bits), (1 << (c.bits - 1)) - 1); };
    const Channel l = f.luminance;
    const DWORD lMax = (1u << l.bits) - 1u;
    const float luminance = l.bits == 0 ? 1.0f : static_cast<float>((p >> l.shift) & lMax) / static_cast<float>(lMax);
    return {offset(f.du), offset(f.dv), luminance};
}

// Encodes a signed -1..1 value to a code with the given positive maximum, rounding to nearest.
constexpr int SignedCodeFromUnit(float v, int max) {
    const float c = v < -1.0f ? -1.0f : (v > 1.0f ? 1.0f : v);
    const float scaled = c * static_cast<float>(max);
    return static_cast<int>(scaled < 0 ? scaled - 0.5f : scaled + 0.5f);
}

// du, dv (clamped to -1..1) and luminance (clamped to 0..1) to a bump format's pixel, rounded
// to nearest; unused bits 0.
template <D3DFORMAT F>
constexpr DWORD PixelFromBump(float du, float dv, float luminance) {
    constexpr const FormatInfo& f = InfoOf(F);
    static_assert(f.kind == FormatKind::Bump, "not a bump format");
    auto offset = [](Channel c, float v) {
        return (static_cast<DWORD>(SignedCodeFromUnit(v, (1 << (c.bits - 1)) - 1)) & ((1u << c.bits) - 1u)) << c.shift;
    };
    DWORD p = offset(f.du, du) | offset(f.dv, dv);
    if constexpr (f.luminance.bits != 0) {
        const float l = luminance < 0 ? 0 : (luminance > 1 ? 1 : luminance);
        p |= static_cast<DWORD>(l * static_cast<float>((1u << f.luminance.bits) - 1u) + 0.5f) << f.luminance.shift;
    }
    return p;
}

constexpr WORD V8U8FromBump(float du, float dv) { return static_cast<WORD>(PixelFromBump<D3DFMT_V8U8>(du, dv, 1)); }
constexpr WORD L6V5U5FromBump(float du, float dv, float luminance) {
    return static_cast<WORD>(PixelFromBump<D3DFMT_L6V5U5>(du, dv, luminance));
}
constexpr DWORD X8L8V8U8FromBump(float du, float dv, float luminance) {
    return PixelFromBump<D3DFMT_X8L8V8U8>(du, dv, luminance);
}

// ---- Whole pixels in memory ----------------------------------------------------------------

namespace pixel_dispatch {

// One reader and one writer per table entry, so that a format known only at run time costs
// one indexed call.
using ArgbReader = D3DCOLOR (*)(const BYTE*);
using ArgbWriter = void (*)(BYTE*, D3DCOLOR);
using ArgbRowWriter = void (*)(BYTE*, const D3DCOLOR*, std::size_t);
using BumpReader = BumpTexel (*)(const BYTE*);

template <std::size_t I>
DWORD Load(const BYTE* p) {
    DWORD v = 0;
    std::memcpy(&v, p, kFormats[I].bytes);  // little-endian
    return v;
}

template <std::size_t I>
D3DCOLOR ReadOne(const BYTE* p) {
    if constexpr (HoldsArgb(kFormats[I]))
        return ArgbFromPixel<kFormats[I].format>(Load<I>(p));
    else
        return 0xff000000u;
}

template <std::size_t I>
void WriteOne(BYTE* p, D3DCOLOR c) {
    if constexpr (HoldsArgb(kFormats[I])) {
        const DWORD v = PixelFromArgb<kFormats[I].format>(c);
        std::memcpy(p, &v, kFormats[I].bytes);
    }
}

// A row at once: the call is paid once per row, the conversion is inlined per pixel.
template <std::size_t I>
void WriteRow(BYTE* p, const D3DCOLOR* c, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) WriteOne<I>(p + i * kFormats[I].bytes, c[i]);
}

template <std::size_t I>
BumpTexel ReadBumpOne(const BYTE* p) {
    if constexpr (kFormats[I].kind == FormatKind::Bump && kFormats[I].bytes != 0)
        return BumpFromPixel<kFormats[I].format>(Load<I>(p));
    else
        return {};
}

template <std::size_t... I>
constexpr std::array<ArgbReader, sizeof...(I)> ArgbReaders(std::index_sequence<I...>) { return {&ReadOne<I>...}; }
template <std::size_t... I>
constexpr std::array<ArgbWriter, sizeof...(I)> ArgbWriters(std::index_sequence<I...>) { return {&WriteOne<I>...}; }
template <std::size_t... I>
constexpr std::array<ArgbRowWriter, sizeof...(I)> ArgbRowWriters(std::index_sequence<I...>) { return {&WriteRow<I>...}; }
template <std::size_t... I>
constexpr std::array<BumpReader, sizeof...(I)> BumpReaders(std::index_sequence<I...>) { return {&ReadBumpOne<I>...}; }

constexpr auto kEntries = std::make_index_sequence<std::size(kFormats)>{};
inline constexpr auto kArgbReaders = ArgbReaders(kEntries);
inline constexpr auto kArgbWriters = ArgbWriters(kEntries);
inline constexpr auto kArgbRowWriters = ArgbRowWriters(kEntries);
inline constexpr auto kBumpReaders = BumpReaders(kEntries);

}  // namespace pixel_dispatch

// Reads one pixel of a colour or luminance format as ARGB. Formats without a colour reading
// (bump, depth, unknown) give opaque black.
inline D3DCOLOR ReadArgb(D3DFORMAT format, const BYTE* p) { return pixel_dispatch::kArgbReaders[IndexOf(format)](p); }

// Writes one ARGB pixel in a colour or luminance format; other formats are left untouched.
inline void WriteArgb(D3DFORMAT format, BYTE* p, D3DCOLOR c) { pixel_dispatch::kArgbWriters[IndexOf(format)](p, c); }

// Writes `count` ARGB pixels in a colour or luminance format, one after another from `p`;
// other formats are left untouched.
inline void WriteArgbRow(D3DFORMAT format, BYTE* p, const D3DCOLOR* c, std::size_t count) {
    pixel_dispatch::kArgbRowWriters[IndexOf(format)](p, c, count);
}

// Reads one texel of a bump format; other formats give the neutral texel.
inline BumpTexel ReadBump(D3DFORMAT format, const BYTE* p) { return pixel_dispatch::kBumpReaders[IndexOf(format)](p); }

}  // namespace d3d8
