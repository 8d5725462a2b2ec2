// The simple draws' pixel loops for AVX2 processors: eight neighbouring pixels of a row at
// once, one channel (or one interpolated value) of the eight in each register. Every lane
// takes the operations the one-pixel loops (simple_spans.h) take for its pixel, in the same
// order, so the bytes are the same. That holds for the interpolation too: a value reaches
// the next pixel by adding its step once, so a lane reaches the same lane of the next block
// by adding it eight times, never by one addition of eight steps.
#pragma once

#include "platform/d3d8/ref/pixel_instructions.h"
#include "platform/d3d8/ref/simple_spans.h"

#if REF_AVX2_LOOPS && REF_COLOR_LANES
#define REF_WIDE_LOOPS 1

#include <immintrin.h>

#include <climits>

// Built into the AVX2 build of the loops (TriangleLoopAvx2, PointLoopAvx2) alone.
#define REF_WIDE_INLINE REF_PIXEL_INLINE __attribute__((target("avx2")))

namespace d3d8::ref {

namespace wide {

constexpr int kLanes = 8;

REF_WIDE_INLINE __m256 Splat(float v) { return _mm256_set1_ps(v); }
REF_WIDE_INLINE __m256i SplatInt(int v) { return _mm256_set1_epi32(v); }

// lanes::Saturate per lane (NaN kept).
REF_WIDE_INLINE __m256 Saturate(__m256 v) { return _mm256_max_ps(_mm256_setzero_ps(), _mm256_min_ps(Splat(1.0f), v)); }

REF_WIDE_INLINE __m256 Select(__m256 mask, __m256 ifSet, __m256 ifClear) {
    return _mm256_or_ps(_mm256_and_ps(mask, ifSet), _mm256_andnot_ps(mask, ifClear));
}

// All ones in the lanes whose magnitude is finite.
REF_WIDE_INLINE __m256 FiniteLanes(__m256 v) {
    const __m256 magnitude = _mm256_andnot_ps(Splat(-0.0f), v);
    return _mm256_cmp_ps(magnitude, Splat(std::numeric_limits<float>::infinity()), _CMP_LT_OQ);
}

// Channel `Byte` (0 blue, 1 green, 2 red, 3 alpha) of ARGB words, as lanes::UnitFromBytes.
template <int Byte>
REF_WIDE_INLINE __m256 UnitFromChannel(__m256i argb) {
    const __m256i byte = _mm256_and_si256(_mm256_srli_epi32(argb, 8 * Byte), SplatInt(0xff));
    return _mm256_mul_ps(_mm256_cvtepi32_ps(byte), Splat(1.0f / 255.0f));
}

// lanes::ToArgb's byte per lane (0..255, NaN giving 0).
REF_WIDE_INLINE __m256i ByteFromUnit(__m256 v) {
    const __m256 c = _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), Splat(1.0f));
    return _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(c, Splat(255.0f)), Splat(0.5f)));
}

// The value at eight neighbouring pixels, from its value at the first and its step per pixel:
// lane j has the step added j times, one addition after another.
REF_WIDE_INLINE __m256 RunningLanes(float first, float step) {
    const __m256 s = Splat(step);
    __m256 v = Splat(first);
    v = _mm256_blend_ps(v, _mm256_add_ps(v, s), 0xfe);
    v = _mm256_blend_ps(v, _mm256_add_ps(v, s), 0xfc);
    v = _mm256_blend_ps(v, _mm256_add_ps(v, s), 0xf8);
    v = _mm256_blend_ps(v, _mm256_add_ps(v, s), 0xf0);
    v = _mm256_blend_ps(v, _mm256_add_ps(v, s), 0xe0);
    v = _mm256_blend_ps(v, _mm256_add_ps(v, s), 0xc0);
    return _mm256_blend_ps(v, _mm256_add_ps(v, s), 0x80);
}

// Moves running values on to the next eight pixels.
REF_WIDE_INLINE __m256 NextLanes(__m256 v, __m256 step) {
#pragma GCC unroll 8
    for (int i = 0; i < kLanes; ++i) v = _mm256_add_ps(v, step);
    return v;
}

