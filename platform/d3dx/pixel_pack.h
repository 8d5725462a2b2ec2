// Packing 32-bit 0xAARRGGBB pixels into the texture formats the loader writes. Pure
// functions; each channel is rounded to the nearest level of the narrower format.
#pragma once

#include "platform/d3d8/types.h"

#include <cstddef>

namespace d3dx {

// 0..255 to 0..(2^bits - 1), rounded to nearest.
constexpr DWORD ScaleChannelDown(DWORD value8, DWORD bits) {
    const DWORD max = (1u << bits) - 1;
    return (value8 * max + 127) / 255;
}

constexpr DWORD Alpha(DWORD argb) { return argb >> 24; }
constexpr DWORD Red(DWORD argb) { return (argb >> 16) & 0xff; }
constexpr DWORD Green(DWORD argb) { return (argb >> 8) & 0xff; }
constexpr DWORD Blue(DWORD argb) { return argb & 0xff; }

constexpr WORD ArgbToR5G6B5(DWORD argb) {
    return static_cast<WORD>((ScaleChannelDown(Red(argb), 5) << 11) | (ScaleChannelDown(Green(argb), 6) << 5) |
                             ScaleChannelDown(Blue(argb), 5));
}
constexpr WORD ArgbToX1R5G5B5(DWORD argb) {
    return static_cast<WORD>(0x8000 | (ScaleChannelDown(Red(argb), 5) << 10) |
                             (ScaleChannelDown(Green(argb), 5) << 5) | ScaleChannelDown(Blue(argb), 5));
}
// Alpha at or above one half sets the alpha bit.
constexpr WORD ArgbToA1R5G5B5(DWORD argb) {
    return static_cast<WORD>((Alpha(argb) >= 128 ? 0x8000 : 0) | (ScaleChannelDown(Red(argb), 5) << 10) |
                             (ScaleChannelDown(Green(argb), 5) << 5) | ScaleChannelDown(Blue(argb), 5));
}
constexpr WORD ArgbToA4R4G4B4(DWORD argb) {
    return static_cast<WORD>((ScaleChannelDown(Alpha(argb), 4) << 12) | (ScaleChannelDown(Red(argb), 4) << 8) |
                             (ScaleChannelDown(Green(argb), 4) << 4) | ScaleChannelDown(Blue(argb), 4));
}
constexpr WORD ArgbToX4R4G4B4(DWORD argb) { return static_cast<WORD>(ArgbToA4R4G4B4(argb) | 0xf000); }
constexpr DWORD ArgbToX8R8G8B8(DWORD argb) { return argb | 0xff000000u; }
constexpr DWORD ArgbToA8R8G8B8(DWORD argb) { return argb; }
// Luminance with the Rec. 601 weights, 0..255.
constexpr BYTE ArgbToL8(DWORD argb) {
    return static_cast<BYTE>((Red(argb) * 299 + Green(argb) * 587 + Blue(argb) * 114 + 500) / 1000);
}
constexpr BYTE ArgbToA8(DWORD argb) { return static_cast<BYTE>(Alpha(argb)); }

// True for the formats PackRow can write.
bool CanPackArgbTo(D3DFORMAT format);
// Writes `count` pixels in `format` to dst (bytes per pixel of the format each).
// Returns false, writing nothing, for a format CanPackArgbTo refuses.
bool PackRow(const DWORD* argb, size_t count, D3DFORMAT format, BYTE* dst);

}  // namespace d3dx
