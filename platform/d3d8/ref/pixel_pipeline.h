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

// The taps along one axis of the simple draw's level, for its filter (the same texels and
// weights SampleLevel reads).
template <TexelFilter Filter>
REF_PIXEL_INLINE AxisTaps SimpleTaps(float coord, UINT size, DWORD mode) {
    if constexpr (Filter == TexelFilter::Point)
        return PointTaps(coord, size, mode);
    else
        return LinearTaps(coord, size, mode);
}

// The simple draw's texel from its taps, as ARGB.
template <TexelFilter Filter>
REF_PIXEL_INLINE D3DCOLOR SimpleTexelArgb(const SurfaceData& level, const AxisTaps& x, const AxisTaps& y) {
    if constexpr (Filter == TexelFilter::Point)
        return ReadTexelArgb(level, x.a, y.a);
    else
        return BilinearTexelArgb(level, x, y);
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

// Without an alpha test nothing before the depth test has an effect, so the simple draws test
// depth first (SimpleDepthPasses) and a hidden pixel samples nothing. The functions below
// shade a pixel that passed, sampling at the taps given (unused for filter None).
REF_PIXEL_INLINE bool SimpleDepthPasses(const DrawContext& ctx, const Target& t, int x, int y, float z) {
    return !ctx.depthTest || DepthTestAndWrite(ctx, t, x, y, z);
}

template <TexelFilter Filter, BlendKind Kind>
REF_PIXEL_INLINE void ShadeSimpleVisible(const DrawContext& ctx, const Target& t, const Fragment& f, const AxisTaps& tx,
                                         const AxisTaps& ty) {
    Color texel{1, 1, 1, 1};
    if constexpr (Filter != TexelFilter::None) texel = ColorFromArgb(SimpleTexelArgb<Filter>(*ctx.simple.level, tx, ty));
    Color c = SimpleProduct(ctx.simple, texel, f.Diffuse());
    ApplyFog(ctx, f, c);
    BlendAndWrite<Kind>(ctx, t, f.x, f.y, c);
}

// Samples at the fragment's coordinates of the first stage.
template <TexelFilter Filter, BlendKind Kind>
REF_PIXEL_INLINE void ShadeSimpleVisible(const DrawContext& ctx, const Target& t, const Fragment& f) {
    AxisTaps x, y;
    if constexpr (Filter != TexelFilter::None) {
        const SimpleShading& s = ctx.simple;
        x = SimpleTaps<Filter>(f.U(0), s.level->width, s.addressU);
        y = SimpleTaps<Filter>(f.V(0), s.level->height, s.addressV);
    }
    ShadeSimpleVisible<Filter, Kind>(ctx, t, f, x, y);
}

}  // namespace d3d8::ref