// All ones in the first `count` lanes.
REF_WIDE_INLINE __m256i FirstLanes(int count) {
    return _mm256_cmpgt_epi32(SplatInt(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// ComparePasses per lane: all ones where z passes against the stored depth.
REF_WIDE_INLINE __m256i DepthCompare(DWORD func, __m256 z, __m256 stored) {
    __m256 pass;
    switch (func) {
    case D3DCMP_NEVER: pass = _mm256_setzero_ps(); break;
    case D3DCMP_LESS: pass = _mm256_cmp_ps(z, stored, _CMP_LT_OQ); break;
    case D3DCMP_EQUAL: pass = _mm256_cmp_ps(z, stored, _CMP_EQ_OQ); break;
    case D3DCMP_LESSEQUAL: pass = _mm256_cmp_ps(z, stored, _CMP_LE_OQ); break;
    case D3DCMP_GREATER: pass = _mm256_cmp_ps(z, stored, _CMP_GT_OQ); break;
    case D3DCMP_NOTEQUAL: pass = _mm256_cmp_ps(z, stored, _CMP_NEQ_UQ); break;
    case D3DCMP_GREATEREQUAL: pass = _mm256_cmp_ps(z, stored, _CMP_GE_OQ); break;
    default: return SplatInt(-1);
    }
    return _mm256_castps_si256(pass);
}

// LaneDepthPasses for the pixels of `pass` whose depths start at `depth`: the lanes that
// still pass.
REF_WIDE_INLINE __m256i DepthPasses(const LaneDraw& d, float* depth, __m256 z, __m256i pass) {
    if (!d.depthTest) return pass;
    if (d.depthFunc != D3DCMP_ALWAYS) pass = _mm256_and_si256(pass, DepthCompare(d.depthFunc, z, _mm256_maskload_ps(depth, pass)));
    if (d.depthWrite) _mm256_maskstore_ps(depth, pass, z);
    return pass;
}

// All ones in the lanes FloorToInt takes as numbers: strictly between -1e9 and 1e9.
REF_WIDE_INLINE __m256 InRange(__m256 v) {
    return _mm256_and_ps(_mm256_cmp_ps(v, Splat(-1e9f), _CMP_GT_OQ), _mm256_cmp_ps(v, Splat(1e9f), _CMP_LT_OQ));
}

// FloorToInt per lane.
REF_WIDE_INLINE __m256i Floor(__m256 v) {
    const __m256 inRange = InRange(v);
    const __m256i truncated = _mm256_cvttps_epi32(v);
    const __m256 below = _mm256_cmp_ps(_mm256_cvtepi32_ps(truncated), v, _CMP_GT_OQ);  // all ones: one less
    return _mm256_and_si256(_mm256_add_epi32(truncated, _mm256_castps_si256(below)), _mm256_castps_si256(inRange));
}

// AddressTexel per lane for the modes the wide triangles take (WideAddressing).
REF_WIDE_INLINE __m256i Address(__m256i i, UINT size, DWORD mode) {
    const __m256i last = SplatInt(static_cast<int>(size) - 1);
    if (mode == D3DTADDRESS_CLAMP) return _mm256_min_epi32(_mm256_max_epi32(i, _mm256_setzero_si256()), last);
    return _mm256_and_si256(i, last);  // wrap on a power of two
}

inline bool WideAddressing(UINT size, DWORD mode) {
    return mode == D3DTADDRESS_CLAMP || (mode == D3DTADDRESS_WRAP && (size & (size - 1)) == 0);
}

// The taps of eight coordinates along one axis, as SimpleTaps finds them.
struct Taps {
    __m256i a, b, weight256;
    __m256 weight;  // linear taps: the second texel's weight, as AxisTaps::weight
};

template <TexelFilter Filter>
REF_WIDE_INLINE Taps TapsAlong(__m256 coord, UINT size, DWORD mode) {
    const __m256 texels = Splat(static_cast<float>(size));
    if constexpr (Filter == TexelFilter::Point) {
        return {Address(Floor(_mm256_mul_ps(coord, texels)), size, mode), _mm256_setzero_si256(), _mm256_setzero_si256(),
                _mm256_setzero_ps()};
    } else {
        const __m256 s = _mm256_sub_ps(_mm256_mul_ps(coord, texels), Splat(0.5f));
        const __m256i first = Floor(s);
        const __m256 weight = _mm256_and_ps(_mm256_sub_ps(s, _mm256_cvtepi32_ps(first)), InRange(s));
        const __m256i weight256 = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(weight, Splat(256.0f)), Splat(0.5f)));
        return {Address(first, size, mode), Address(_mm256_add_epi32(first, SplatInt(1)), size, mode), weight256, weight};
    }
}

// Words of `Bytes` bytes (zero-extended) at byte offsets from `base`. Eight loads are faster
// than a gather on the processors measured.
template <int Bytes>
REF_WIDE_INLINE __m256i LoadWords(const BYTE* base, __m256i offsets) {
    alignas(32) int at[kLanes];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), offsets);
    const auto word = [&](int i) {
        if constexpr (Bytes == 4) {
            int w;
            std::memcpy(&w, base + at[i], 4);
            return w;
        } else {
            std::uint16_t w;
            std::memcpy(&w, base + at[i], 2);
            return static_cast<int>(w);
        }
    };
    return _mm256_setr_epi32(word(0), word(1), word(2), word(3), word(4), word(5), word(6), word(7));
}

