// Small scenes for rasterizer tests, built directly against the Rasterizer interface: owned
// target memory, the device's default state, and vertex helpers.
#pragma once

#include "platform/d3d8/rasterizer.h"
#include "tests/support/pipeline_state.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace scene {

// A colour or depth surface with its own memory.
struct Surface {
    Surface(D3DFORMAT format, UINT width, UINT height, UINT bytesPerPixel);
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    DWORD Pixel(int x, int y) const;  // colour formats: the raw pixel (ARGB for 32-bit)
    float Depth(int x, int y) const;

    std::vector<BYTE> memory;
    d3d8::SurfaceData data;
};

// A texture with one or more levels of owned memory; `version` grows with each Touch().
struct Texture {
    Texture(D3DFORMAT format, UINT width, UINT height, UINT levels, UINT bytesPerPixel);
    void Set(UINT level, int x, int y, DWORD raw);  // writes the low bytesPerPixel bytes
    void Touch() { ++data.version; }

    UINT bpp;
    std::vector<std::vector<BYTE>> memory;
    std::vector<d3d8::SurfaceData> levels;
    d3d8::TextureData data;
};

float Bits(float) = delete;
using pipeline::DefaultState;
using pipeline::Identity;
using pipeline::PerspectiveFovLH;

// State for untextured, unlit pre-transformed drawing: stage 0 selects the diffuse colour.
d3d8::PipelineState FlatColorState(UINT width, UINT height);

struct TlVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};
constexpr DWORD kTlFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct LVertex {  // D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1
    float x, y, z;
    DWORD color;
    float u, v;
};
constexpr DWORD kLFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

template <typename V>
d3d8::DrawCall Call(D3DPRIMITIVETYPE type, UINT primitives, const std::vector<V>& vertices) {
    d3d8::DrawCall c;
    c.primitiveType = type;
    c.primitiveCount = primitives;
    c.vertices = reinterpret_cast<const BYTE*>(vertices.data());
    c.stride = sizeof(V);
    c.vertexCount = static_cast<UINT>(vertices.size());
    return c;
}

// Two triangles (a list of six vertices) covering the pixel rectangle [x0, x1) x [y0, y1)
// with pixel centres on whole numbers: edges at x0 - 0.5 ... x1 - 0.5.
std::vector<TlVertex> Quad(float x0, float y0, float x1, float y1, DWORD color, float z = 0.5f);

// Channel helpers on 0xAARRGGBB.
inline int A(DWORD c) { return static_cast<int>(c >> 24); }
inline int R(DWORD c) { return static_cast<int>((c >> 16) & 0xff); }
inline int G(DWORD c) { return static_cast<int>((c >> 8) & 0xff); }
inline int B(DWORD c) { return static_cast<int>(c & 0xff); }
// Largest channel difference of two ARGB colours (alpha left out when `alpha` is false).
int Difference(DWORD a, DWORD b, bool alpha = true);

}  // namespace scene
