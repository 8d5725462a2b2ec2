// The simple draws' pixel arithmetic (SimpleShading onto 32-bit targets, prepared as a
// LaneDraw), written once against a vector type of W lanes (lanes.h) and built for each width
// in lane_loops_<W>.cpp: W neighbouring pixels of a row at once, one channel (or one
// interpolated value) of the W pixels in each register. Every lane takes the operations the
// general pixel functions take for its pixel, in the same order, so every width draws the
// general loop's bytes. That holds for the interpolation too: a value reaches the next pixel
// by adding its step once, so a lane holds its row's first value with the step added once
// per pixel before it, one addition after another; a quicker way to those values (the ramps
// below) is taken only where one addition per lane proves it gives the same bits.
//
// Included only by the lane_loops_<W>.cpp files, everything here has internal linkage: the
// AVX2 file builds it for AVX2, and no copy of it may be shared with the baseline files.
#pragma once

#include "platform/d3d8/ref/fog.h"
#include "platform/d3d8/ref/lanes/lane_loops.h"
#include "platform/d3d8/ref/lanes/lanes.h"
#include "platform/d3d8/ref/pixel_pipeline.h"
#include "platform/d3d8/ref/setup.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace d3d8::ref {
namespace {

template <class L>
struct LaneKernel {
    using F = typename L::F;
    using I = typename L::I;
    static constexpr int kWidth = L::kWidth;

    // ---- Values --------------------------------------------------------------------------

    // Saturate per lane (NaN kept).
    static REF_PIXEL_INLINE F Saturate(F v) { return L::Max(L::Splat(0.0f), L::Min(L::Splat(1.0f), v)); }

    // All ones in the lanes whose magnitude is finite.
    static REF_PIXEL_INLINE I FiniteLanes(F v) {
        const F magnitude = L::FromBits(L::AndNot(L::Bits(L::Splat(-0.0f)), L::Bits(v)));
        return L::CmpLt(magnitude, L::Splat(std::numeric_limits<float>::infinity()));
    }

    // Channel `Byte` (0 blue, 1 green, 2 red, 3 alpha) of ARGB words, as ColorFromArgb reads it.
    template <int Byte>
    static REF_PIXEL_INLINE F UnitFromChannel(I argb) {
        return L::UnitFromByte(L::And(L::template ShiftRight<8 * Byte>(argb), L::SplatInt(0xff)));
    }

    // ByteFromUnit per lane (0..255, NaN giving 0).
    static REF_PIXEL_INLINE I ByteFromUnit(F v) {
        const F c = L::Min(L::Max(v, L::Splat(0.0f)), L::Splat(1.0f));
        return L::Trunc(L::Add(L::Mul(c, L::Splat(255.0f)), L::Splat(0.5f)));
    }

    // Running values advance in groups of kGroup, whose chains of additions overlap instead of
    // waiting on each other; the arrays hold whole groups (a group's unused values step by 0).
    static constexpr int kGroup = 8;
    static constexpr int kMaxValues = (kMaxLaneValues + 2 + kGroup - 1) / kGroup * kGroup;

    // The values at W neighbouring pixels from their values at the first and their steps per
    // pixel: lane j of value i has step[i] added j times, one addition after another. Only the
    // first `count` lanes are wanted (a short row): the others keep a value nobody reads.
    static REF_PIXEL_INLINE void Running(const float* first, const F* step, int values, int count, F* v) {
        const I lane = L::Iota();
        for (int g = 0; g < values; g += kGroup) {
            F a[kGroup];
#pragma GCC unroll 8
            for (int i = 0; i < kGroup; ++i) a[i] = L::Splat(first[g + i]);
#pragma GCC unroll 16
            for (int j = 1; j < kWidth && j < count; ++j) {
                const I later = L::CmpGtInt(lane, L::SplatInt(j - 1));
#pragma GCC unroll 8
                for (int i = 0; i < kGroup; ++i) a[i] = L::Select(later, L::Add(a[i], step[g + i]), a[i]);
            }
#pragma GCC unroll 8
            for (int i = 0; i < kGroup; ++i) v[g + i] = a[i];
        }
    }

    // Moves running values on to the next W pixels.
    static REF_PIXEL_INLINE void Next(F* v, const F* step, int values) {
        for (int g = 0; g < values; g += kGroup) {
            F a[kGroup];
#pragma GCC unroll 8
            for (int i = 0; i < kGroup; ++i) a[i] = v[g + i];
#pragma GCC unroll 16
            for (int j = 0; j < kWidth; ++j) {
#pragma GCC unroll 8
                for (int i = 0; i < kGroup; ++i) a[i] = L::Add(a[i], step[g + i]);
            }
#pragma GCC unroll 8
            for (int i = 0; i < kGroup; ++i) v[g + i] = a[i];
        }
    }

    // All ones in the first `count` lanes.
    static REF_PIXEL_INLINE I FirstLanes(int count) { return L::CmpGtInt(L::SplatInt(count), L::Iota()); }

