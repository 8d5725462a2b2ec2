// Pixel format conversions, pure and independent of any device. Colours travel as D3DCOLOR
// (0xAARRGGBB, 0..255 per channel). Narrowing rounds to the nearest representable value;
// widening replicates the high bits into the low ones, so 0 and full scale map exactly.
// Bump formats carry signed offsets du, dv in -1..1 (a stored +max maps to 1.0) and an
// unsigned luminance in 0..1.
#pragma once

#include "platform/d3d8/types.h"

#include <cstdint>
#include <cstring>

namespace d3d8 {

// ---- Channel helpers -------------------------------------------------------------------

// Scales a 0..255 channel to `bits` bits, rounding to nearest.
constexpr DWORD NarrowChannel(DWORD value8, unsigned bits) {
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

// ---- 16-bit colour formats ---------------------------------------------------------------

constexpr D3DCOLOR ArgbFromR5G6B5(WORD p) {
    return D3DCOLOR_ARGB(0xff, WidenChannel((p >> 11) & 0x1f, 5), WidenChannel((p >> 5) & 0x3f, 6),
                         WidenChannel(p & 0x1f, 5));
}
constexpr WORD R5G6B5FromArgb(D3DCOLOR c) {
    return static_cast<WORD>((NarrowChannel(RedOf(c), 5) << 11) | (NarrowChannel(GreenOf(c), 6) << 5) |
                             NarrowChannel(BlueOf(c), 5));
}

constexpr D3DCOLOR ArgbFromA4R4G4B4(WORD p) {
    return D3DCOLOR_ARGB(WidenChannel(p >> 12, 4), WidenChannel((p >> 8) & 0xf, 4), WidenChannel((p >> 4) & 0xf, 4),
                         WidenChannel(p & 0xf, 4));
}
constexpr WORD A4R4G4B4FromArgb(D3DCOLOR c) {
    return static_cast<WORD>((NarrowChannel(AlphaOf(c), 4) << 12) | (NarrowChannel(RedOf(c), 4) << 8) |
                             (NarrowChannel(GreenOf(c), 4) << 4) | NarrowChannel(BlueOf(c), 4));
}

constexpr D3DCOLOR ArgbFromX1R5G5B5(WORD p) {
    return D3DCOLOR_ARGB(0xff, WidenChannel((p >> 10) & 0x1f, 5), WidenChannel((p >> 5) & 0x1f, 5),
                         WidenChannel(p & 0x1f, 5));
}
constexpr D3DCOLOR ArgbFromA1R5G5B5(WORD p) {
    return (ArgbFromX1R5G5B5(p) & 0x00ffffffu) | ((p & 0x8000u) ? 0xff000000u : 0u);
}
constexpr WORD A1R5G5B5FromArgb(D3DCOLOR c) {
    return static_cast<WORD>((AlphaOf(c) >= 128 ? 0x8000u : 0u) | (NarrowChannel(RedOf(c), 5) << 10) |
                             (NarrowChannel(GreenOf(c), 5) << 5) | NarrowChannel(BlueOf(c), 5));
}
constexpr WORD X1R5G5B5FromArgb(D3DCOLOR c) { return static_cast<WORD>(A1R5G5B5FromArgb(c) | 0x8000u); }

// ---- 32-bit colour formats ---------------------------------------------------------------

// X8R8G8B8 has no alpha: it reads as opaque and is stored with the X byte at 0xff.
constexpr D3DCOLOR ArgbFromX8R8G8B8(DWORD p) { return p | 0xff000000u; }
constexpr DWORD X8R8G8B8FromArgb(D3DCOLOR c) { return c | 0xff000000u; }

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

// V8U8: byte 0 du, byte 1 dv, two's complement.
constexpr BumpTexel BumpFromV8U8(WORD p) {
    return {SignedUnit(SignExtend(p & 0xff, 8), 127), SignedUnit(SignExtend(p >> 8, 8), 127), 1.0f};
}
// L6V5U5: bits 0-4 du, 5-9 dv (signed), 10-15 luminance (unsigned).
constexpr BumpTexel BumpFromL6V5U5(WORD p) {
    return {SignedUnit(SignExtend(p & 0x1f, 5), 15), SignedUnit(SignExtend((p >> 5) & 0x1f, 5), 15),
            static_cast<float>((p >> 10) & 0x3f) / 63.0f};
}
// X8L8V8U8: byte 0 du, byte 1 dv (signed), byte 2 luminance, byte 3 unused.
constexpr BumpTexel BumpFromX8L8V8U8(DWORD p) {
    return {SignedUnit(SignExtend(p & 0xff, 8), 127), SignedUnit(SignExtend((p >> 8) & 0xff, 8), 127),
            static_cast<float>((p >> 16) & 0xff) / 255.0f};
}

// Encodes a signed -1..1 value to a code with the given positive maximum, rounding to nearest.
constexpr int SignedCodeFromUnit(float v, int max) {
    const float c = v < -1.0f ? -1.0f : (v > 1.0f ? 1.0f : v);
    const float scaled = c * static_cast<float>(max);
    return static_cast<int>(scaled < 0 ? scaled - 0.5f : scaled + 0.5f);
}
constexpr WORD V8U8FromBump(float du, float dv) {
    return static_cast<WORD>((SignedCodeFromUnit(du, 127) & 0xff) | ((SignedCodeFromUnit(dv, 127) & 0xff) << 8));
}
constexpr WORD L6V5U5FromBump(float du, float dv, float luminance) {
    const float l = luminance < 0 ? 0 : (luminance > 1 ? 1 : luminance);
    return static_cast<WORD>((SignedCodeFromUnit(du, 15) & 0x1f) | ((SignedCodeFromUnit(dv, 15) & 0x1f) << 5) |
                             (static_cast<int>(l * 63.0f + 0.5f) << 10));
}
constexpr DWORD X8L8V8U8FromBump(float du, float dv, float luminance) {
    const float l = luminance < 0 ? 0 : (luminance > 1 ? 1 : luminance);
    return static_cast<DWORD>(SignedCodeFromUnit(du, 127) & 0xff) |
           (static_cast<DWORD>(SignedCodeFromUnit(dv, 127) & 0xff) << 8) |
           (static_cast<DWORD>(l * 255.0f + 0.5f) << 16);
}

constexpr bool IsBumpFormat(D3DFORMAT f) {
    return f == D3DFMT_V8U8 || f == D3DFMT_L6V5U5 || f == D3DFMT_X8L8V8U8;
}

// ---- Whole pixels in memory ----------------------------------------------------------------

// Reads one pixel of a colour format as ARGB. Formats without a colour reading (bump, depth,
// unknown) give opaque black.
inline D3DCOLOR ReadArgb(D3DFORMAT format, const BYTE* p) {
    WORD w = 0;
    DWORD d = 0;
    switch (format) {
    case D3DFMT_A8R8G8B8:
        std::memcpy(&d, p, 4);
        return d;
    case D3DFMT_X8R8G8B8:
        std::memcpy(&d, p, 4);
        return ArgbFromX8R8G8B8(d);
    case D3DFMT_R8G8B8:
        return D3DCOLOR_ARGB(0xff, p[2], p[1], p[0]);
    case D3DFMT_R5G6B5:
        std::memcpy(&w, p, 2);
        return ArgbFromR5G6B5(w);
    case D3DFMT_A4R4G4B4:
        std::memcpy(&w, p, 2);
        return ArgbFromA4R4G4B4(w);
    case D3DFMT_X4R4G4B4:
        std::memcpy(&w, p, 2);
        return ArgbFromA4R4G4B4(w) | 0xff000000u;
    case D3DFMT_X1R5G5B5:
        std::memcpy(&w, p, 2);
        return ArgbFromX1R5G5B5(w);
    case D3DFMT_A1R5G5B5:
        std::memcpy(&w, p, 2);
        return ArgbFromA1R5G5B5(w);
    case D3DFMT_L8:
        return D3DCOLOR_ARGB(0xff, p[0], p[0], p[0]);
    case D3DFMT_A8:
        return D3DCOLOR_ARGB(p[0], 0, 0, 0);
    case D3DFMT_A8L8:
        return D3DCOLOR_ARGB(p[1], p[0], p[0], p[0]);
    default:
        return 0xff000000u;
    }
}

// Writes one ARGB pixel in a colour format; formats it cannot hold are left untouched.
inline void WriteArgb(D3DFORMAT format, BYTE* p, D3DCOLOR c) {
    WORD w = 0;
    DWORD d = 0;
    switch (format) {
    case D3DFMT_A8R8G8B8:
        std::memcpy(p, &c, 4);
        return;
    case D3DFMT_X8R8G8B8:
        d = X8R8G8B8FromArgb(c);
        std::memcpy(p, &d, 4);
        return;
    case D3DFMT_R8G8B8:
        p[0] = static_cast<BYTE>(BlueOf(c));
        p[1] = static_cast<BYTE>(GreenOf(c));
        p[2] = static_cast<BYTE>(RedOf(c));
        return;
    case D3DFMT_R5G6B5:
        w = R5G6B5FromArgb(c);
        break;
    case D3DFMT_A4R4G4B4:
        w = A4R4G4B4FromArgb(c);
        break;
    case D3DFMT_X4R4G4B4:
        w = A4R4G4B4FromArgb(c) | 0xf000u;
        break;
    case D3DFMT_X1R5G5B5:
        w = X1R5G5B5FromArgb(c);
        break;
    case D3DFMT_A1R5G5B5:
        w = A1R5G5B5FromArgb(c);
        break;
    default:
        return;
    }
    std::memcpy(p, &w, 2);
}

// Reads one texel of a bump format.
inline BumpTexel ReadBump(D3DFORMAT format, const BYTE* p) {
    WORD w = 0;
    DWORD d = 0;
    switch (format) {
    case D3DFMT_V8U8:
        std::memcpy(&w, p, 2);
        return BumpFromV8U8(w);
    case D3DFMT_L6V5U5:
        std::memcpy(&w, p, 2);
        return BumpFromL6V5U5(w);
    case D3DFMT_X8L8V8U8:
        std::memcpy(&d, p, 4);
        return BumpFromX8L8V8U8(d);
    default:
        return {};
    }
}

}  // namespace d3d8
