// Packing rows of 32-bit 0xAARRGGBB pixels into the texture formats the loader writes: every
// colour or luminance format the device model holds (platform/d3d8/pixel_convert.h).
#pragma once

#include "platform/d3d8/pixel_convert.h"

#include <cstddef>

namespace d3dx {

// True for the formats PackRow can write.
constexpr bool CanPackArgbTo(D3DFORMAT format) { return d3d8::HoldsArgb(format); }
// Writes `count` pixels in `format` to dst (bytes per pixel of the format each, little-endian).
// Returns false, writing nothing, for a format CanPackArgbTo refuses.
bool PackRow(const DWORD* argb, size_t count, D3DFORMAT format, BYTE* dst);

}  // namespace d3dx
