#include "platform/d3d8/ref/rasterize.h"

#include "platform/d3d8/ref/lanes/lane_loops.h"
#include "platform/d3d8/ref/pixel_pipeline.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace d3d8::ref {

namespace {

// Calls loop(kind) with the draw's blend kind as a type, so the general loop is built once
// per kind.
template <class Loop>
void WithBlendKind(const DrawContext& ctx, Loop&& loop) {
    using K = BlendKind;
    switch (ctx.blendKind) {
    case K::Replace: return loop(std::integral_constant<K, K::Replace>{});
    case K::AddOne: return loop(std::integral_constant<K, K::AddOne>{});
    case K::AddSrcAlpha: return loop(std::integral_constant<K, K::AddSrcAlpha>{});
    case K::SrcAlphaOver: return loop(std::integral_constant<K, K::SrcAlphaOver>{});
    default: return loop(std::integral_constant<K, K::General>{});
    }
}

template <BlendKind Kind>
REF_PIXEL_INLINE void TriangleLoop(const DrawContext& ctx, const Target& t, const TriangleSetup& s) {
    Fragment f;
    f.attr[kAttrFog] = 1;
    if (s.flat) std::copy(s.flatColors, s.flatColors + kAttrFog, f.attr);
    const int n = ctx.interpolatedCount;
    const int* list = ctx.interpolated;
    float value[kMaxAttrs];  // attribute * q along the current row
    const bool depthFirst = DepthTestedFirst(ctx);
    for (int y = t.rows.First(s.minY); y <= s.maxY; y = t.rows.Next(y)) {
        int xStart, xEnd;
        if (!RowSpan(s, y, xStart, xEnd)) continue;
        const float fy = static_cast<float>(y);
        const float fx0 = static_cast<float>(xStart);
        float q = s.q.At(fx0, fy), z = s.z.At(fx0, fy);
        for (int k = 0; k < n; ++k) value[k] = s.attr[list[k]].At(fx0, fy);
        for (int x = xStart; x <= xEnd; ++x, q += s.q.dx, z += s.z.dx) {
            f.x = x;
            f.y = y;
            f.z = Saturate(z);
            if (depthFirst && !DepthPasses(ctx, t, x, y, f.z)) {
                for (int k = 0; k < n; ++k) value[k] += s.attrDx[k];
                continue;
            }
            const float w = 1.0f / q;
            f.fogDepth = ctx.fogFromW ? w : f.z;
            for (int k = 0; k < n; ++k) {
                f.attr[list[k]] = value[k] * w;
                value[k] += s.attrDx[k];
            }
            for (UINT st = 0; st < ctx.stageCount; ++st) {
                if (!ctx.stages[st].needsDerivatives) continue;
                const Plane& pu = s.attr[kAttrTex0 + 2 * st];
                const Plane& pv = s.attr[kAttrTex0 + 2 * st + 1];
                const float u = f.U(st), v = f.V(st);
                f.dudx[st] = (pu.dx - u * s.q.dx) * w;
                f.dudy[st] = (pu.dy - u * s.q.dy) * w;
                f.dvdx[st] = (pv.dx - v * s.q.dx) * w;
                f.dvdy[st] = (pv.dy - v * s.q.dy) * w;
            }
            ShadePixel<Kind>(ctx, t, f, depthFirst);
        }
    }
}

template <BlendKind Kind>
REF_PIXEL_INLINE void PointLoop(const DrawContext& ctx, const Target& t, const ScreenVertex& v) {
    PointSquare sq;
    if (!SetupPoint(ctx, v, sq)) return;
    Fragment f;
    f.z = Saturate(v.z);
    f.fogDepth = ctx.fogFromW ? 1.0f / v.q : f.z;
    std::copy(v.attr, v.attr + ctx.attrCount, f.attr);
    if (ctx.pointSprite)
        for (UINT s = 0; s < ctx.stageCount; ++s) {
            f.dudx[s] = f.dvdy[s] = sq.inv;
            f.dudy[s] = f.dvdx[s] = 0;
        }
    for (int y = t.rows.First(sq.y0); y <= sq.y1; y = t.rows.Next(y)) {
        for (int x = sq.x0; x <= sq.x1; ++x) {
            if (ctx.pointSprite)
                for (UINT s = 0; s < ctx.stageCount; ++s) {
                    f.attr[kAttrTex0 + 2 * s] = (static_cast<float>(x) - sq.left) * sq.inv;
                    f.attr[kAttrTex0 + 2 * s + 1] = (static_cast<float>(y) - sq.top) * sq.inv;
                }
            f.x = x;
            f.y = y;
            ShadePixel<Kind>(ctx, t, f);
        }
    }
}

#if REF_AVX2_LOOPS
// The general loops built for AVX2 processors: what they call inline is built into them again
// with AVX2; what stays a call runs its baseline build.
template <BlendKind Kind>
[[gnu::target("avx2")]] void TriangleLoopAvx2(const DrawContext& ctx, const Target& t, const TriangleSetup& s) {
    TriangleLoop<Kind>(ctx, t, s);
}

template <BlendKind Kind>
[[gnu::target("avx2")]] void PointLoopAvx2(const DrawContext& ctx, const Target& t, const ScreenVertex& v) {
    PointLoop<Kind>(ctx, t, v);
}
#endif

void GeneralTriangle(const DrawContext& ctx, const Target& t, const TriangleSetup& s) {
    WithBlendKind(ctx, [&](auto kind) {
#if REF_AVX2_LOOPS
        if (ctx.instructions >= PixelInstructions::Avx2) return TriangleLoopAvx2<decltype(kind)::value>(ctx, t, s);
#endif
        TriangleLoop<decltype(kind)::value>(ctx, t, s);
    });
}

void GeneralPoint(const DrawContext& ctx, const Target& t, const ScreenVertex& v) {
    WithBlendKind(ctx, [&](auto kind) {
#if REF_AVX2_LOOPS
        if (ctx.instructions >= PixelInstructions::Avx2) return PointLoopAvx2<decltype(kind)::value>(ctx, t, v);
#endif
        PointLoop<decltype(kind)::value>(ctx, t, v);
    });
}

}  // namespace