    // From 8 lanes on, W additions per value and block cost more than proving a shortcut:
    // while every addition of a step rounds alike, the value k pixels after one of value b is
    // b + k * r, with r = (b + step) - b. A block takes its lanes from that ramp, and one
    // addition per lane proves them bit for bit: lane j plus the step is lane j + 1 (and the
    // last lane plus the step the next block's first). A block that fails the proof (its
    // values cross a power of two, or its first value rounds the step another way) adds its
    // steps up with Running, and the ramp starts again after it.
    static constexpr bool kRamps = kWidth >= 8;

    // The running values of a row at its current block.
    struct RowValues {
        float base[kMaxValues] = {};  // the values at the block's first pixel (a whole group)
        float stride[kMaxValues];     // W * r: from one block's base to the next one's
        F ramp[kMaxValues];           // lane j: j * r, but -0 in lane 0, so base + ramp is base there
        F ramp1[kMaxValues];          // lane j: (j + 1) * r
    };

    // The ramps of the values at row.base, with steps `step` per pixel.
    static REF_PIXEL_INLINE void StartRamps(RowValues& row, const float* step, int values) {
        const F lane = L::ToFloat(L::Iota()), nextLane = L::Add(lane, L::Splat(1.0f));
        const I laneZero = FirstLanes(1);
        for (int i = 0; i < values; ++i) {
            const float r = (row.base[i] + step[i]) - row.base[i];
            row.ramp[i] = L::Select(laneZero, L::Splat(-0.0f), L::Mul(lane, L::Splat(r)));
            row.ramp1[i] = L::Mul(nextLane, L::Splat(r));
            row.stride[i] = static_cast<float>(kWidth) * r;
        }
    }

    // The values of the block at row.base into v, whose first `count` lanes are wanted, and
    // row.base moved on to the next block (when the block is whole). `step` holds the steps
    // per pixel as numbers, `steps` the same in every lane.
    static REF_PIXEL_INLINE void RampBlock(RowValues& row, const float* step, const F* steps, int values, int count, F* v) {
        const I wanted = FirstLanes(count);
        I failed = L::SplatInt(0);
        for (int i = 0; i < values; ++i) {
            const F base = L::Splat(row.base[i]);
            v[i] = L::Add(base, row.ramp[i]);
            const I next = L::Bits(L::Add(base, row.ramp1[i]));
            failed = L::Or(failed, L::AndNot(L::CmpEqInt(L::Bits(L::Add(v[i], steps[i])), next), wanted));
        }
        if (!L::Any(failed)) {
            for (int i = 0; i < values; ++i) row.base[i] += row.stride[i];
            return;
        }
        Running(row.base, steps, values, count, v);
        if (count < kWidth) return;  // the row's last block
        alignas(64) float lanes[kWidth];
        for (int i = 0; i < values; ++i) {
            L::Store(lanes, v[i]);
            row.base[i] = lanes[kWidth - 1] + step[i];
        }
        StartRamps(row, step, values);
    }

    // ---- Depth ---------------------------------------------------------------------------

    // ComparePasses per lane: all ones where z passes against the stored depth.
    static REF_PIXEL_INLINE I DepthCompare(DWORD func, F z, F stored) {
        if (func == D3DCMP_LESSEQUAL) return L::CmpLe(z, stored);  // the usual depth test, without a jump
        switch (func) {
        case D3DCMP_NEVER: return L::SplatInt(0);
        case D3DCMP_LESS: return L::CmpLt(z, stored);
        case D3DCMP_EQUAL: return L::CmpEq(z, stored);
        case D3DCMP_LESSEQUAL: return L::CmpLe(z, stored);
        case D3DCMP_GREATER: return L::CmpGt(z, stored);
        case D3DCMP_NOTEQUAL: return L::CmpNeq(z, stored);
        case D3DCMP_GREATEREQUAL: return L::CmpGe(z, stored);
        default: return L::SplatInt(-1);
        }
    }

    // The depth test and write for the pixels of `pass` whose depths start at `depth`: the
    // lanes that still pass.
    static REF_PIXEL_INLINE I DepthPasses(const LaneDraw& d, float* depth, F z, I pass) {
        if (!d.depthTest) return pass;
        if (d.depthFunc != D3DCMP_ALWAYS) pass = L::And(pass, DepthCompare(d.depthFunc, z, L::MaskLoad(depth, pass)));
        if (d.depthWrite) L::MaskStore(depth, pass, z);
        return pass;
    }

    // ---- Texel addressing ----------------------------------------------------------------

    // All ones in the lanes FloorToInt takes as numbers: strictly between -1e9 and 1e9.
    static REF_PIXEL_INLINE I InRange(F v) { return L::And(L::CmpGt(v, L::Splat(-1e9f)), L::CmpLt(v, L::Splat(1e9f))); }

    // FloorToInt per lane.
    static REF_PIXEL_INLINE I Floor(F v) {
        const I inRange = InRange(v);
        const I truncated = L::Trunc(v);
        const I below = L::CmpGt(L::ToFloat(truncated), v);  // all ones: one less
        return L::And(L::AddInt(truncated, below), inRange);
    }

