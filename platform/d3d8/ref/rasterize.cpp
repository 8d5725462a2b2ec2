#include "platform/d3d8/ref/rasterize.h"

#include "platform/d3d8/ref/pixel_pipeline.h"
#include "platform/d3d8/ref/simple_spans.h"
#include "platform/d3d8/ref/wide_spans.h"

#include <algorithm>
#include <cmath>

namespace d3d8::ref {

namespace {

// The pixel functions a loop can be built with: the general stages for a blend kind, or the
// simple shading for a texel filter and a blend kind. Shade's `depthTested`: the loop has
// already tested (and written) the fragment's depth.
template <BlendKind Kind>
struct GeneralShader {
    static constexpr bool kSimple = false;
    static constexpr BlendKind kKind = Kind;
    static constexpr TexelFilter kFilter = TexelFilter::None;
    static REF_PIXEL_INLINE void Shade(const DrawContext& ctx, const Target& t, const Fragment& f, bool depthTested) {
        ShadePixel<Kind>(ctx, t, f, depthTested);
    }
};
template <TexelFilter Filter, BlendKind Kind>
struct SimpleShader {
    static constexpr bool kSimple = true;
    static constexpr BlendKind kKind = Kind;
    static constexpr TexelFilter kFilter = Filter;
    static REF_PIXEL_INLINE void Shade(const DrawContext& ctx, const Target& t, const Fragment& f, bool depthTested) {
        if (depthTested || DepthPasses(ctx, t, f.x, f.y, f.z)) ShadeSimpleVisible<Filter, Kind>(ctx, t, f);
    }
};

template <BlendKind Kind, class Loop>
void WithShaderForKind(const DrawContext& ctx, PixelLoop chosen, Loop&& loop) {
    if (chosen == PixelLoop::General) return loop(GeneralShader<Kind>{});
    switch (ctx.simple.filter) {
    case TexelFilter::None: return loop(SimpleShader<TexelFilter::None, Kind>{});
    case TexelFilter::Point: return loop(SimpleShader<TexelFilter::Point, Kind>{});
    case TexelFilter::Linear: return loop(SimpleShader<TexelFilter::Linear, Kind>{});
    }
}

// Calls loop(shader) with the pixel function of the chosen loop as a type, so the pixel loop
// is built once per function.
template <class Loop>
void WithShader(const DrawContext& ctx, PixelLoop chosen, Loop&& loop) {
    using K = BlendKind;
    switch (ctx.blendKind) {
    case K::Replace: return WithShaderForKind<K::Replace>(ctx, chosen, loop);
    case K::AddOne: return WithShaderForKind<K::AddOne>(ctx, chosen, loop);
    case K::AddSrcAlpha: return WithShaderForKind<K::AddSrcAlpha>(ctx, chosen, loop);
    case K::SrcAlphaOver: return WithShaderForKind<K::SrcAlphaOver>(ctx, chosen, loop);
    default: return loop(GeneralShader<K::General>{});
    }
}

template <class Shader>
REF_PIXEL_INLINE void TriangleLoop(const DrawContext& ctx, const Target& t, const TriangleSetup& s) {
#if REF_COLOR_LANES
    if constexpr (Shader::kSimple) {
        if (ctx.loops.triangles == PixelLoop::Lanes) {
            LaneDraw d;
            PrepareLaneDraw(ctx, t, d);  // fits: ChoosePixelLoops chose this loop
            return SimpleTriangleLanes<Shader::kFilter, Shader::kKind>(ctx, d, t.rows, s);
        }
    }
#endif
    Fragment f;
    f.attr[kAttrFog] = 1;
    if (s.flat) std::copy(s.flatColors, s.flatColors + kAttrFog, f.attr);
    const int n = ctx.interpolatedCount;
    const int* list = ctx.interpolated;
    float value[kMaxAttrs];  // attribute * q along the current row
    // The simple draws have no alpha test, so they always take the depth test first.
    const bool depthFirst = Shader::kSimple || DepthTestedFirst(ctx);
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
            if constexpr (!Shader::kSimple) {
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
            }
            Shader::Shade(ctx, t, f, depthFirst);
        }
    }
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

namespace {

// A sprite of a simple draw: its texture coordinates depend on the column alone or on the
// row alone, so the taps of each are found once, columns in runs of kRun, and every pixel
// reads its texel from them.
template <TexelFilter Filter, BlendKind Kind>
REF_PIXEL_INLINE void SimpleSpriteSpans(const DrawContext& ctx, const Target& t, const PointSquare& sq,
                                        Fragment& f) {
    constexpr int kRun = 128;
    const SimpleShading& s = ctx.simple;
    const SurfaceData& level = *s.level;
    AxisTaps columns[kRun];
    for (int x0 = sq.x0; x0 <= sq.x1; x0 += kRun) {
        const int n = std::min(kRun, sq.x1 - x0 + 1);
        for (int i = 0; i < n; ++i)
            columns[i] = SimpleTaps<Filter>((static_cast<float>(x0 + i) - sq.left) * sq.inv, level.width, s.addressU);
        for (int y = t.rows.First(sq.y0); y <= sq.y1; y = t.rows.Next(y)) {
            const AxisTaps row = SimpleTaps<Filter>((static_cast<float>(y) - sq.top) * sq.inv, level.height, s.addressV);
            f.y = y;
            for (int i = 0; i < n; ++i) {
                f.x = x0 + i;
                if (DepthPasses(ctx, t, f.x, y, f.z))
                    ShadeSimpleVisible<Filter, Kind>(ctx, t, f, columns[i], row);
            }
        }
    }
}

template <class Shader>
REF_PIXEL_INLINE void PointLoop(const DrawContext& ctx, const Target& t, const ScreenVertex& v) {
    PointSquare sq;
    if (!SetupPoint(ctx, v, sq)) return;
    Fragment f;
    f.z = Saturate(v.z);
    f.fogDepth = ctx.fogFromW ? 1.0f / v.q : f.z;
    std::copy(v.attr, v.attr + ctx.attrCount, f.attr);
    if constexpr (Shader::kSimple && Shader::kFilter != TexelFilter::None) {
        if (ctx.pointSprite) {
#if REF_COLOR_LANES
            if (ctx.loops.points == PixelLoop::Lanes) {
                LaneDraw d;
                PrepareLaneDraw(ctx, t, d);  // fits: ChoosePixelLoops chose this loop
                return SimpleSpriteLanes<Shader::kFilter, Shader::kKind>(ctx, d, t.rows, sq, v);
            }
#endif
            return SimpleSpriteSpans<Shader::kFilter, Shader::kKind>(ctx, t, sq, f);
        }
    }
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
            Shader::Shade(ctx, t, f, false);
        }
    }
}