void RasterizeLine(const DrawContext& ctx, const Target& t, const ScreenVertex& a, const ScreenVertex& b,
                   const ScreenVertex* provoking) {
    const ScreenVertex& flat = provoking ? *provoking : a;
    const float dx = b.x - a.x, dy = b.y - a.y;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const float start = xMajor ? a.x : a.y, end = xMajor ? b.x : b.y;
    const float len = end - start;
    // Nothing to draw, or pre-transformed input far outside any target.
    constexpr float kLimit = 1 << 22;
    if (len == 0 || !(std::fabs(start) < kLimit && std::fabs(end) < kLimit)) return;
    const int dir = len > 0 ? 1 : -1;
    const long long first = static_cast<long long>(std::floor(start + 0.5f));
    const long long last = static_cast<long long>(std::floor(end + 0.5f));  // left out
    if (std::llabs(last - first) > (1 << 16)) return;  // far outside any target
    Fragment f;
    for (long long i = first; i != last; i += dir) {
        const float tt = std::clamp((static_cast<float>(i) - start) / len, 0.0f, 1.0f);
        const int x = static_cast<int>(xMajor ? i : static_cast<long long>(std::floor(a.x + dx * tt + 0.5f)));
        const int y = static_cast<int>(xMajor ? static_cast<long long>(std::floor(a.y + dy * tt + 0.5f)) : i);
        if (x < ctx.clipLeft || x >= ctx.clipRight || y < ctx.clipTop || y >= ctx.clipBottom || !t.rows.Owns(y))
            continue;
        const float q = a.q + (b.q - a.q) * tt;
        const float w = 1.0f / q;
        for (int k = 0; k < ctx.attrCount; ++k) {
            const bool flatColour = ctx.flatShading && k < kAttrFog;
            f.attr[k] = flatColour ? flat.attr[k] : (a.attr[k] * a.q + (b.attr[k] * b.q - a.attr[k] * a.q) * tt) * w;
        }
        f.x = x;
        f.y = y;
        f.z = Saturate(a.z + (b.z - a.z) * tt);
        f.fogDepth = ctx.fogFromW ? w : f.z;
        ShadePixel<BlendKind::General>(ctx, t, f);
    }
}

PixelInstructions WidestPixelInstructions() {
#if REF_LANES16
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq"))
        return PixelInstructions::Avx512;
#endif
#if REF_AVX2_LOOPS
    if (__builtin_cpu_supports("avx2")) return PixelInstructions::Avx2;
#endif
    return PixelInstructions::Baseline;
}

void RasterizeTriangle(const DrawContext& ctx, const Target& t, const TriangleSetup& s) {
    switch (ctx.loops.triangles) {
    case PixelLoop::General: return GeneralTriangle(ctx, t, s);
    case PixelLoop::Lanes1: return DrawLanesTriangle<1>(ctx, t.rows, s);
#if REF_LANES4
    case PixelLoop::Lanes4: return DrawLanesTriangle<4>(ctx, t.rows, s);
#endif
#if REF_LANES8
    case PixelLoop::Lanes8: return DrawLanesTriangle<8>(ctx, t.rows, s);
#endif
#if REF_LANES16
    case PixelLoop::Lanes16: return DrawLanesTriangle<16>(ctx, t.rows, s);
#endif
    default: return;  // not in this build: never chosen
    }
}

void RasterizePoint(const DrawContext& ctx, const Target& t, const ScreenVertex& v) {
    switch (ctx.loops.points) {
    case PixelLoop::General: return GeneralPoint(ctx, t, v);
    case PixelLoop::Lanes1: return DrawLanesSprite<1>(ctx, t.rows, v);
#if REF_LANES4
    case PixelLoop::Lanes4: return DrawLanesSprite<4>(ctx, t.rows, v);
#endif
#if REF_LANES8
    case PixelLoop::Lanes8: return DrawLanesSprite<8>(ctx, t.rows, v);
#endif
#if REF_LANES16
    case PixelLoop::Lanes16: return DrawLanesSprite<16>(ctx, t.rows, v);
#endif
    default: return;
    }
}

}  // namespace d3d8::ref