    // AddressTexel per lane: clamping and wrapping on a power of two in lanes, the other
    // modes a lane at a time.
    static REF_PIXEL_INLINE I Address(I i, UINT size, DWORD mode) {
        const I last = L::SplatInt(static_cast<int>(size) - 1);
        if (mode == D3DTADDRESS_CLAMP) return L::MinInt(L::MaxInt(i, L::SplatInt(0)), last);
        if (mode == D3DTADDRESS_WRAP && (size & (size - 1)) == 0) return L::And(i, last);
        alignas(64) int at[kWidth];
        L::StoreInt(at, i);
        for (int& a : at) a = AddressTexel(a, static_cast<int>(size), mode);
        return L::LoadInt(at);
    }

    // The taps of W coordinates along one axis, as SimpleTaps finds them.
    struct Taps {
        I a, b, weight256;
        F weight;  // linear taps: the second texel's weight, as AxisTaps::weight
    };

    template <TexelFilter Filter>
    static REF_PIXEL_INLINE Taps TapsAlong(F coord, UINT size, DWORD mode) {
        const F texels = L::Splat(static_cast<float>(size));
        if constexpr (Filter == TexelFilter::Point) {
            return {Address(Floor(L::Mul(coord, texels)), size, mode), L::SplatInt(0), L::SplatInt(0), L::Splat(0.0f)};
        } else {
            const F s = L::Sub(L::Mul(coord, texels), L::Splat(0.5f));
            const I first = Floor(s);
            const F weight = L::FromBits(L::And(L::Bits(L::Sub(s, L::ToFloat(first))), InRange(s)));
            const I weight256 = L::Trunc(L::Add(L::Mul(weight, L::Splat(256.0f)), L::Splat(0.5f)));
            return {Address(first, size, mode), Address(L::AddInt(first, L::SplatInt(1)), size, mode), weight256, weight};
        }
    }

    // ---- Texels --------------------------------------------------------------------------

    // WidenChannel per lane for the channel of `Bits` bits at bit `Shift`.
    template <int Bits, int Shift>
    static REF_PIXEL_INLINE I WidenChannel(I w) {
        const I c = L::And(L::template ShiftRight<Shift>(w), L::SplatInt((1 << Bits) - 1));
        return L::Or(L::template ShiftLeft<8 - Bits>(c), L::template ShiftRight<2 * Bits - 8>(c));
    }

    // ArgbFromR5G6B5 per lane.
    static REF_PIXEL_INLINE I ArgbFromR5G6B5(I w) {
        const I r = WidenChannel<5, 11>(w), g = WidenChannel<6, 5>(w), b = WidenChannel<5, 0>(w);
        return L::Or(L::Or(L::SplatInt(static_cast<int>(0xff000000u)), L::template ShiftLeft<16>(r)),
                     L::Or(L::template ShiftLeft<8>(g), b));
    }

    // The level's texels as ARGB (ReadTexelArgb) in the columns `column` of the rows at byte
    // offsets `rows`.
    static REF_PIXEL_INLINE I Texels(const LaneLevel& l, I column, I rows) {
        if (l.r5g6b5)
            return ArgbFromR5G6B5(L::template LoadWords<2>(l.texels, L::AddInt(rows, L::template ShiftLeft<1>(column))));
        const I c = L::template LoadWords<4>(l.texels, L::AddInt(rows, L::template ShiftLeft<2>(column)));
        return WithOpaque(l, c);
    }

    // 32-bit texels as ARGB: the level's opaque bits set (all ones in alpha for X8R8G8B8).
    static REF_PIXEL_INLINE I WithOpaque(const LaneLevel& l, I c) { return L::Or(c, L::SplatInt(static_cast<int>(l.opaque))); }

    // (x * g + y * f + 128) >> 8 in 16-bit pairs.
    static REF_PIXEL_INLINE I Mix(I x, I y, I f, I g) {
        const I sum = L::AddPairs(L::MulPairs(x, g), L::MulPairs(y, f));
        return L::template ShiftRightPairs<8>(L::AddPairs(sum, L::SplatInt(0x00800080)));
    }

    // BilinearArgb's lerp of ARGB words per lane, two channels per 16-bit pair: every product
    // and sum fits in 16 bits. `f` and `g` are the pair weights of the weight and 256 minus it.
    static REF_PIXEL_INLINE I Lerp(I a, I b, I f, I g) {
        const I low = L::SplatInt(0x00ff00ff);
        const I blueRed = Mix(L::And(a, low), L::And(b, low), f, g);
        const I greenAlpha = Mix(L::template ShiftRightPairs<8>(a), L::template ShiftRightPairs<8>(b), f, g);
        return L::Or(blueRed, L::template ShiftLeftPairs<8>(greenAlpha));
    }

    static REF_PIXEL_INLINE I Bilinear(I c00, I c10, I c01, I c11, I wx, I wy) {
        const I fx = L::PairWeight(wx), gx = L::PairWeight(L::SubInt(L::SplatInt(256), wx));
        const I fy = L::PairWeight(wy), gy = L::PairWeight(L::SubInt(L::SplatInt(256), wy));
        return Lerp(Lerp(c00, c10, fx, gx), Lerp(c01, c11, fx, gx), fy, gy);
    }

