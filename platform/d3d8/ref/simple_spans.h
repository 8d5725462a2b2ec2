// The pixel loops of the simple draws (SimpleShading) onto 32-bit targets, reading a 32-bit
// texture or none: a pixel's four channels in one SSE2 register (color_lanes.h), and the
// draw's state read once into a LaneDraw, so the loops neither re-read the context after
// every pixel written nor choose a format per texel. Every value takes the operations of the
// general loops in the same order, so the bytes are the same.
#pragma once

#include "platform/d3d8/ref/color_lanes.h"

#if REF_COLOR_LANES

#include "platform/d3d8/ref/pixel_pipeline.h"
#include "platform/d3d8/ref/setup.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace d3d8::ref {

// A level the loops read: 32-bit ARGB (or XRGB) or R5G6B5 texels.
struct LaneLevel {
    const BYTE* texels = nullptr;
    std::ptrdiff_t pitch = 0;
    UINT wide = 0, high = 0;
    __m128 sizes = _mm_setzero_ps();  // wide, high, 0, 0 as floats
    DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
    DWORD opaque = 0;     // ORed into every 32-bit texel (X8R8G8B8)
    bool r5g6b5 = false;  // two bytes a texel, widened as ReadTexelArgb widens them
};

struct LaneDraw {
    __m128 textureMask, currentMask, fogColor;
    bool fog = false;
    bool depthTest = false, depthWrite = false;
    DWORD depthFunc = D3DCMP_ALWAYS;
    BYTE* color = nullptr;
    std::ptrdiff_t colorPitch = 0;
    DWORD colorOpaque = 0;  // ORed into every word written and read (X8R8G8B8)
    BYTE* depth = nullptr;
    std::ptrdiff_t depthPitch = 0;
    LaneLevel texture;  // when the texture stage reads a level
    LaneLevel base;     // when the current colour is a base stage's texel
    bool addRgb = false;
    bool bumpLuminance = false;
    // A texel whose four bytes are 0 leaves the pixel as it was: the texture gives all four
    // channels as factors of a product, nothing is added after (no fog) and the blend adds the
    // old pixel to 0 times the source alpha (not for Replace). Holds only while the current
    // colour and luminance are finite (0 times infinity is not 0).
    bool zeroTexelKeepsPixel = false;
    // Where the inputs sit among a triangle's interpolated values (DrawContext::interpolated),
    // -1 when not interpolated; v follows u. u is the texture stage's, baseU the base stage's,
    // bumpU the bump stage's.
    int diffuseAt = -1, fogAt = -1, uAt = -1, baseUAt = -1, bumpUAt = -1;
};

constexpr int kMaxLaneValues = 12;  // diffuse, fog and three stages' coordinates, padded to registers

inline bool IsArgb32(D3DFORMAT format) { return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8; }

// False when the level is not one the loops read.
inline bool PrepareLaneLevel(const SurfaceData& level, DWORD addressU, DWORD addressV, LaneLevel& l) {
    if (!IsArgb32(level.format) && level.format != D3DFMT_R5G6B5) return false;
    l.texels = level.bits;
    l.pitch = level.pitch;
    l.wide = level.width;
    l.high = level.height;
    l.sizes = _mm_setr_ps(static_cast<float>(l.wide), static_cast<float>(l.high), 0, 0);
    l.addressU = addressU;
    l.addressV = addressV;
    l.opaque = level.format == D3DFMT_X8R8G8B8 ? 0xff000000u : 0u;
    l.r5g6b5 = level.format == D3DFMT_R5G6B5;
    return true;
}

// The position of attribute `attr` among the draw's interpolated values, or -1.
inline int InterpolatedAt(const DrawContext& ctx, int attr) {
    const int* end = ctx.interpolated + ctx.interpolatedCount;
    const int* at = std::find(ctx.interpolated, end, attr);
    return at == end ? -1 : static_cast<int>(at - ctx.interpolated);
}