// WidenChannel per lane for the channel of `Bits` bits at bit `Shift`.
template <int Bits, int Shift>
REF_WIDE_INLINE __m256i WidenChannel(__m256i w) {
    const __m256i c = _mm256_and_si256(_mm256_srli_epi32(w, Shift), SplatInt((1 << Bits) - 1));
    return _mm256_or_si256(_mm256_slli_epi32(c, 8 - Bits), _mm256_srli_epi32(c, 2 * Bits - 8));
}

// ArgbFromR5G6B5 per lane.
REF_WIDE_INLINE __m256i ArgbFromR5G6B5(__m256i w) {
    const __m256i r = WidenChannel<5, 11>(w), g = WidenChannel<6, 5>(w), b = WidenChannel<5, 0>(w);
    return _mm256_or_si256(_mm256_or_si256(SplatInt(static_cast<int>(0xff000000u)), _mm256_slli_epi32(r, 16)),
                           _mm256_or_si256(_mm256_slli_epi32(g, 8), b));
}

// The level's texels (LaneTexel's ARGB) in eight columns of the rows at byte offsets `rows`.
REF_WIDE_INLINE __m256i Texels(const LaneLevel& l, __m256i column, __m256i rows) {
    if (l.r5g6b5) return ArgbFromR5G6B5(LoadWords<2>(l.texels, _mm256_add_epi32(rows, _mm256_slli_epi32(column, 1))));
    const __m256i c = LoadWords<4>(l.texels, _mm256_add_epi32(rows, _mm256_slli_epi32(column, 2)));
    return _mm256_or_si256(c, SplatInt(static_cast<int>(l.opaque)));
}

// (x * g + y * f + 128) >> 8 in 16-bit lanes.
REF_WIDE_INLINE __m256i Mix(__m256i x, __m256i y, __m256i f, __m256i g) {
    const __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(x, g), _mm256_mullo_epi16(y, f));
    return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(0x80)), 8);
}

// BilinearArgb's lerp of ARGB words per lane, two channels per 16-bit pair: every product and
// sum fits in 16 bits. `f` and `g` hold the weight and 256 minus it in both halves of a lane.
REF_WIDE_INLINE __m256i Lerp(__m256i a, __m256i b, __m256i f, __m256i g) {
    const __m256i low = SplatInt(0x00ff00ff);
    const __m256i blueRed = Mix(_mm256_and_si256(a, low), _mm256_and_si256(b, low), f, g);
    const __m256i greenAlpha = Mix(_mm256_srli_epi16(a, 8), _mm256_srli_epi16(b, 8), f, g);
    return _mm256_or_si256(blueRed, _mm256_slli_epi16(greenAlpha, 8));
}

// A weight in 0..256 per lane in both 16-bit halves.
REF_WIDE_INLINE __m256i Paired(__m256i w) { return _mm256_or_si256(w, _mm256_slli_epi32(w, 16)); }

REF_WIDE_INLINE __m256i Bilinear(__m256i c00, __m256i c10, __m256i c01, __m256i c11, __m256i wx, __m256i wy) {
    const __m256i fx = Paired(wx), gx = Paired(_mm256_sub_epi32(SplatInt(256), wx));
    const __m256i fy = Paired(wy), gy = Paired(_mm256_sub_epi32(SplatInt(256), wy));
    return Lerp(Lerp(c00, c10, fx, gx), Lerp(c01, c11, fx, gx), fy, gy);
}

