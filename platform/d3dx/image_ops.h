// Operations on decoded images for the texture loader: colour key, resampling with the
// D3DX filters, and the next level of a mip chain.
#pragma once

#include "platform/d3dx/image.h"

namespace d3dx {

// Every pixel exactly equal to key (0xAARRGGBB) becomes transparent black, 0x00000000.
// A key of 0 means no key. Returns the number of pixels changed.
size_t ApplyColorKey(Image& image, D3DCOLOR key);

// The filter part of a D3DX filter value: NONE, POINT, LINEAR, TRIANGLE or BOX; false
// for anything else (including D3DX_DEFAULT, which callers resolve first).
bool IsValidFilter(DWORD filter);

// A copy of src at width x height (both 1..kMaxImageSide) made with filter (a valid
// D3DX_FILTER_* kernel, optionally with mirror flags): NONE copies without scaling and
// leaves pixels outside the source black; POINT takes the nearest pixel; LINEAR blends
// the four nearest, reaching past an edge by wrapping or, with the axis' mirror flag,
// by mirroring; TRIANGLE and BOX weight every source pixel by the area of it that the
// target pixel covers. Channels are filtered independently, alpha unpremultiplied.
Image Resample(const Image& src, UINT width, UINT height, DWORD filter);

// The mip level below `level`: half its size in each dimension (at least 1).
Image NextMipLevel(const Image& level, DWORD filter);

// Number of levels of a full chain down to 1 x 1.
UINT FullMipChainLength(UINT width, UINT height);

// The smallest power of two at or above n (n >= 1).
UINT NextPowerOfTwo(UINT n);

}  // namespace d3dx
