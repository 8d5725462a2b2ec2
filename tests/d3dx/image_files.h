// Small image files generated in memory for the decoder and loader tests.
#pragma once

#include "platform/d3d8/types.h"

#include <string>
#include <vector>

namespace testimg {

using Bytes = std::vector<BYTE>;

// BMP of width x height from 0xAARRGGBB pixels (rows top-down). bits: 24 or 32;
// topDown writes a negative height. 32-bit files store the alpha byte as given.
Bytes MakeBmp(UINT width, UINT height, const std::vector<DWORD>& argb, int bits, bool topDown = false);
// Palettised BMP of 1, 4 or 8 bits: indices per pixel (rows top-down) and the palette's
// 0x00RRGGBB colours.
Bytes MakeBmpIndexed(UINT width, UINT height, int bits, const std::vector<BYTE>& indices,
                     const std::vector<DWORD>& palette);
// PNG with alpha (RGBA) or without (RGB).
Bytes MakePng(UINT width, UINT height, const std::vector<DWORD>& argb, bool alpha);
// Baseline JPEG at the given quality.
Bytes MakeJpeg(UINT width, UINT height, const std::vector<DWORD>& argb, int quality = 95);
// DDS header for an uncompressed RGB(A) format given by bit count and masks, then the pixels.
Bytes MakeDdsRgb(UINT width, UINT height, UINT bits, DWORD rMask, DWORD gMask, DWORD bMask, DWORD aMask,
                 const Bytes& pixelBytes);
// DDS header for a DXTn format (fourCC "DXT1", "DXT3", "DXT5"), then the blocks.
Bytes MakeDdsDxt(UINT width, UINT height, const char* fourCC, const Bytes& blocks);

// Writes bytes to a fresh file under the test's temporary folder; returns its path.
std::string WriteTempFile(const std::string& name, const Bytes& bytes);

}  // namespace testimg