    // The level's texels (SimpleTexelArgb) from their taps along x and the byte offsets of
    // their rows ty.a and ty.b; `allZero` gets the lanes whose taps read only zero texels.
    template <TexelFilter Filter>
    static REF_PIXEL_INLINE I SampleTexels(const LaneLevel& l, const Taps& x, I top, I bottom, I weightY256, I& allZero) {
        if constexpr (Filter == TexelFilter::Point) {
            const I c = Texels(l, x.a, top);
            allZero = L::CmpEqInt(c, L::SplatInt(0));
            return c;
        } else {
            I c00, c10, c01, c11;
            if (!l.r5g6b5 && L::All(L::CmpEqInt(x.b, L::AddInt(x.a, L::SplatInt(1))))) {
                // Each row's two taps are neighbours: one eight-byte read for both.
                const I column = L::template ShiftLeft<2>(x.a);
                L::LoadWordPairs(l.texels, L::AddInt(top, column), c00, c10);
                L::LoadWordPairs(l.texels, L::AddInt(bottom, column), c01, c11);
                c00 = WithOpaque(l, c00), c10 = WithOpaque(l, c10);
                c01 = WithOpaque(l, c01), c11 = WithOpaque(l, c11);
            } else {
                c00 = Texels(l, x.a, top), c10 = Texels(l, x.b, top);
                c01 = Texels(l, x.a, bottom), c11 = Texels(l, x.b, bottom);
            }
            return Filtered(c00, c10, c01, c11, x.weight256, weightY256, allZero);
        }
    }

    // The bilinear mix of four texels per lane; `allZero` gets the lanes whose four are zero.
    static REF_PIXEL_INLINE I Filtered(I c00, I c10, I c01, I c11, I weightX256, I weightY256, I& allZero) {
        allZero = L::CmpEqInt(L::Or(L::Or(c00, c10), L::Or(c01, c11)), L::SplatInt(0));
        return Bilinear(c00, c10, c01, c11, weightX256, weightY256);
    }

    // Where the W columns of a block of a sprite's row lie within 2W - 1 neighbouring texels,
    // each taking its neighbour as second tap, the block reads both taps of a texel row from
    // that window (Lanes::LoadWindowPairs).
    struct Window {
        int first = -1;  // the window's first column; -1: the block reads a texel at a time
        int words = 0;   // its columns
    };

    // The window of the `count` columns a[i], b[i] (a block's lanes that draw), and their
    // indices in it; lanes past `count` read the window's first texel.
    static Window WindowOf(const LaneLevel& l, const int* a, const int* b, int count, int* index) {
        if (l.r5g6b5) return {};
        int lo = a[0], hi = a[0];
        for (int i = 0; i < count; ++i) {
            if (b[i] != a[i] + 1) return {};
            lo = std::min(lo, a[i]);
            hi = std::max(hi, a[i]);
        }
        if (hi - lo + 2 > 2 * kWidth) return {};
        for (int i = 0; i < kWidth; ++i) index[i] = i < count ? a[i] - lo : 0;
        return {lo, hi - lo + 2};
    }

    // The bilinear texels of a block whose columns lie in `window`, at the byte offsets
    // `top` and `bottom` of the taps' rows.
    static REF_PIXEL_INLINE I SampleWindow(const LaneLevel& l, Window window, I index, int top, int bottom, I weightX256,
                                           I weightY256, I& allZero) {
        const BYTE* first = l.texels + 4 * static_cast<std::ptrdiff_t>(window.first);
        I c00, c10, c01, c11;
        L::LoadWindowPairs(first + top, index, window.words, c00, c10);
        L::LoadWindowPairs(first + bottom, index, window.words, c01, c11);
        c00 = WithOpaque(l, c00), c10 = WithOpaque(l, c10);
        c01 = WithOpaque(l, c01), c11 = WithOpaque(l, c11);
        return Filtered(c00, c10, c01, c11, weightX256, weightY256, allZero);
    }

    // The level's texels at W coordinate pairs.
    template <TexelFilter Filter>
    static REF_PIXEL_INLINE I SampleAt(const LaneLevel& l, F u, F v, I& allZero) {
        const Taps tx = TapsAlong<Filter>(u, l.wide, l.addressU), ty = TapsAlong<Filter>(v, l.high, l.addressV);
        const I pitch = L::SplatInt(l.pitch);
        return SampleTexels<Filter>(l, tx, L::MulInt(ty.a, pitch), L::MulInt(ty.b, pitch), ty.weight256, allZero);
    }

    // ---- Bump stage ----------------------------------------------------------------------

    // A bump texel's du, dv and luminance, as ReadBump gives them.
    struct BumpTexels {
        F du, dv, luminance;
    };

    // SignedUnit of the signed byte at bit `Shift` of each word.
    template <int Shift>
    static REF_PIXEL_INLINE F SignedUnitOfByte(I w) {
        const I code = L::template ShiftRightArith<24>(L::template ShiftLeft<24 - Shift>(w));
        return L::Max(L::Div(L::ToFloat(code), L::Splat(127.0f)), L::Splat(-1.0f));
    }

