// The order of the per-pixel stages, in one place: texture stages, alpha test, depth test
// and write, fog, blend and write. ShadePixel runs the general stages; ShadeSimple the
// draws that SimpleShading describes, with the same arithmetic.
#pragma once

#include "platform/d3d8/ref/alpha_test.h"
#include "platform/d3d8/ref/blend.h"
#include "platform/d3d8/ref/depth.h"
#include "platform/d3d8/ref/fog.h"
#include "platform/d3d8/ref/stage_combiner.h"

namespace d3d8::ref {

template <BlendKind Kind>
REF_PIXEL_INLINE void ShadePixel(const DrawContext& ctx, const Target& t, const Fragment& f) {
    Color c = CombineStages(ctx, f);
    if (ctx.alphaTest && !AlphaTestPasses(ctx, c.a)) return;
    if (ctx.depthTest && !DepthTestAndWrite(ctx, t, f.x, f.y, f.z)) return;
    ApplyFog(ctx, f, c);
    BlendAndWrite<Kind>(ctx, t, f.x, f.y, c);
}

// The texel at (u, v) of the simple draw's level, as SampleLevel reads it there.
template <TexelFilter Filter>
REF_PIXEL_INLINE Color SampleSimple(const SimpleShading& s, float u, float v) {
    const SurfaceData& level = *s.level;
    if constexpr (Filter == TexelFilter::Point) {
        const int x = AddressTexel(PointTap(u, level.width), static_cast<int>(level.width), s.addressU);
        const int y = AddressTexel(PointTap(v, level.height), static_cast<int>(level.height), s.addressV);
        return ColorFromArgb(ReadTexelArgb(level, x, y));
    } else {
        return ColorFromArgb(BilinearTexelArgb(level, LinearTaps(u, level.width, s.addressU),
                                               LinearTaps(v, level.height, s.addressV)));
    }
}

// The stage result (texture or 1) * (diffuse or 1): what CombineStages gives for the simple
// draws, since a product with 1 is exact.
REF_PIXEL_INLINE Color SimpleProduct(const SimpleShading& s, const Color& texel, const Color& diffuse) {
    const float tr = s.textureRgb ? texel.r : 1.0f, tg = s.textureRgb ? texel.g : 1.0f;
    const float tb = s.textureRgb ? texel.b : 1.0f, ta = s.textureAlpha ? texel.a : 1.0f;
    const float dr = s.diffuseRgb ? diffuse.r : 1.0f, dg = s.diffuseRgb ? diffuse.g : 1.0f;
    const float db = s.diffuseRgb ? diffuse.b : 1.0f, da = s.diffuseAlpha ? diffuse.a : 1.0f;
    return {tr * dr, tg * dg, tb * db, ta * da};
}

// Without an alpha test nothing before the depth test has an effect, so a hidden pixel is
// rejected before it samples anything.
template <TexelFilter Filter, BlendKind Kind>
REF_PIXEL_INLINE void ShadeSimple(const DrawContext& ctx, const Target& t, const Fragment& f) {
    if (ctx.depthTest && !DepthTestAndWrite(ctx, t, f.x, f.y, f.z)) return;
    Color texel{1, 1, 1, 1};
    if constexpr (Filter != TexelFilter::None) texel = SampleSimple<Filter>(ctx.simple, f.U(0), f.V(0));
    Color c = SimpleProduct(ctx.simple, texel, f.Diffuse());
    ApplyFog(ctx, f, c);
    BlendAndWrite<Kind>(ctx, t, f.x, f.y, c);
}

}  // namespace d3d8::ref