// The level's texel (SampleLanes' bytes) at eight pixels, from their taps along x and
// the byte offsets of their rows ty.a and ty.b; `allZero` gets the lanes whose taps read only
// zero texels.
template <TexelFilter Filter>
REF_WIDE_INLINE __m256i SampleTexels(const LaneLevel& l, const Taps& x, __m256i top, __m256i bottom, __m256i weightY256,
                                     __m256i& allZero) {
    if constexpr (Filter == TexelFilter::Point) {
        const __m256i c = Texels(l, x.a, top);
        allZero = _mm256_cmpeq_epi32(c, _mm256_setzero_si256());
        return c;
    } else {
        const __m256i c00 = Texels(l, x.a, top), c10 = Texels(l, x.b, top);
        const __m256i c01 = Texels(l, x.a, bottom), c11 = Texels(l, x.b, bottom);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(c00, c10), _mm256_or_si256(c01, c11));
        allZero = _mm256_cmpeq_epi32(any, _mm256_setzero_si256());
        return Bilinear(c00, c10, c01, c11, x.weight256, weightY256);
    }
}

// The level's texel at eight coordinate pairs (SampleLanesAt's bytes).
template <TexelFilter Filter>
REF_WIDE_INLINE __m256i SampleAt(const LaneLevel& l, __m256 u, __m256 v, __m256i& allZero) {
    const Taps tx = TapsAlong<Filter>(u, l.wide, l.addressU), ty = TapsAlong<Filter>(v, l.high, l.addressV);
    const __m256i pitch = SplatInt(static_cast<int>(l.pitch));
    return SampleTexels<Filter>(l, tx, _mm256_mullo_epi32(ty.a, pitch), _mm256_mullo_epi32(ty.b, pitch), ty.weight256,
                                allZero);
}

// The bump stage in front of a triangle's texture stage, for the formats with signed bytes
// (V8U8, X8L8V8U8), addressed as Address does.
struct Bump {
    const BYTE* texels = nullptr;
    int pitch = 0;
    UINT wide = 0, high = 0;
    DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
    bool linear = false;         // the stage's magnification filter
    bool luminanceByte = false;  // X8L8V8U8: the third byte is the luminance; V8U8 reads 1
    bool luminance = false;      // BUMPENVMAPLUMINANCE
    float m00 = 0, m01 = 0, m10 = 0, m11 = 0, lumScale = 0, lumOffset = 0;
};

// False when the bump stage is not one the wide loops take.
inline bool PrepareBump(const SimpleShading& s, Bump& b) {
    const TextureStage& st = *s.bump;
    const SurfaceData& l = *s.bumpLevel;
    if (l.format != D3DFMT_V8U8 && l.format != D3DFMT_X8L8V8U8) return false;
    if (!WideAddressing(l.width, st.addressU) || !WideAddressing(l.height, st.addressV)) return false;
    if (static_cast<long long>(l.pitch) * l.height > INT_MAX) return false;
    b.texels = l.bits;
    b.pitch = static_cast<int>(l.pitch);
    b.wide = l.width;
    b.high = l.height;
    b.addressU = st.addressU;
    b.addressV = st.addressV;
    b.linear = st.magFilter >= D3DTEXF_LINEAR;
    b.luminanceByte = l.format == D3DFMT_X8L8V8U8;
    b.luminance = s.bumpLuminance;
    b.m00 = st.bumpMat[0][0];
    b.m01 = st.bumpMat[0][1];
    b.m10 = st.bumpMat[1][0];
    b.m11 = st.bumpMat[1][1];
    b.lumScale = st.lumScale;
    b.lumOffset = st.lumOffset;
    return true;
}

// A bump texel's du, dv and luminance, as ReadBump gives them, in eight lanes.
struct BumpTexels {
    __m256 du, dv, luminance;
};

// SignedUnit of the signed byte at bit `Shift` of each word.
template <int Shift>
REF_WIDE_INLINE __m256 SignedUnitOfByte(__m256i w) {
    const __m256i code = _mm256_srai_epi32(_mm256_slli_epi32(w, 24 - Shift), 24);
    return _mm256_max_ps(_mm256_div_ps(_mm256_cvtepi32_ps(code), Splat(127.0f)), Splat(-1.0f));
}