    static REF_PIXEL_INLINE BumpTexels BumpTexelsAt(const LaneBump& b, I column, I rows) {
        if (!b.luminanceByte) {
            const I w = L::template LoadWords<2>(b.level.texels, L::AddInt(rows, L::template ShiftLeft<1>(column)));
            return {SignedUnitOfByte<0>(w), SignedUnitOfByte<8>(w), L::Splat(1.0f)};
        }
        const I w = L::template LoadWords<4>(b.level.texels, L::AddInt(rows, L::template ShiftLeft<2>(column)));
        const F luminance = L::Div(L::ToFloat(L::And(L::template ShiftRight<16>(w), L::SplatInt(0xff))), L::Splat(255.0f));
        return {SignedUnitOfByte<0>(w), SignedUnitOfByte<8>(w), luminance};
    }

    // SampleLevel's mix of four values with weights ax, ay.
    static REF_PIXEL_INLINE F MixValues(F c00, F c10, F c01, F c11, F ax, F ay) {
        const F top = L::Add(c00, L::Mul(L::Sub(c10, c00), ax));
        const F bottom = L::Add(c01, L::Mul(L::Sub(c11, c01), ax));
        return L::Add(top, L::Mul(L::Sub(bottom, top), ay));
    }

    // The bump texel at (u0, v0) offsets (u, v) by the stage's matrix, as CombineStages does;
    // returns the luminance the texel colour is scaled by.
    static REF_PIXEL_INLINE F ApplyBump(const LaneBump& b, F u0, F v0, F& u, F& v) {
        const LaneLevel& l = b.level;
        const I pitch = L::SplatInt(l.pitch);
        BumpTexels t;
        if (b.linear) {
            const Taps tx = TapsAlong<TexelFilter::Linear>(u0, l.wide, l.addressU);
            const Taps ty = TapsAlong<TexelFilter::Linear>(v0, l.high, l.addressV);
            const I top = L::MulInt(ty.a, pitch), bottom = L::MulInt(ty.b, pitch);
            const BumpTexels c00 = BumpTexelsAt(b, tx.a, top), c10 = BumpTexelsAt(b, tx.b, top);
            const BumpTexels c01 = BumpTexelsAt(b, tx.a, bottom), c11 = BumpTexelsAt(b, tx.b, bottom);
            t.du = MixValues(c00.du, c10.du, c01.du, c11.du, tx.weight, ty.weight);
            t.dv = MixValues(c00.dv, c10.dv, c01.dv, c11.dv, tx.weight, ty.weight);
            t.luminance = MixValues(c00.luminance, c10.luminance, c01.luminance, c11.luminance, tx.weight, ty.weight);
        } else {
            const Taps tx = TapsAlong<TexelFilter::Point>(u0, l.wide, l.addressU);
            const Taps ty = TapsAlong<TexelFilter::Point>(v0, l.high, l.addressV);
            t = BumpTexelsAt(b, tx.a, L::MulInt(ty.a, pitch));
        }
        u = L::Add(u, L::Add(L::Mul(L::Splat(b.m00), t.du), L::Mul(L::Splat(b.m10), t.dv)));
        v = L::Add(v, L::Add(L::Mul(L::Splat(b.m01), t.du), L::Mul(L::Splat(b.m11), t.dv)));
        if (!b.luminance) return L::Splat(1.0f);
        return Saturate(L::Add(L::Mul(t.luminance, L::Splat(b.lumScale)), L::Splat(b.lumOffset)));
    }

    // ---- Shading -------------------------------------------------------------------------

    // The draw's per-channel choices as whole registers, channels in the order b, g, r, a.
    struct Channels {
        I texture[4], current[4];
        F fogColor[4];
    };

    static REF_PIXEL_INLINE Channels ChannelsOf(const LaneDraw& d) {
        Channels c;
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            c.texture[k] = L::SplatInt(static_cast<int>(d.textureChannels[k]));
            c.current[k] = L::SplatInt(static_cast<int>(d.currentChannels[k]));
            c.fogColor[k] = L::Splat(d.fogColor[k]);
        }
        return c;
    }