// False when the draw is not one these loops take.
inline bool PrepareLaneDraw(const DrawContext& ctx, const Target& t, LaneDraw& d) {
    const SimpleShading& s = ctx.simple;
    if (!IsArgb32(t.color->format) || ctx.interpolatedCount > kMaxLaneValues) return false;
    if (s.level && !PrepareLaneLevel(*s.level, s.addressU, s.addressV, d.texture)) return false;
    if (s.base && !PrepareLaneLevel(*s.baseLevel, s.base->addressU, s.base->addressV, d.base)) return false;
    const auto coordinatesAt = [&](UINT stage) { return InterpolatedAt(ctx, kAttrTex0 + 2 * static_cast<int>(stage)); };
    d.diffuseAt = InterpolatedAt(ctx, kAttrDiffuse);
    d.fogAt = InterpolatedAt(ctx, kAttrFog);
    if (s.level && (d.uAt = coordinatesAt(s.textureStage)) < 0) return false;
    if (s.base && (d.baseUAt = coordinatesAt(0)) < 0) return false;
    if (s.bump && (d.bumpUAt = coordinatesAt(s.textureStage - 1)) < 0) return false;
    d.textureMask = lanes::Mask(s.textureLanes);
    d.currentMask = lanes::Mask(s.currentLanes);
    d.fogColor = lanes::FromColor(ctx.fogColor);
    d.fog = ctx.fog != FogSource::None;
    d.depthTest = ctx.depthTest;
    d.depthWrite = ctx.depthWrite;
    d.depthFunc = ctx.depthFunc;
    d.color = t.color->bits;
    d.colorPitch = t.color->pitch;
    d.colorOpaque = t.color->format == D3DFMT_X8R8G8B8 ? 0xff000000u : 0u;
    if (t.depth) {
        d.depth = t.depth->bits;
        d.depthPitch = t.depth->pitch;
    }
    d.addRgb = s.addRgb;
    d.bumpLuminance = s.bumpLuminance;
    const bool allFromTexture = std::all_of(std::begin(s.textureLanes), std::end(s.textureLanes), [](std::uint32_t m) { return m != 0; });
    d.zeroTexelKeepsPixel = s.level && !d.texture.r5g6b5 && d.texture.opaque == 0 && allFromTexture && !s.addRgb &&
                            !d.fog && ctx.blendKind != BlendKind::Replace;
    return true;
}

// The texel in column x of the texel row starting at `row`, as ARGB.
REF_PIXEL_INLINE D3DCOLOR LaneTexel(const LaneLevel& l, const BYTE* row, int x) {
    if (l.r5g6b5) {
        WORD w;
        std::memcpy(&w, row + 2 * static_cast<std::ptrdiff_t>(x), 2);
        return ArgbFromR5G6B5(w);
    }
    DWORD c;
    std::memcpy(&c, row + 4 * static_cast<std::ptrdiff_t>(x), 4);
    return c | l.opaque;
}

REF_PIXEL_INLINE const BYTE* TexelRow(const LaneLevel& l, int y) { return l.texels + y * l.pitch; }

// The texel at the taps (rows `top` and `bottom` being the rows of ty.a and ty.b), in lanes;
// 1 everywhere for filter None.
template <TexelFilter Filter>
REF_PIXEL_INLINE __m128 SampleLanes(const LaneLevel& l, const AxisTaps& tx, const BYTE* top, const BYTE* bottom,
                                    unsigned weightY256) {
    using namespace lanes;
    if constexpr (Filter == TexelFilter::Point) {
        return FromArgb(LaneTexel(l, top, tx.a));
    } else if constexpr (Filter == TexelFilter::Linear) {
        return UnitFromBytes(BilinearBytes(LaneTexel(l, top, tx.a), LaneTexel(l, top, tx.b), LaneTexel(l, bottom, tx.a),
                                           LaneTexel(l, bottom, tx.b), tx.weight256, weightY256));
    } else {
        return Splat(1.0f);
    }
}