REF_WIDE_INLINE BumpTexels BumpTexelsAt(const Bump& b, __m256i column, __m256i rows) {
    if (!b.luminanceByte) {
        const __m256i w = LoadWords<2>(b.texels, _mm256_add_epi32(rows, _mm256_slli_epi32(column, 1)));
        return {SignedUnitOfByte<0>(w), SignedUnitOfByte<8>(w), Splat(1.0f)};
    }
    const __m256i w = LoadWords<4>(b.texels, _mm256_add_epi32(rows, _mm256_slli_epi32(column, 2)));
    const __m256 luminance = _mm256_div_ps(_mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(w, 16), SplatInt(0xff))),
                                           Splat(255.0f));
    return {SignedUnitOfByte<0>(w), SignedUnitOfByte<8>(w), luminance};
}

// SampleLevel's mix of four values with weights ax, ay.
REF_WIDE_INLINE __m256 MixValues(__m256 c00, __m256 c10, __m256 c01, __m256 c11, __m256 ax, __m256 ay) {
    const __m256 top = _mm256_add_ps(c00, _mm256_mul_ps(_mm256_sub_ps(c10, c00), ax));
    const __m256 bottom = _mm256_add_ps(c01, _mm256_mul_ps(_mm256_sub_ps(c11, c01), ax));
    return _mm256_add_ps(top, _mm256_mul_ps(_mm256_sub_ps(bottom, top), ay));
}

// ApplyBump for eight pixels: the bump texel at (u0, v0) offsets (u, v); returns the
// luminance the texel colour is scaled by.
REF_WIDE_INLINE __m256 ApplyBump(const Bump& b, __m256 u0, __m256 v0, __m256& u, __m256& v) {
    const __m256i pitch = SplatInt(b.pitch);
    BumpTexels t;
    if (b.linear) {
        const Taps tx = TapsAlong<TexelFilter::Linear>(u0, b.wide, b.addressU);
        const Taps ty = TapsAlong<TexelFilter::Linear>(v0, b.high, b.addressV);
        const __m256i top = _mm256_mullo_epi32(ty.a, pitch), bottom = _mm256_mullo_epi32(ty.b, pitch);
        const BumpTexels c00 = BumpTexelsAt(b, tx.a, top), c10 = BumpTexelsAt(b, tx.b, top);
        const BumpTexels c01 = BumpTexelsAt(b, tx.a, bottom), c11 = BumpTexelsAt(b, tx.b, bottom);
        t.du = MixValues(c00.du, c10.du, c01.du, c11.du, tx.weight, ty.weight);
        t.dv = MixValues(c00.dv, c10.dv, c01.dv, c11.dv, tx.weight, ty.weight);
        t.luminance = MixValues(c00.luminance, c10.luminance, c01.luminance, c11.luminance, tx.weight, ty.weight);
    } else {
        const Taps tx = TapsAlong<TexelFilter::Point>(u0, b.wide, b.addressU);
        const Taps ty = TapsAlong<TexelFilter::Point>(v0, b.high, b.addressV);
        t = BumpTexelsAt(b, tx.a, _mm256_mullo_epi32(ty.a, pitch));
    }
    u = _mm256_add_ps(u, _mm256_add_ps(_mm256_mul_ps(Splat(b.m00), t.du), _mm256_mul_ps(Splat(b.m10), t.dv)));
    v = _mm256_add_ps(v, _mm256_add_ps(_mm256_mul_ps(Splat(b.m01), t.du), _mm256_mul_ps(Splat(b.m11), t.dv)));
    if (!b.luminance) return Splat(1.0f);
    return Saturate(_mm256_add_ps(_mm256_mul_ps(t.luminance, Splat(b.lumScale)), Splat(b.lumOffset)));
}

// The draw's per-channel choices as whole registers, channels in lane order b, g, r, a.
struct Channels {
    __m256 texture[4], current[4], fogColor[4];
};

REF_WIDE_INLINE Channels ChannelsOf(const LaneDraw& d) {
    alignas(16) float texture[4], current[4], fogColor[4];
    _mm_store_ps(texture, d.textureMask);
    _mm_store_ps(current, d.currentMask);
    _mm_store_ps(fogColor, d.fogColor);
    Channels c;
    for (int k = 0; k < 4; ++k) {
        c.texture[k] = Splat(texture[k]);
        c.current[k] = Splat(current[k]);
        c.fogColor[k] = Splat(fogColor[k]);
    }
    return c;
}