    // The stage result, fog, blend and write for the pixels of `pass` among the W at `pixel`:
    // `texel` their ARGB texels (read when Textured), `current` their current colour by
    // channel, `fog` their fog factors (read when the draw has fog), `luminance` the bump
    // stage's scale of the texel colour.
    template <BlendKind Kind, bool Textured>
    static REF_PIXEL_INLINE void Shade(const LaneDraw& d, const Channels& k, BYTE* pixel, I pass, I texel,
                                       const F (&current)[4], F fog, F luminance) {
        static_assert(Kind != BlendKind::General, "simple draws blend with a known kind");
        const F one = L::Splat(1.0f);
        F texelChannel[4] = {one, one, one, one};
        if constexpr (Textured) {
            texelChannel[0] = UnitFromChannel<0>(texel);
            texelChannel[1] = UnitFromChannel<1>(texel);
            texelChannel[2] = UnitFromChannel<2>(texel);
            texelChannel[3] = UnitFromChannel<3>(texel);
        }
        if (d.bump.luminance) {
#pragma GCC unroll 4
            for (int i = 0; i < 3; ++i) texelChannel[i] = L::Mul(texelChannel[i], luminance);
        }
        F c[4];
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i)
            c[i] = d.addRgb && i < 3 ? Saturate(L::Add(texelChannel[i], current[i]))
                                     : L::Mul(L::Select(k.texture[i], texelChannel[i], one), L::Select(k.current[i], current[i], one));
        if (d.fog) {
            const F rest = L::Sub(one, fog);
#pragma GCC unroll 4
            for (int i = 0; i < 3; ++i) c[i] = L::Add(L::Mul(fog, c[i]), L::Mul(rest, k.fogColor[i]));
        }
        I out[4];
        if constexpr (Kind == BlendKind::Replace) {
#pragma GCC unroll 4
            for (int i = 0; i < 4; ++i) out[i] = ByteFromUnit(c[i]);
        } else {
            const I opaque = L::SplatInt(static_cast<int>(d.colorOpaque));
            const I old = L::Or(L::MaskLoadWords(pixel, pass), opaque);
            const F oldChannel[4] = {UnitFromChannel<0>(old), UnitFromChannel<1>(old), UnitFromChannel<2>(old),
                                     UnitFromChannel<3>(old)};
            F sc[4];
#pragma GCC unroll 4
            for (int i = 0; i < 4; ++i) sc[i] = Saturate(c[i]);
            const F sa = sc[3];
            const F fs = Kind == BlendKind::AddOne ? one : sa;
            const F fd = Kind == BlendKind::SrcAlphaOver ? L::Sub(one, sa) : one;
#pragma GCC unroll 4
            for (int i = 0; i < 4; ++i) out[i] = ByteFromUnit(L::Add(L::Mul(sc[i], fs), L::Mul(oldChannel[i], fd)));
        }
        const I argb = L::Or(L::Or(out[0], L::template ShiftLeft<8>(out[1])),
                             L::Or(L::template ShiftLeft<16>(out[2]), L::template ShiftLeft<24>(out[3])));
        L::MaskStoreWords(pixel, pass, L::Or(argb, L::SplatInt(static_cast<int>(d.colorOpaque))));
    }

    // The lanes of `pass` without those whose texels are all zero where that keeps the pixel
    // (LaneDraw::zeroTexelKeepsPixel) and whose current colour and luminance are finite.
    static REF_PIXEL_INLINE I WithoutKeptPixels(const LaneDraw& d, I pass, I allZero, const F (&current)[4], F luminance) {
        if (!d.zeroTexelKeepsPixel) return pass;
        const I finite = L::And(L::And(FiniteLanes(current[0]), FiniteLanes(current[1])),
                                L::And(FiniteLanes(current[2]), FiniteLanes(current[3])));
        const I kept = L::And(finite, FiniteLanes(luminance));
        return L::AndNot(L::And(allZero, kept), pass);
    }

    // The fog factors of W pixels at fog depths `depth` with vertex fog factors `vertex`.
    static REF_PIXEL_INLINE F FogFactors(const DrawContext& ctx, F depth, F vertex) {
        alignas(64) float depths[kWidth], vertices[kWidth], factors[kWidth] = {};
        L::Store(depths, depth);
        L::Store(vertices, vertex);
        for (int i = 0; i < kWidth; ++i) PixelFogFactor(ctx, depths[i], vertices[i], factors[i]);
        return L::Load(factors);
    }

    // ---- Loops ---------------------------------------------------------------------------

    // Asks for the cache lines of the `count` pixels at x of row y of the colour and depth
    // targets, a row before they are drawn: the rows of a small primitive lie scattered over
    // targets larger than the cache, where the processor cannot guess them.
    static REF_PIXEL_INLINE void Prefetch(const LaneDraw& d, int y, int x, int count) {
        const BYTE* color = d.color + y * d.colorPitch + 4 * static_cast<std::ptrdiff_t>(x);
        const BYTE* depth = d.depthTest ? d.depth + y * d.depthPitch + 4 * static_cast<std::ptrdiff_t>(x) : nullptr;
        for (int i = 0; i < count + 15; i += 16) {
            __builtin_prefetch(color + 4 * i, 1);
            if (depth) __builtin_prefetch(depth + 4 * i, 1);
        }
    }

    template <TexelFilter Filter, BlendKind Kind>
    static void Triangle(const DrawContext& ctx, const RowShare& rows, const TriangleSetup& s) {
        const LaneDraw& d = ctx.lanes;
        const Channels k = ChannelsOf(d);
        // The running values: the interpolated ones, then 1/w and depth.
        const int n = ctx.interpolatedCount, values = n + 2;
        const Plane* plane[kMaxValues];
        float step[kMaxValues];
        F steps[kMaxValues];
        for (int i = 0; i < n; ++i) plane[i] = &s.attr[ctx.interpolated[i]];
        plane[n] = &s.q;
        plane[n + 1] = &s.z;
        for (int i = 0; i < kMaxValues; ++i) {
            step[i] = i < values ? plane[i]->dx : 0.0f;
            steps[i] = L::Splat(step[i]);
        }
        F flatCurrent[4];
        const float* flat = s.flat ? s.flatColors + kAttrDiffuse : nullptr;
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i) flatCurrent[i] = L::Splat(flat ? flat[i == 3 ? 3 : 2 - i] : 0.0f);
        RowValues row;
        for (int y = rows.First(s.minY); y <= s.maxY; y = rows.Next(y)) {
            int xStart, xEnd;
            if (!RowSpan(s, y, xStart, xEnd)) continue;
            if (const int next = rows.Next(y); next <= s.maxY) Prefetch(d, next, xStart, xEnd - xStart + 1);
            const float fy = static_cast<float>(y), fx0 = static_cast<float>(xStart);
            const int count = xEnd - xStart + 1;
            for (int i = 0; i < values; ++i) row.base[i] = plane[i]->At(fx0, fy);
            if constexpr (kRamps) StartRamps(row, step, values);
            F value[kMaxValues];
            const F& q = value[n];
            const F& z = value[n + 1];
            BYTE* colorRow = d.color + y * d.colorPitch;
            float* depthRow = d.depthTest ? reinterpret_cast<float*>(d.depth + y * d.depthPitch) : nullptr;
            for (int x = xStart;;) {
                if constexpr (kRamps)
                    RampBlock(row, step, steps, values, xEnd - x + 1, value);
                else if (x == xStart)
                    Running(row.base, steps, values, count, value);
                else
                    Next(value, steps, values);
                const F zs = Saturate(z);
                I pass = DepthPasses(d, depthRow ? depthRow + x : nullptr, zs, FirstLanes(xEnd - x + 1));
                if (L::Any(pass)) {
                    const F w = L::Div(L::Splat(1.0f), q);
                    F a[kMaxLaneValues];
                    for (int i = 0; i < n; ++i) a[i] = L::Mul(value[i], w);
                    F current[4];  // the diffuse colour's r, g, b, a in the order b, g, r, a
#pragma GCC unroll 4
                    for (int i = 0; i < 4; ++i) current[i] = d.diffuseAt >= 0 ? a[d.diffuseAt + (i == 3 ? 3 : 2 - i)] : flatCurrent[i];
                    F fog = L::Splat(0.0f);
                    if (d.fog) fog = FogFactors(ctx, ctx.fogFromW ? w : zs, d.fogAt >= 0 ? a[d.fogAt] : L::Splat(1.0f));
                    I texel = L::SplatInt(0);
                    F luminance = L::Splat(1.0f);
                    if constexpr (Filter != TexelFilter::None) {
                        I allZero;
                        if (d.baseUAt >= 0) {
                            const I base = SampleAt<Filter>(d.base, a[d.baseUAt], a[d.baseUAt + 1], allZero);
                            current[0] = UnitFromChannel<0>(base);
                            current[1] = UnitFromChannel<1>(base);
                            current[2] = UnitFromChannel<2>(base);
                            current[3] = UnitFromChannel<3>(base);
                        }
                        F u = a[d.uAt], v = a[d.uAt + 1];
                        if (d.bumpUAt >= 0) luminance = ApplyBump(d.bump, a[d.bumpUAt], a[d.bumpUAt + 1], u, v);
                        texel = SampleAt<Filter>(d.texture, u, v, allZero);
                        pass = WithoutKeptPixels(d, pass, allZero, current, luminance);
                    }
                    if (L::Any(pass))  // not where the texture is clear
                        Shade<Kind, Filter != TexelFilter::None>(d, k, colorRow + 4 * static_cast<std::ptrdiff_t>(x), pass,
                                                                 texel, current, fog, luminance);
                }
                x += kWidth;
                if (x > xEnd) break;
            }
        }
    }

    // A sprite's colour, depth and fog are the vertex's; its texel taps are found once per
    // column (in runs) and once per row.
    template <TexelFilter Filter, BlendKind Kind>
    static void Sprite(const DrawContext& ctx, const RowShare& rows, const ScreenVertex& v) {
        constexpr bool kTextured = Filter != TexelFilter::None;
        const LaneDraw& d = ctx.lanes;
        PointSquare sq;
        if (!SetupPoint(ctx, v, sq)) return;
        constexpr int kRun = 128;
        const Channels k = ChannelsOf(d);
        float attr[kAttrTex0] = {};  // the vertex attributes a fragment of the point carries
        std::copy(v.attr, v.attr + std::min(ctx.attrCount, kAttrTex0), attr);
        const float zs = ref::Saturate(v.z);
        float fogFactor = 0;
        if (d.fog) PixelFogFactor(ctx, ctx.fogFromW ? 1.0f / v.q : zs, attr[kAttrFog], fogFactor);
        const F z = L::Splat(zs), fog = L::Splat(fogFactor), one = L::Splat(1.0f);
        const F diffuse[4] = {L::Splat(attr[kAttrDiffuse + 2]), L::Splat(attr[kAttrDiffuse + 1]), L::Splat(attr[kAttrDiffuse]),
                              L::Splat(attr[kAttrDiffuse + 3])};
        int columnA[kRun] = {}, columnB[kRun] = {}, columnWeight[kRun] = {}, windowIndex[kRun] = {};
        Window window[kRun / kWidth];
        for (int x0 = sq.x0; x0 <= sq.x1; x0 += kRun) {
            const int n = std::min(kRun, sq.x1 - x0 + 1);
            if constexpr (kTextured) {
                for (int i = 0; i < n; ++i) {
                    const AxisTaps c = SimpleTaps<Filter>((static_cast<float>(x0 + i) - sq.left) * sq.inv, d.texture.wide, d.texture.addressU);
                    columnA[i] = c.a;
                    columnB[i] = c.b;
                    columnWeight[i] = static_cast<int>(c.weight256);
                }
                if constexpr (Filter == TexelFilter::Linear)
                    for (int i = 0; i < n; i += kWidth)
                        window[i / kWidth] = WindowOf(d.texture, columnA + i, columnB + i, std::min(kWidth, n - i), windowIndex + i);
            }
            for (int y = rows.First(sq.y0); y <= sq.y1; y = rows.Next(y)) {
                if (const int next = rows.Next(y); next <= sq.y1) Prefetch(d, next, x0, n);
                AxisTaps row;
                if constexpr (kTextured) row = SimpleTaps<Filter>((static_cast<float>(y) - sq.top) * sq.inv, d.texture.high, d.texture.addressV);
                const int topOffset = row.a * d.texture.pitch, bottomOffset = row.b * d.texture.pitch;
                const I top = L::SplatInt(topOffset), bottom = L::SplatInt(bottomOffset);
                const I weightY = L::SplatInt(static_cast<int>(row.weight256));
                BYTE* pixels = d.color + y * d.colorPitch + 4 * static_cast<std::ptrdiff_t>(x0);
                float* depths = d.depthTest ? reinterpret_cast<float*>(d.depth + y * d.depthPitch) + x0 : nullptr;
                for (int i = 0; i < n; i += kWidth) {
                    I pass = DepthPasses(d, depths ? depths + i : nullptr, z, FirstLanes(n - i));
                    if (!L::Any(pass)) continue;
                    I texel = L::SplatInt(0);
                    if constexpr (kTextured) {
                        const I weightX = L::LoadInt(columnWeight + i);
                        I allZero;
                        if (Filter == TexelFilter::Linear && window[i / kWidth].first >= 0) {
                            texel = SampleWindow(d.texture, window[i / kWidth], L::LoadInt(windowIndex + i), topOffset, bottomOffset,
                                                 weightX, weightY, allZero);
                        } else {
                            const Taps columns{L::LoadInt(columnA + i), L::LoadInt(columnB + i), weightX, L::Splat(0.0f)};
                            texel = SampleTexels<Filter>(d.texture, columns, top, bottom, weightY, allZero);
                        }
                        pass = WithoutKeptPixels(d, pass, allZero, diffuse, one);
                        if (!L::Any(pass)) continue;  // a clear part of the sprite's texture
                    }
                    Shade<Kind, kTextured>(d, k, pixels + 4 * static_cast<std::ptrdiff_t>(i), pass, texel, diffuse, fog, one);
                }
            }
        }
    }
};

