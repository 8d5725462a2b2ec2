// The order of the per-pixel stages, in one place: texture stages, alpha test, depth test
// and write, fog, blend and write (the depth test first when there is no alpha test).
// ShadePixel runs the general stages; ShadeSimpleVisible the draws that SimpleShading
// describes, with the same arithmetic.
#pragma once

#include "platform/d3d8/ref/alpha_test.h"
#include "platform/d3d8/ref/blend.h"
#include "platform/d3d8/ref/depth.h"
#include "platform/d3d8/ref/fog.h"
#include "platform/d3d8/ref/stage_combiner.h"

namespace d3d8::ref {

// The depth test and write, passing everything without a depth test.
REF_PIXEL_INLINE bool DepthPasses(const DrawContext& ctx, const Target& t, int x, int y, float z) {
    return !ctx.depthTest || DepthTestAndWrite(ctx, t, x, y, z);
}

// Without an alpha test nothing before the depth test has an effect, so such draws test
// depth first and a hidden pixel is neither interpolated nor sampled (a depth-tested mesh
// hides most of what it rasterizes behind its own nearer faces).
REF_PIXEL_INLINE bool DepthTestedFirst(const DrawContext& ctx) { return !ctx.alphaTest; }

// The general stages for a fragment. `depthTested`: the caller has already tested (and
// written) its depth, as it may for a draw without an alpha test.
template <BlendKind Kind>
REF_PIXEL_INLINE void ShadePixel(const DrawContext& ctx, const Target& t, const Fragment& f, bool depthTested = false) {
    const bool depthFirst = DepthTestedFirst(ctx);
    if (depthFirst && !depthTested && !DepthPasses(ctx, t, f.x, f.y, f.z)) return;
    Color c = CombineStages(ctx, f);
    if (!depthFirst && !(AlphaTestPasses(ctx, c.a) && DepthPasses(ctx, t, f.x, f.y, f.z))) return;
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

// The stage result: (texture or 1) * (current or 1), or for colour texture + current,
// saturated: what CombineStages gives for the simple draws, since a product with 1 is exact.
REF_PIXEL_INLINE Color SimpleResult(const SimpleShading& s, const Color& texel, const Color& current) {
    const float ta = s.textureAlpha ? texel.a : 1.0f, ca = s.currentAlpha ? current.a : 1.0f;
    if (s.addRgb) return {Saturate(texel.r + current.r), Saturate(texel.g + current.g), Saturate(texel.b + current.b), ta * ca};
    const float tr = s.textureRgb ? texel.r : 1.0f, tg = s.textureRgb ? texel.g : 1.0f;
    const float tb = s.textureRgb ? texel.b : 1.0f;
    const float cr = s.currentRgb ? current.r : 1.0f, cg = s.currentRgb ? current.g : 1.0f;
    const float cb = s.currentRgb ? current.b : 1.0f;
    return {tr * cr, tg * cg, tb * cb, ta * ca};
}

// The simple draws have no alpha test (DepthTestedFirst): the functions below shade a pixel
// that passed the depth test, sampling at the taps given (unused for filter None).

// Where a simple draw with a bump stage samples: the bump texel at the bump stage's (u0, v0)
// offsets (u, v), the texture stage's coordinates, by the stage's matrix, as CombineStages
// does. Returns the luminance the texel colour is scaled by (BUMPENVMAPLUMINANCE).
REF_PIXEL_INLINE float ApplyBump(const SimpleShading& s, float u0, float v0, float& u, float& v) {
    const TextureStage& b = *s.bump;
    const Color bump = SampleLevel(b, *s.bumpLevel, b.magFilter, u0, v0);
    const float du = bump.r, dv = bump.g;
    u += b.bumpMat[0][0] * du + b.bumpMat[1][0] * dv;
    v += b.bumpMat[0][1] * du + b.bumpMat[1][1] * dv;
    return s.bumpLuminance ? Saturate(bump.b * b.lumScale + b.lumOffset) : 1.0f;
}

// The fragment's texture coordinates of the simple draw's texture stage, after its bump
// stage if it has one; `luminance` is that stage's scale of the texel colour.
REF_PIXEL_INLINE void SimpleCoordinates(const SimpleShading& s, const Fragment& f, float& u, float& v, float& luminance) {
    u = f.U(s.textureStage);
    v = f.V(s.textureStage);
    if (s.bump) luminance = ApplyBump(s, f.U(s.textureStage - 1), f.V(s.textureStage - 1), u, v);
}

// The colour the simple draw's texture stage reads as current: its base stage's texel, or
// the diffuse colour.
template <TexelFilter Filter>
REF_PIXEL_INLINE Color SimpleCurrent(const SimpleShading& s, const Fragment& f) {
    if constexpr (Filter != TexelFilter::None) {
        if (s.base) {
            const AxisTaps x = SimpleTaps<Filter>(f.U(0), s.baseLevel->width, s.base->addressU);
            const AxisTaps y = SimpleTaps<Filter>(f.V(0), s.baseLevel->height, s.base->addressV);
            return ColorFromArgb(SimpleTexelArgb<Filter>(*s.baseLevel, x, y));
        }
    }
    return f.Diffuse();
}

template <TexelFilter Filter, BlendKind Kind>
REF_PIXEL_INLINE void ShadeSimpleVisible(const DrawContext& ctx, const Target& t, const Fragment& f, const AxisTaps& tx,
                                         const AxisTaps& ty, float luminance = 1.0f) {
    Color texel{1, 1, 1, 1};
    if constexpr (Filter != TexelFilter::None) texel = ColorFromArgb(SimpleTexelArgb<Filter>(*ctx.simple.level, tx, ty));
    if (ctx.simple.bumpLuminance) {
        texel.r *= luminance;
        texel.g *= luminance;
        texel.b *= luminance;
    }
    Color c = SimpleResult(ctx.simple, texel, SimpleCurrent<Filter>(ctx.simple, f));
    ApplyFog(ctx, f, c);
    BlendAndWrite<Kind>(ctx, t, f.x, f.y, c);
}

// Samples at the fragment's coordinates of the texture stage.
template <TexelFilter Filter, BlendKind Kind>
REF_PIXEL_INLINE void ShadeSimpleVisible(const DrawContext& ctx, const Target& t, const Fragment& f) {
    AxisTaps x, y;
    float luminance = 1.0f;
    if constexpr (Filter != TexelFilter::None) {
        const SimpleShading& s = ctx.simple;
        float u, v;
        SimpleCoordinates(s, f, u, v, luminance);
        x = SimpleTaps<Filter>(u, s.level->width, s.addressU);
        y = SimpleTaps<Filter>(v, s.level->height, s.addressV);
    }
    ShadeSimpleVisible<Filter, Kind>(ctx, t, f, x, y, luminance);
}

}  // namespace d3d8::ref