// True when every texel the taps read has all four bytes 0 (never for filter None).
template <TexelFilter Filter>
REF_PIXEL_INLINE bool TexelsAllZero(const LaneLevel& l, const AxisTaps& tx, const BYTE* top, const BYTE* bottom) {
    if constexpr (Filter == TexelFilter::None) {
        return false;
    } else if constexpr (Filter == TexelFilter::Point) {
        return LaneTexel(l, top, tx.a) == 0;
    } else {
        return (LaneTexel(l, top, tx.a) | LaneTexel(l, top, tx.b) | LaneTexel(l, bottom, tx.a) |
                LaneTexel(l, bottom, tx.b)) == 0;
    }
}

// LinearTaps for u and v at once, each lane taking the scalar operations; the addressing is the
// scalar one.
REF_PIXEL_INLINE void LinearTapsLanes(const LaneLevel& l, float u, float v, AxisTaps& tx, AxisTaps& ty) {
    using namespace lanes;
    const __m128 s = _mm_sub_ps(_mm_mul_ps(_mm_setr_ps(u, v, 0, 0), l.sizes), Splat(0.5f));
    const __m128 inRange = _mm_and_ps(_mm_cmpgt_ps(s, Splat(-1e9f)), _mm_cmplt_ps(s, Splat(1e9f)));
    const __m128i truncated = _mm_cvttps_epi32(s);
    const __m128 below = _mm_cmpgt_ps(_mm_cvtepi32_ps(truncated), s);  // all ones: one less
    const __m128i first = _mm_and_si128(_mm_add_epi32(truncated, _mm_castps_si128(below)), _mm_castps_si128(inRange));
    const __m128 weight = _mm_and_ps(_mm_sub_ps(s, _mm_cvtepi32_ps(first)), inRange);
    const __m128i weight256 = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(weight, Splat(256.0f)), Splat(0.5f)));
    alignas(16) int firsts[4], weights256[4];
    alignas(16) float weights[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(firsts), first);
    _mm_store_si128(reinterpret_cast<__m128i*>(weights256), weight256);
    _mm_store_ps(weights, weight);
    tx.first = firsts[0];
    tx.weight = weights[0];
    tx.weight256 = static_cast<unsigned>(weights256[0]);
    AddressLinearTaps(tx, l.wide, l.addressU);
    ty.first = firsts[1];
    ty.weight = weights[1];
    ty.weight256 = static_cast<unsigned>(weights256[1]);
    AddressLinearTaps(ty, l.high, l.addressV);
}

// The taps of (u, v) on the level, as SimpleTaps finds them.
template <TexelFilter Filter>
REF_PIXEL_INLINE void LaneTaps(const LaneLevel& l, float u, float v, AxisTaps& tx, AxisTaps& ty) {
    if constexpr (Filter == TexelFilter::Linear) {
        LinearTapsLanes(l, u, v, tx, ty);
    } else {
        tx = SimpleTaps<Filter>(u, l.wide, l.addressU);
        ty = SimpleTaps<Filter>(v, l.high, l.addressV);
    }
}

// The level's texel at (u, v), in lanes.
template <TexelFilter Filter>
REF_PIXEL_INLINE __m128 SampleLanesAt(const LaneLevel& l, float u, float v) {
    AxisTaps tx, ty;
    LaneTaps<Filter>(l, u, v, tx, ty);
    return SampleLanes<Filter>(l, tx, TexelRow(l, ty.a), TexelRow(l, ty.b), ty.weight256);
}

// DepthPasses for the pixel whose depth is at `depth` (null without a depth test).
REF_PIXEL_INLINE bool LaneDepthPasses(const LaneDraw& d, float* depth, float z) {
    if (!d.depthTest) return true;
    if (!ComparePasses<float>(d.depthFunc, z, *depth)) return false;
    if (d.depthWrite) *depth = z;
    return true;
}