// Calls Loop::Run<Filter, Kind>(ctx, args...) for the draw's texel filter and blend kind.
template <class Loop, class... Args>
void WithFilterAndKind(const DrawContext& ctx, const Args&... args) {
    switch (ctx.simple.filter) {
    case TexelFilter::None: return Loop::template WithKind<TexelFilter::None>(ctx, args...);
    case TexelFilter::Point: return Loop::template WithKind<TexelFilter::Point>(ctx, args...);
    case TexelFilter::Linear: return Loop::template WithKind<TexelFilter::Linear>(ctx, args...);
    }
}

template <class Loop>
struct KindDispatch {
    template <TexelFilter Filter, class... Args>
    static void WithKind(const DrawContext& ctx, const Args&... args) {
        using K = BlendKind;
        switch (ctx.blendKind) {
        case K::Replace: return Loop::template Run<Filter, K::Replace>(ctx, args...);
        case K::AddOne: return Loop::template Run<Filter, K::AddOne>(ctx, args...);
        case K::AddSrcAlpha: return Loop::template Run<Filter, K::AddSrcAlpha>(ctx, args...);
        case K::SrcAlphaOver: return Loop::template Run<Filter, K::SrcAlphaOver>(ctx, args...);
        case K::General: return;  // never chosen for the lane loops
        }
    }
};

template <class L>
struct TriangleLoop : KindDispatch<TriangleLoop<L>> {
    template <TexelFilter Filter, BlendKind Kind>
    static void Run(const DrawContext& ctx, const RowShare& rows, const TriangleSetup& s) {
        LaneKernel<L>::template Triangle<Filter, Kind>(ctx, rows, s);
    }
};

template <class L>
struct SpriteLoop : KindDispatch<SpriteLoop<L>> {
    template <TexelFilter Filter, BlendKind Kind>
    static void Run(const DrawContext& ctx, const RowShare& rows, const ScreenVertex& v) {
        LaneKernel<L>::template Sprite<Filter, Kind>(ctx, rows, v);
    }
};

}  // namespace

template <int Width>
void DrawLanesTriangle(const DrawContext& ctx, const RowShare& rows, const TriangleSetup& s) {
    WithFilterAndKind<TriangleLoop<Lanes<Width>>>(ctx, rows, s);
}

template <int Width>
void DrawLanesSprite(const DrawContext& ctx, const RowShare& rows, const ScreenVertex& v) {
    WithFilterAndKind<SpriteLoop<Lanes<Width>>>(ctx, rows, v);
}

}  // namespace d3d8::ref
