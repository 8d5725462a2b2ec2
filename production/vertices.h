// Vertex layouts the production writes into its buffers.
#pragma once

#include "platform/d3dx8.h"

// Position, ARGB diffuse colour, one texture coordinate pair: the unit screen quad.
struct ScreenQuadVertex {
    D3DXVECTOR3 position;
    D3DCOLOR diffuse;
    float u, v;
};
constexpr DWORD kScreenQuadFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(sizeof(ScreenQuadVertex) == 24, "the screen quad's vertices are 24 bytes");

// Position, normal, two texture coordinate pairs: the sphere and background of the surface scene.
struct TwoTextureVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    float u1, v1;  // first pair: environment (sphere map) or scrolling background
    float u2, v2;  // second pair: base texture and bump map
};
constexpr DWORD kTwoTextureFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;
static_assert(sizeof(TwoTextureVertex) == 40, "two-texture vertices are 40 bytes");