// ShadeSimpleVisible for the pixel at `pixel`, given its texel (SampleLanes) and current
// colour in lanes, `fogFactor` read when the draw has fog, `luminance` when its bump stage
// scales the texel colour.
template <BlendKind Kind>
REF_PIXEL_INLINE void ShadeLanes(const LaneDraw& d, BYTE* pixel, __m128 texel, __m128 current, float fogFactor,
                                 float luminance = 1.0f) {
    using namespace lanes;
    static_assert(Kind != BlendKind::General, "simple draws blend with a known kind");
    const __m128 one = Splat(1.0f);
    if (d.bumpLuminance) texel = _mm_mul_ps(texel, _mm_setr_ps(luminance, luminance, luminance, 1.0f));
    __m128 c = _mm_mul_ps(Select(d.textureMask, texel, one), Select(d.currentMask, current, one));
    const __m128 rgb = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    if (d.addRgb) c = Select(rgb, Saturate(_mm_add_ps(texel, current)), c);
    if (d.fog) {
        const __m128 fogged = _mm_add_ps(_mm_mul_ps(Splat(fogFactor), c), _mm_mul_ps(Splat(1.0f - fogFactor), d.fogColor));
        c = Select(rgb, fogged, c);  // alpha is not fogged
    }
    D3DCOLOR out;
    if constexpr (Kind == BlendKind::Replace) {
        out = ToArgb(c);  // its clamp is Saturate's
    } else {
        const __m128 sc = Saturate(c);
        DWORD old;
        std::memcpy(&old, pixel, 4);
        const __m128 sa = AlphaEverywhere(sc);
        const __m128 fs = Kind == BlendKind::AddOne ? one : sa;
        const __m128 fd = Kind == BlendKind::SrcAlphaOver ? _mm_sub_ps(one, sa) : one;
        out = ToArgb(_mm_add_ps(_mm_mul_ps(sc, fs), _mm_mul_ps(FromArgb(old | d.colorOpaque), fd)));
    }
    out |= d.colorOpaque;
    std::memcpy(pixel, &out, 4);
}

// TriangleLoop for a simple draw.
template <TexelFilter Filter, BlendKind Kind>
REF_PIXEL_INLINE void SimpleTriangleLanes(const DrawContext& ctx, const LaneDraw& d, const RowShare& rows,
                                          const TriangleSetup& s) {
    using namespace lanes;
    alignas(16) float value[kMaxLaneValues] = {}, step[kMaxLaneValues] = {};  // attribute * q along the row, and its x step
    const int n = ctx.interpolatedCount;
    std::copy(s.attrDx, s.attrDx + n, step);
    float flat[4] = {};
    if (s.flat) std::copy(s.flatColors + kAttrDiffuse, s.flatColors + kAttrDiffuse + 4, flat);
    const __m128 flatDiffuse = FromRgba(flat);
    for (int y = rows.First(s.minY); y <= s.maxY; y = rows.Next(y)) {
        int xStart, xEnd;
        if (!RowSpan(s, y, xStart, xEnd)) continue;
        const float fy = static_cast<float>(y), fx0 = static_cast<float>(xStart);
        float q = s.q.At(fx0, fy), z = s.z.At(fx0, fy);
        for (int k = 0; k < n; ++k) value[k] = s.attr[ctx.interpolated[k]].At(fx0, fy);
        BYTE* colorRow = d.color + y * d.colorPitch;
        float* depthRow = d.depthTest ? reinterpret_cast<float*>(d.depth + y * d.depthPitch) : nullptr;
        __m128 v0 = _mm_load_ps(value), v1 = _mm_load_ps(value + 4), v2 = _mm_load_ps(value + 8);
        const __m128 s0 = _mm_load_ps(step), s1 = _mm_load_ps(step + 4), s2 = _mm_load_ps(step + 8);
        for (int x = xStart; x <= xEnd;
             ++x, q += s.q.dx, z += s.z.dx, v0 = _mm_add_ps(v0, s0), v1 = _mm_add_ps(v1, s1), v2 = _mm_add_ps(v2, s2)) {
            const float zs = Saturate(z);
            if (!LaneDepthPasses(d, depthRow ? depthRow + x : nullptr, zs)) continue;
            const float w = 1.0f / q;
            alignas(16) float a[kMaxLaneValues];
            _mm_store_ps(a, _mm_mul_ps(v0, Splat(w)));
            _mm_store_ps(a + 4, _mm_mul_ps(v1, Splat(w)));
            _mm_store_ps(a + 8, _mm_mul_ps(v2, Splat(w)));
            __m128 current = d.diffuseAt >= 0 ? FromRgba(a + d.diffuseAt) : flatDiffuse;
            float fog = 0;
            if (d.fog) PixelFogFactor(ctx, ctx.fogFromW ? w : zs, d.fogAt >= 0 ? a[d.fogAt] : 1.0f, fog);
            __m128 texel = Splat(1.0f);
            float luminance = 1.0f;
            if constexpr (Filter != TexelFilter::None) {
                if (d.baseUAt >= 0) current = SampleLanesAt<Filter>(d.base, a[d.baseUAt], a[d.baseUAt + 1]);
                float u = a[d.uAt], v = a[d.uAt + 1];
                if (d.bumpUAt >= 0) luminance = ApplyBump(ctx.simple, a[d.bumpUAt], a[d.bumpUAt + 1], u, v);
                AxisTaps tx, ty;
                LaneTaps<Filter>(d.texture, u, v, tx, ty);
                const BYTE *top = TexelRow(d.texture, ty.a), *bottom = TexelRow(d.texture, ty.b);
                if (d.zeroTexelKeepsPixel && TexelsAllZero<Filter>(d.texture, tx, top, bottom) && Finite(current) &&
                    std::isfinite(luminance))
                    continue;
                texel = SampleLanes<Filter>(d.texture, tx, top, bottom, ty.weight256);
            }
            ShadeLanes<Kind>(d, colorRow + 4 * static_cast<std::ptrdiff_t>(x), texel, current, fog, luminance);
        }
    }
}