// ShadeLanes for the pixels of `pass` among the eight at `pixel`: `texel` their ARGB texels
// (read when Textured), `current` their current colour by channel, `fog` their fog factors
// (read when the draw has fog), `luminance` the bump stage's scale of the texel colour.
template <BlendKind Kind, bool Textured>
REF_WIDE_INLINE void Shade(const LaneDraw& d, const Channels& k, BYTE* pixel, __m256i pass, __m256i texel,
                           const __m256 (&current)[4], __m256 fog, __m256 luminance) {
    static_assert(Kind != BlendKind::General, "simple draws blend with a known kind");
    const __m256 one = Splat(1.0f);
    __m256 texelChannel[4] = {one, one, one, one};
    if constexpr (Textured) {
        texelChannel[0] = UnitFromChannel<0>(texel);
        texelChannel[1] = UnitFromChannel<1>(texel);
        texelChannel[2] = UnitFromChannel<2>(texel);
        texelChannel[3] = UnitFromChannel<3>(texel);
    }
    if (d.bumpLuminance)
        for (int i = 0; i < 3; ++i) texelChannel[i] = _mm256_mul_ps(texelChannel[i], luminance);
    __m256 c[4];
    for (int i = 0; i < 4; ++i)
        c[i] = d.addRgb && i < 3 ? Saturate(_mm256_add_ps(texelChannel[i], current[i]))
                                 : _mm256_mul_ps(Select(k.texture[i], texelChannel[i], one), Select(k.current[i], current[i], one));
    if (d.fog) {
        const __m256 rest = _mm256_sub_ps(one, fog);
        for (int i = 0; i < 3; ++i) c[i] = _mm256_add_ps(_mm256_mul_ps(fog, c[i]), _mm256_mul_ps(rest, k.fogColor[i]));
    }
    __m256i out[4];
    if constexpr (Kind == BlendKind::Replace) {
        for (int i = 0; i < 4; ++i) out[i] = ByteFromUnit(c[i]);
    } else {
        const __m256i opaque = SplatInt(static_cast<int>(d.colorOpaque));
        const __m256i old = _mm256_or_si256(_mm256_maskload_epi32(reinterpret_cast<const int*>(pixel), pass), opaque);
        const __m256 oldChannel[4] = {UnitFromChannel<0>(old), UnitFromChannel<1>(old), UnitFromChannel<2>(old),
                                      UnitFromChannel<3>(old)};
        __m256 sc[4];
        for (int i = 0; i < 4; ++i) sc[i] = Saturate(c[i]);
        const __m256 sa = sc[3];
        const __m256 fs = Kind == BlendKind::AddOne ? one : sa;
        const __m256 fd = Kind == BlendKind::SrcAlphaOver ? _mm256_sub_ps(one, sa) : one;
        for (int i = 0; i < 4; ++i)
            out[i] = ByteFromUnit(_mm256_add_ps(_mm256_mul_ps(sc[i], fs), _mm256_mul_ps(oldChannel[i], fd)));
    }
    const __m256i argb = _mm256_or_si256(_mm256_or_si256(out[0], _mm256_slli_epi32(out[1], 8)),
                                         _mm256_or_si256(_mm256_slli_epi32(out[2], 16), _mm256_slli_epi32(out[3], 24)));
    _mm256_maskstore_epi32(reinterpret_cast<int*>(pixel), pass, _mm256_or_si256(argb, SplatInt(static_cast<int>(d.colorOpaque))));
}

// The lanes of `pass` without those whose texels are all zero where that keeps the pixel
// (LaneDraw::zeroTexelKeepsPixel) and whose current colour and luminance are finite.
REF_WIDE_INLINE __m256i WithoutKeptPixels(const LaneDraw& d, __m256i pass, __m256i allZero, const __m256 (&current)[4],
                                          __m256 luminance) {
    if (!d.zeroTexelKeepsPixel) return pass;
    const __m256 finite = _mm256_and_ps(_mm256_and_ps(FiniteLanes(current[0]), FiniteLanes(current[1])),
                                        _mm256_and_ps(FiniteLanes(current[2]), FiniteLanes(current[3])));
    const __m256 kept = _mm256_and_ps(finite, FiniteLanes(luminance));
    return _mm256_andnot_si256(_mm256_and_si256(allZero, _mm256_castps_si256(kept)), pass);
}

// True when the level fits the wide loops: its texels' byte offsets fit in an int and, for
// triangles, its addressing is one Address takes.
inline bool WideLevel(const LaneLevel& l, bool triangle) {
    if (static_cast<long long>(l.pitch) * l.high > INT_MAX) return false;
    return !triangle || (WideAddressing(l.wide, l.addressU) && WideAddressing(l.high, l.addressV));
}

