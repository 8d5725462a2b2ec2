// The bump maps of the surface scene, computed on the processor.
#pragma once

#include "platform/d3d8.h"

namespace bump_maps {

// Writes a bump map of `format` (V8U8, L6V5U5 or X8L8V8U8) from a 32-bit height field whose
// first byte per pixel (blue) is the height. Slopes come from the left/right and up/down
// neighbours; the neighbours of a pixel step through the image in memory order, so the left
// neighbour of column 0 is the last pixel of the row before, and at the very first and last
// pixel of the image the missing neighbour is the pixel itself. Rows advance by each pitch.
void WriteFromHeightField(const BYTE* source, INT sourcePitch, UINT width, UINT height, D3DFORMAT format,
                          BYTE* destination, INT destinationPitch);

// Writes a 256 x 256 V8U8 wave pattern: du = 64 cos a, dv = 64 sin a with a = 4 pi (x/256 + y/256 - 1),
// truncated toward zero.
constexpr UINT kWaveSize = 256;
void WriteWave(BYTE* destination, INT destinationPitch);

}  // namespace bump_maps
