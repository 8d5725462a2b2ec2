#include "platform/d3d8/ref/pixel_loop.h"

#include "platform/d3d8/ref/simple_spans.h"
#include "platform/d3d8/ref/wide_spans.h"

namespace d3d8::ref {

namespace {

enum class Primitive { Triangle, PointSprite };

// The widest loop that takes the simple draw's textures, bump stage and target.
PixelLoop FittingLoop(const DrawContext& ctx, const Target& target, Primitive primitive) {
#if REF_COLOR_LANES
    LaneDraw d;
    if (!PrepareLaneDraw(ctx, target, d)) return PixelLoop::Simple;
#if REF_WIDE_LOOPS
    const bool triangle = primitive == Primitive::Triangle;
    wide::Bump bump;
    const bool bumpFits = d.bumpUAt < 0 || wide::PrepareBump(ctx.simple, bump);
    if (ctx.instructions == PixelInstructions::Avx2 && wide::WideDrawable(d, triangle) && bumpFits)
        return PixelLoop::Wide;
#endif
    return PixelLoop::Lanes;
#else
    (void)ctx, (void)target, (void)primitive;
    return PixelLoop::Simple;
#endif
}

}  // namespace

PixelLoops ChoosePixelLoops(const DrawContext& ctx, const Target& target) {
    PixelLoops loops;
    if (!ctx.simple.usable || ctx.blendKind == BlendKind::General) return loops;
    loops.triangles = FittingLoop(ctx, target, Primitive::Triangle);
    // Points other than textured sprites shade their squares a pixel at a time.
    const bool sprite = ctx.pointSprite && ctx.simple.filter != TexelFilter::None;
    loops.points = sprite ? FittingLoop(ctx, target, Primitive::PointSprite) : PixelLoop::Simple;
    return loops;
}

const char* PixelLoopName(PixelLoop loop) {
    switch (loop) {
    case PixelLoop::General: return "general";
    case PixelLoop::Simple: return "simple";
    case PixelLoop::Lanes: return "lanes";
    case PixelLoop::Wide: return "wide";
    }
    return "?";
}

PixelLoop WidestSimpleLoop(PixelInstructions instructions) {
#if REF_WIDE_LOOPS
    if (instructions == PixelInstructions::Avx2) return PixelLoop::Wide;
#endif
#if REF_COLOR_LANES
    (void)instructions;
    return PixelLoop::Lanes;
#else
    (void)instructions;
    return PixelLoop::Simple;
#endif
}

}  // namespace d3d8::ref