inline bool WideDrawable(const LaneDraw& d, bool triangle) {
    return (!d.texture.texels || WideLevel(d.texture, triangle)) && (!d.base.texels || WideLevel(d.base, triangle));
}

}  // namespace wide

// SimpleTriangleLanes eight pixels at a time, for draws the wide loops take (ChoosePixelLoops).
template <TexelFilter Filter, BlendKind Kind>
REF_WIDE_INLINE void WideTriangle(const DrawContext& ctx, const Target& t, const TriangleSetup& s) {
    using namespace wide;
    LaneDraw d;
    PrepareLaneDraw(ctx, t, d);
    Bump bump;
    if (d.bumpUAt >= 0) PrepareBump(ctx.simple, bump);
    const Channels k = ChannelsOf(d);
    const int n = ctx.interpolatedCount;
    __m256 step[kMaxLaneValues];
    for (int i = 0; i < n; ++i) step[i] = Splat(s.attrDx[i]);
    const __m256 qStep = Splat(s.q.dx), zStep = Splat(s.z.dx);
    __m256 flatCurrent[4];
    const float* flat = s.flat ? s.flatColors + kAttrDiffuse : nullptr;
    for (int i = 0; i < 4; ++i) flatCurrent[i] = Splat(flat ? flat[i == 3 ? 3 : 2 - i] : 0.0f);
    for (int y = t.rows.First(s.minY); y <= s.maxY; y = t.rows.Next(y)) {
        int xStart, xEnd;
        if (!RowSpan(s, y, xStart, xEnd)) continue;
        const float fy = static_cast<float>(y), fx0 = static_cast<float>(xStart);
        __m256 q = RunningLanes(s.q.At(fx0, fy), s.q.dx), z = RunningLanes(s.z.At(fx0, fy), s.z.dx);
        __m256 value[kMaxLaneValues];
        for (int i = 0; i < n; ++i) value[i] = RunningLanes(s.attr[ctx.interpolated[i]].At(fx0, fy), s.attrDx[i]);
        BYTE* colorRow = d.color + y * d.colorPitch;
        float* depthRow = d.depthTest ? reinterpret_cast<float*>(d.depth + y * d.depthPitch) : nullptr;
        for (int x = xStart; x <= xEnd; x += kLanes) {
            const __m256 zs = Saturate(z);
            __m256i pass = DepthPasses(d, depthRow ? depthRow + x : nullptr, zs, FirstLanes(xEnd - x + 1));
            if (!_mm256_testz_si256(pass, pass)) {
                const __m256 w = _mm256_div_ps(Splat(1.0f), q);
                __m256 a[kMaxLaneValues];
                for (int i = 0; i < n; ++i) a[i] = _mm256_mul_ps(value[i], w);
                __m256 current[4];  // the diffuse colour's r, g, b, a in lane order b, g, r, a
                for (int i = 0; i < 4; ++i) current[i] = d.diffuseAt >= 0 ? a[d.diffuseAt + (i == 3 ? 3 : 2 - i)] : flatCurrent[i];
                __m256 fog = _mm256_setzero_ps();
                if (d.fog) {
                    alignas(32) float depth[kLanes], vertex[kLanes], factor[kLanes];
                    _mm256_store_ps(depth, ctx.fogFromW ? w : zs);
                    _mm256_store_ps(vertex, d.fogAt >= 0 ? a[d.fogAt] : Splat(1.0f));
                    for (int i = 0; i < kLanes; ++i) PixelFogFactor(ctx, depth[i], vertex[i], factor[i]);
                    fog = _mm256_load_ps(factor);
                }
                __m256i texel = _mm256_setzero_si256();
                __m256 luminance = Splat(1.0f);
                if constexpr (Filter != TexelFilter::None) {
                    __m256i allZero;
                    if (d.baseUAt >= 0) {
                        const __m256i base = SampleAt<Filter>(d.base, a[d.baseUAt], a[d.baseUAt + 1], allZero);
                        current[0] = UnitFromChannel<0>(base);
                        current[1] = UnitFromChannel<1>(base);
                        current[2] = UnitFromChannel<2>(base);
                        current[3] = UnitFromChannel<3>(base);
                    }
                    __m256 u = a[d.uAt], v = a[d.uAt + 1];
                    if (d.bumpUAt >= 0) luminance = ApplyBump(bump, a[d.bumpUAt], a[d.bumpUAt + 1], u, v);
                    texel = SampleAt<Filter>(d.texture, u, v, allZero);
                    pass = WithoutKeptPixels(d, pass, allZero, current, luminance);
                }
                Shade<Kind, Filter != TexelFilter::None>(d, k, colorRow + 4 * static_cast<std::ptrdiff_t>(x), pass, texel,
                                                         current, fog, luminance);
            }
            q = NextLanes(q, qStep);
            z = NextLanes(z, zStep);
            for (int i = 0; i < n; ++i) value[i] = NextLanes(value[i], step[i]);
        }
    }
}

