// The order of the per-pixel stages, in one place: texture stages, alpha test, depth test
// and write, fog, blend and write (the depth test first when there is no alpha test).
// ShadePixel runs the general stages; the lane loops (lanes/kernel.h) take the same
// arithmetic for the draws that SimpleShading describes.
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

// The taps along one axis of a simple draw's level, for its filter (the same texels and
// weights SampleLevel reads).
template <TexelFilter Filter>
REF_PIXEL_INLINE AxisTaps SimpleTaps(float coord, UINT size, DWORD mode) {
    if constexpr (Filter == TexelFilter::Point)
        return PointTaps(coord, size, mode);
    else
        return LinearTaps(coord, size, mode);
}

}  // namespace d3d8::ref
