// Fog: the factor f (1 = no fog, 0 = all fog colour) from a depth, and its application
// colour = f * colour + (1 - f) * fog colour; alpha is not fogged.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

#include <cmath>

namespace d3d8::ref {

// `depth` is eye-space depth (w) or device z, as the context chose.
inline float FogFactor(DWORD mode, float depth, float start, float end, float density) {
    switch (mode) {
    case D3DFOG_LINEAR:
        return end == start ? (depth < end ? 1.0f : 0.0f) : Saturate((end - depth) / (end - start));
    case D3DFOG_EXP:
        return Saturate(std::exp(-depth * density));
    case D3DFOG_EXP2: {
        const float dd = depth * density;
        return Saturate(std::exp(-dd * dd));
    }
    default:
        return 1.0f;
    }
}

// The fog factor of a pixel at fog depth `depth` (eye-space w or device z, as the context
// chose) whose interpolated vertex fog factor is `vertex`; false when the draw has no fog.
REF_PIXEL_INLINE bool PixelFogFactor(const DrawContext& ctx, float depth, float vertex, float& factor) {
    if (ctx.fog == FogSource::Table)
        factor = FogFactor(ctx.fogMode, depth, ctx.fogStart, ctx.fogEnd, ctx.fogDensity);
    else if (ctx.fog == FogSource::Vertex)
        factor = Saturate(vertex);
    else
        return false;
    return true;
}

REF_PIXEL_INLINE void ApplyFog(const DrawContext& ctx, const Fragment& f, Color& c) {
    float factor;
    if (!PixelFogFactor(ctx, f.fogDepth, f.FogFactor(), factor)) return;
    const float g = 1.0f - factor;
    c.r = factor * c.r + g * ctx.fogColor.r;
    c.g = factor * c.g + g * ctx.fogColor.g;
    c.b = factor * c.b + g * ctx.fogColor.b;
}

}  // namespace d3d8::ref