// SimpleSpriteLanes eight columns at a time, for sprites the wide loops take (ChoosePixelLoops).
template <TexelFilter Filter, BlendKind Kind>
REF_WIDE_INLINE void WideSprite(const DrawContext& ctx, const Target& t, const ScreenVertex& v) {
    using namespace wide;
    static_assert(Filter != TexelFilter::None, "sprites of the simple draws read a texture");
    LaneDraw d;
    PrepareLaneDraw(ctx, t, d);
    PointSquare sq;
    if (!SetupPoint(ctx, v, sq)) return;
    constexpr int kRun = 128;
    const Channels k = ChannelsOf(d);
    float attr[kAttrTex0] = {};  // the vertex attributes a fragment of the point carries
    std::copy(v.attr, v.attr + std::min(ctx.attrCount, kAttrTex0), attr);
    const float zs = Saturate(v.z);
    float fogFactor = 0;
    if (d.fog) PixelFogFactor(ctx, ctx.fogFromW ? 1.0f / v.q : zs, attr[kAttrFog], fogFactor);
    const __m256 z = Splat(zs), fog = Splat(fogFactor), one = Splat(1.0f);
    const __m256 diffuse[4] = {Splat(attr[kAttrDiffuse + 2]), Splat(attr[kAttrDiffuse + 1]), Splat(attr[kAttrDiffuse]),
                               Splat(attr[kAttrDiffuse + 3])};
    alignas(32) int columnA[kRun] = {}, columnB[kRun] = {}, columnWeight[kRun] = {};
    for (int x0 = sq.x0; x0 <= sq.x1; x0 += kRun) {
        const int n = std::min(kRun, sq.x1 - x0 + 1);
        for (int i = 0; i < n; ++i) {
            const AxisTaps c = SimpleTaps<Filter>((static_cast<float>(x0 + i) - sq.left) * sq.inv, d.texture.wide, d.texture.addressU);
            columnA[i] = c.a;
            columnB[i] = c.b;
            columnWeight[i] = static_cast<int>(c.weight256);
        }
        for (int y = t.rows.First(sq.y0); y <= sq.y1; y = t.rows.Next(y)) {
            const AxisTaps row = SimpleTaps<Filter>((static_cast<float>(y) - sq.top) * sq.inv, d.texture.high, d.texture.addressV);
            const __m256i top = SplatInt(static_cast<int>(row.a * d.texture.pitch));
            const __m256i bottom = SplatInt(static_cast<int>(row.b * d.texture.pitch));
            const __m256i weightY = SplatInt(static_cast<int>(row.weight256));
            BYTE* pixels = d.color + y * d.colorPitch + 4 * static_cast<std::ptrdiff_t>(x0);
            float* depths = d.depthTest ? reinterpret_cast<float*>(d.depth + y * d.depthPitch) + x0 : nullptr;
            for (int i = 0; i < n; i += kLanes) {
                __m256i pass = DepthPasses(d, depths ? depths + i : nullptr, z, FirstLanes(n - i));
                if (_mm256_testz_si256(pass, pass)) continue;
                const Taps columns{_mm256_load_si256(reinterpret_cast<const __m256i*>(columnA + i)),
                                   _mm256_load_si256(reinterpret_cast<const __m256i*>(columnB + i)),
                                   _mm256_load_si256(reinterpret_cast<const __m256i*>(columnWeight + i)),
                                   _mm256_setzero_ps()};
                __m256i allZero;
                const __m256i texel = SampleTexels<Filter>(d.texture, columns, top, bottom, weightY, allZero);
                pass = WithoutKeptPixels(d, pass, allZero, diffuse, one);
                Shade<Kind, true>(d, k, pixels + 4 * static_cast<std::ptrdiff_t>(i), pass, texel, diffuse, fog, one);
            }
        }
    }
}

}  // namespace d3d8::ref

#endif
