// The pre-transformed, lit, textured vertex the font and the lens flare draw with: screen
// pixels, depth 0..1, 1/w, packed ARGB colour, texture u, v.
#pragma once

#include "platform/d3d8.h"

struct TransformedVertex {
    float x, y, z, rhw;
    DWORD colour;
    float tu, tv;
};
static_assert(sizeof(TransformedVertex) == 28, "the transformed vertex is 28 bytes");

constexpr DWORD kTransformedVertexFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x144