#if REF_AVX2_LOOPS
// The loops built for AVX2 processors: what they call inline is built into them again with
// AVX2; what stays a call runs its baseline build.
template <class Shader>
[[gnu::target("avx2")]] void TriangleLoopAvx2(const DrawContext& ctx, const Target& t, const TriangleSetup& s) {
#if REF_WIDE_LOOPS
    if constexpr (Shader::kSimple)
        if (ctx.loops.triangles == PixelLoop::Wide) return WideTriangle<Shader::kFilter, Shader::kKind>(ctx, t, s);
#endif
    TriangleLoop<Shader>(ctx, t, s);
}

template <class Shader>
[[gnu::target("avx2")]] void PointLoopAvx2(const DrawContext& ctx, const Target& t, const ScreenVertex& v) {
#if REF_WIDE_LOOPS
    if constexpr (Shader::kSimple && Shader::kFilter != TexelFilter::None)
        if (ctx.loops.points == PixelLoop::Wide) return WideSprite<Shader::kFilter, Shader::kKind>(ctx, t, v);
#endif
    PointLoop<Shader>(ctx, t, v);
}
#endif

}  // namespace

PixelInstructions WidestPixelInstructions() {
#if REF_AVX2_LOOPS
    if (__builtin_cpu_supports("avx2")) return PixelInstructions::Avx2;
#endif
    return PixelInstructions::Baseline;
}

void RasterizeTriangle(const DrawContext& ctx, const Target& t, const TriangleSetup& s) {
    WithShader(ctx, ctx.loops.triangles, [&](auto shader) {
#if REF_AVX2_LOOPS
        if (ctx.instructions == PixelInstructions::Avx2) return TriangleLoopAvx2<decltype(shader)>(ctx, t, s);
#endif
        TriangleLoop<decltype(shader)>(ctx, t, s);
    });
}

void RasterizePoint(const DrawContext& ctx, const Target& t, const ScreenVertex& v) {
    WithShader(ctx, ctx.loops.points, [&](auto shader) {
#if REF_AVX2_LOOPS
        if (ctx.instructions == PixelInstructions::Avx2) return PointLoopAvx2<decltype(shader)>(ctx, t, v);
#endif
        PointLoop<decltype(shader)>(ctx, t, v);
    });
}

}  // namespace d3d8::ref
