// Packing rows of 32-bit 0xAARRGGBB pixels into the texture formats the loader writes.
// The per-pixel conversions are the device model's (platform/d3d8/pixel_convert.h); the few
// formats it has no use for (X4R4G4B4, L8, A8) are added here in the same manner.
#pragma once

#include "platform/d3d8/pixel_convert.h"

#include <cstddef>

namespace d3dx {

constexpr WORD X4R4G4B4FromArgb(D3DCOLOR c) { return static_cast<WORD>(d3d8::A4R4G4B4FromArgb(c) | 0xf000u); }
// Luminance with the Rec. 601 weights, 0..255.
constexpr BYTE L8FromArgb(D3DCOLOR c) {
    return static_cast<BYTE>((d3d8::RedOf(c) * 299 + d3d8::GreenOf(c) * 587 + d3d8::BlueOf(c) * 114 + 500) / 1000);
}
constexpr BYTE A8FromArgb(D3DCOLOR c) { return static_cast<BYTE>(d3d8::AlphaOf(c)); }

// True for the formats PackRow can write: A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5,
// A4R4G4B4, X4R4G4B4, L8, A8.
bool CanPackArgbTo(D3DFORMAT format);
// Writes `count` pixels in `format` to dst (bytes per pixel of the format each, little-endian).
// Returns false, writing nothing, for a format CanPackArgbTo refuses.
bool PackRow(const DWORD* argb, size_t count, D3DFORMAT format, BYTE* dst);

}  // namespace d3dx
