// A simple draw's state as the lane loops read it (lanes/kernel.h): prepared once per draw
// by ChoosePixelLoops, for every lane width alike.
#pragma once

#include "platform/d3d8/rasterizer.h"

#include <cstddef>
#include <cstdint>

namespace d3d8::ref {

// Diffuse, fog and three stages' coordinates: the most values a lane loop interpolates.
constexpr int kMaxLaneValues = 12;

// A level the loops read: 32-bit ARGB (or XRGB) or R5G6B5 texels, or a bump level. Byte
// offsets of its texels fit in an int.
struct LaneLevel {
    const BYTE* texels = nullptr;  // null: not read
    int pitch = 0;
    UINT wide = 0, high = 0;
    DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
    DWORD opaque = 0;     // ORed into every 32-bit texel (X8R8G8B8)
    bool r5g6b5 = false;  // two bytes a texel, widened as ReadTexelArgb widens them
};

// The bump stage in front of the texture stage: V8U8 or X8L8V8U8 texels.
struct LaneBump {
    LaneLevel level;
    bool linear = false;         // the stage's magnification filter
    bool luminanceByte = false;  // X8L8V8U8: the third byte is the luminance; V8U8 reads 1
    bool luminance = false;      // BUMPENVMAPLUMINANCE: the luminance scales the texel colour
    float m00 = 0, m01 = 0, m10 = 0, m11 = 0, lumScale = 0, lumOffset = 0;
};

struct LaneDraw {
    // Per channel in the order b, g, r, a: all ones where the result reads the texture or the
    // current colour (which is 1 elsewhere).
    std::uint32_t textureChannels[4] = {}, currentChannels[4] = {};
    float fogColor[4] = {};  // b, g, r, a
    bool fog = false;
    bool depthTest = false, depthWrite = false;
    DWORD depthFunc = D3DCMP_ALWAYS;
    BYTE* color = nullptr;
    std::ptrdiff_t colorPitch = 0;
    DWORD colorOpaque = 0;  // ORed into every word written and read (X8R8G8B8)
    BYTE* depth = nullptr;
    std::ptrdiff_t depthPitch = 0;
    LaneLevel texture;  // when the texture stage reads a level
    LaneLevel base;     // when the current colour is a base stage's texel
    LaneBump bump;      // when a bump stage offsets the texture's coordinates
    bool addRgb = false;
    // A texel whose four bytes are 0 leaves the pixel as it was: the texture gives all four
    // channels as factors of a product, nothing is added after (no fog) and the blend adds the
    // old pixel to 0 times the source alpha (not for Replace). Holds only while the current
    // colour and luminance are finite (0 times infinity is not 0).
    bool zeroTexelKeepsPixel = false;
    // Where the inputs sit among a triangle's interpolated values (DrawContext::interpolated),
    // -1 when not interpolated; v follows u. u is the texture stage's, baseU the base stage's,
    // bumpU the bump stage's.
    int diffuseAt = -1, fogAt = -1, uAt = -1, baseUAt = -1, bumpUAt = -1;
};

}  // namespace d3d8::ref