// SimpleSpriteSpans for a 32-bit target and texture: the sprite's colour, depth and fog are
// the vertex's, the texel taps found once per column (in runs) and once per row.
template <TexelFilter Filter, BlendKind Kind>
REF_PIXEL_INLINE void SimpleSpriteLanes(const DrawContext& ctx, const LaneDraw& d, const RowShare& rows,
                                        const PointSquare& sq, const ScreenVertex& v) {
    constexpr int kRun = 128;
    float attr[kAttrTex0] = {};  // the vertex attributes a fragment of the point carries
    std::copy(v.attr, v.attr + std::min(ctx.attrCount, kAttrTex0), attr);
    const float z = Saturate(v.z);
    float fog = 0;
    if (d.fog) PixelFogFactor(ctx, ctx.fogFromW ? 1.0f / v.q : z, attr[kAttrFog], fog);
    const __m128 diffuse = lanes::FromRgba(attr + kAttrDiffuse);
    const bool zeroTexelKeepsPixel = d.zeroTexelKeepsPixel && lanes::Finite(diffuse);
    AxisTaps columns[kRun];
    for (int x0 = sq.x0; x0 <= sq.x1; x0 += kRun) {
        const int n = std::min(kRun, sq.x1 - x0 + 1);
        for (int i = 0; i < n; ++i)
            columns[i] = SimpleTaps<Filter>((static_cast<float>(x0 + i) - sq.left) * sq.inv, d.texture.wide, d.texture.addressU);
        for (int y = rows.First(sq.y0); y <= sq.y1; y = rows.Next(y)) {
            const AxisTaps row = SimpleTaps<Filter>((static_cast<float>(y) - sq.top) * sq.inv, d.texture.high, d.texture.addressV);
            const BYTE *top = TexelRow(d.texture, row.a), *bottom = TexelRow(d.texture, row.b);
            BYTE* pixel = d.color + y * d.colorPitch + 4 * static_cast<std::ptrdiff_t>(x0);
            float* depth = d.depthTest ? reinterpret_cast<float*>(d.depth + y * d.depthPitch) + x0 : nullptr;
            for (int i = 0; i < n; ++i, pixel += 4) {
                if (!LaneDepthPasses(d, depth ? depth + i : nullptr, z)) continue;
                if (zeroTexelKeepsPixel && TexelsAllZero<Filter>(d.texture, columns[i], top, bottom)) continue;
                ShadeLanes<Kind>(d, pixel, SampleLanes<Filter>(d.texture, columns[i], top, bottom, row.weight256), diffuse, fog);
            }
        }
    }
}

}  // namespace d3d8::ref

#endif
