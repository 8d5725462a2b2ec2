// The order of the per-pixel stages, in one place: texture stages, alpha test, depth test
// and write, fog, blend and write.
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

}  // namespace d3d8::ref
