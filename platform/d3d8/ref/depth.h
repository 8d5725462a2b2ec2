// Depth test and write against a depth surface of one float (0..1) per pixel.
#pragma once

#include "platform/d3d8/ref/alpha_test.h"

#include <cstring>

namespace d3d8::ref {

inline float* DepthAt(const SurfaceData& s, int x, int y) {
    return reinterpret_cast<float*>(s.bits + static_cast<std::ptrdiff_t>(y) * s.pitch) + x;
}

// Tests the fragment's depth and, when it passes and writes are on, stores it.
REF_PIXEL_INLINE bool DepthTestAndWrite(const DrawContext& ctx, const Target& t, int x, int y, float z) {
    float* d = DepthAt(*t.depth, x, y);
    if (!ComparePasses<float>(ctx.depthFunc, z, *d)) return false;
    if (ctx.depthWrite) *d = z;
    return true;
}

}  // namespace d3d8::ref
