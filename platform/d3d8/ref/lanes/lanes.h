// The vector types the simple draws' pixel kernel (kernel.h) is written against: Lanes<W>
// holds W pixels' values, one per lane, as F (floats) and I (32-bit integers, also masks:
// all ones or zero per lane). Every operation does per lane exactly what the x86 instruction
// of the same name does (min and max return the second operand when either is NaN, a float
// truncated out of range gives INT_MIN), so the kernel draws the same bytes at every width.
// The pair operations hold two 16-bit values per lane, within the limits they state.
//
// Lanes<1> is plain C++ and builds everywhere; Lanes<4> (lanes_sse2.h) and Lanes<8>
// (lanes_avx2.h) use SSE2 and AVX2.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

#include <climits>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Every operation is forced inline into the loop that uses it, built with that loop's
// instructions.
#if defined(__GNUC__)
#define REF_LANE_INLINE [[gnu::always_inline]] inline
#else
#define REF_LANE_INLINE inline
#endif

namespace d3d8::ref {

// The word of `Bytes` (2 or 4) bytes at p, zero-extended.
template <int Bytes>
REF_LANE_INLINE int LaneWord(const BYTE* p) {
    if constexpr (Bytes == 2) {
        std::uint16_t w;
        std::memcpy(&w, p, 2);
        return w;
    } else {
        int w;
        std::memcpy(&w, p, 4);
        return w;
    }
}

// The eight bytes at p.
REF_LANE_INLINE long long LanePair(const BYTE* p) {
    long long v;
    std::memcpy(&v, p, 8);
    return v;
}

template <int W>
struct Lanes;

template <>
struct Lanes<1> {
    using F = float;
    using I = std::int32_t;
    static constexpr int kWidth = 1;

    REF_LANE_INLINE static F Splat(float v) { return v; }
    REF_LANE_INLINE static I SplatInt(int v) { return v; }
    REF_LANE_INLINE static I Iota() { return 0; }
    REF_LANE_INLINE static F Load(const float* p) { return *p; }
    REF_LANE_INLINE static void Store(float* p, F v) { *p = v; }
    REF_LANE_INLINE static I LoadInt(const int* p) { return *p; }
    REF_LANE_INLINE static void StoreInt(int* p, I v) { *p = v; }

    REF_LANE_INLINE static I Bits(F v) {
        I i;
        std::memcpy(&i, &v, 4);
        return i;
    }
    REF_LANE_INLINE static F FromBits(I i) {
        F v;
        std::memcpy(&v, &i, 4);
        return v;
    }

    REF_LANE_INLINE static F Add(F a, F b) { return a + b; }
    REF_LANE_INLINE static F Sub(F a, F b) { return a - b; }
    REF_LANE_INLINE static F Mul(F a, F b) { return a * b; }
    REF_LANE_INLINE static F Div(F a, F b) { return a / b; }
    REF_LANE_INLINE static F Min(F a, F b) { return a < b ? a : b; }
    REF_LANE_INLINE static F Max(F a, F b) { return a > b ? a : b; }
    REF_LANE_INLINE static F Select(I mask, F ifSet, F ifClear) { return mask ? ifSet : ifClear; }

    REF_LANE_INLINE static I CmpLt(F a, F b) { return a < b ? -1 : 0; }
    REF_LANE_INLINE static I CmpLe(F a, F b) { return a <= b ? -1 : 0; }
    REF_LANE_INLINE static I CmpEq(F a, F b) { return a == b ? -1 : 0; }
    REF_LANE_INLINE static I CmpNeq(F a, F b) { return a != b ? -1 : 0; }  // true when unordered
    REF_LANE_INLINE static I CmpGt(F a, F b) { return a > b ? -1 : 0; }
    REF_LANE_INLINE static I CmpGe(F a, F b) { return a >= b ? -1 : 0; }

    REF_LANE_INLINE static F ToFloat(I i) { return static_cast<float>(i); }
    REF_LANE_INLINE static I Trunc(F v) {
#if defined(__SSE2__)
        return _mm_cvttss_si32(_mm_set_ss(v));
#else
        return v >= -2147483648.0f && v < 2147483648.0f ? static_cast<I>(v) : INT_MIN;
#endif
    }
    // byte * (1 / 255) for a byte (0..255): the table of those products.
    REF_LANE_INLINE static F UnitFromByte(I byte) { return kUnitFromByte.value[byte]; }

    REF_LANE_INLINE static I AddInt(I a, I b) { return static_cast<I>(U(a) + U(b)); }
    REF_LANE_INLINE static I SubInt(I a, I b) { return static_cast<I>(U(a) - U(b)); }
    REF_LANE_INLINE static I MulInt(I a, I b) { return static_cast<I>(U(a) * U(b)); }
    REF_LANE_INLINE static I MinInt(I a, I b) { return a < b ? a : b; }
    REF_LANE_INLINE static I MaxInt(I a, I b) { return a > b ? a : b; }
    REF_LANE_INLINE static I CmpGtInt(I a, I b) { return a > b ? -1 : 0; }
    REF_LANE_INLINE static I CmpEqInt(I a, I b) { return a == b ? -1 : 0; }
    REF_LANE_INLINE static I And(I a, I b) { return a & b; }
    REF_LANE_INLINE static I Or(I a, I b) { return a | b; }
    REF_LANE_INLINE static I AndNot(I a, I b) { return ~a & b; }
    template <int N>
    REF_LANE_INLINE static I ShiftLeft(I a) { return static_cast<I>(U(a) << N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRight(I a) { return static_cast<I>(U(a) >> N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRightArith(I a) { return a >> N; }

    // Pairs of 16-bit values in each lane, for arithmetic whose every product and sum fits in
    // 16 bits (the caller's promise): then no carry crosses from one half to the other, and
    // one 32-bit operation does both. PairWeight makes a weight (0..256) the multiplier of
    // both halves.
    REF_LANE_INLINE static I PairWeight(I w) { return w; }
    REF_LANE_INLINE static I MulPairs(I pairs, I weight) { return static_cast<I>(U(pairs) * U(weight)); }
    REF_LANE_INLINE static I AddPairs(I a, I b) { return static_cast<I>(U(a) + U(b)); }
    template <int N>
    REF_LANE_INLINE static I ShiftLeftPairs(I a) { return static_cast<I>((U(a) << N) & ((0xffffu << N) & 0xffffu) * 0x10001u); }
    template <int N>
    REF_LANE_INLINE static I ShiftRightPairs(I a) { return static_cast<I>((U(a) >> N) & (0xffffu >> N) * 0x10001u); }

    // The words of `Bytes` bytes (zero-extended) at byte offsets from `base`.
    template <int Bytes>
    REF_LANE_INLINE static I LoadWords(const BYTE* base, I offset) { return LaneWord<Bytes>(base + offset); }
    // The two 32-bit words one after the other at byte offsets from `base`.
    REF_LANE_INLINE static void LoadWordPairs(const BYTE* base, I offset, I& first, I& second) {
        first = LaneWord<4>(base + offset);
        second = LaneWord<4>(base + offset + 4);
    }
    // LoadWordPairs from a window of `words` (at most 2W) 32-bit words at `window`, at word
    // indices 0 <= index < words - 1: where the lanes' texels lie close together, two
    // contiguous reads and a permutation each instead of a read per lane.
    REF_LANE_INLINE static void LoadWindowPairs(const BYTE* window, I index, int, I& first, I& second) {
        LoadWordPairs(window, ShiftLeft<2>(index), first, second);
    }

    REF_LANE_INLINE static bool Any(I mask) { return mask != 0; }
    REF_LANE_INLINE static bool All(I mask) { return mask != 0; }
    REF_LANE_INLINE static F MaskLoad(const float* p, I mask) { return mask ? *p : 0.0f; }
    REF_LANE_INLINE static void MaskStore(float* p, I mask, F v) {
        if (mask) *p = v;
    }
    REF_LANE_INLINE static I MaskLoadWords(const unsigned char* p, I mask) { return mask ? LoadWord(p) : 0; }
    REF_LANE_INLINE static void MaskStoreWords(unsigned char* p, I mask, I v) {
        if (mask) std::memcpy(p, &v, 4);
    }

private:
    REF_LANE_INLINE static std::uint32_t U(I a) { return static_cast<std::uint32_t>(a); }
    REF_LANE_INLINE static I LoadWord(const unsigned char* p) {
        I v;
        std::memcpy(&v, p, 4);
        return v;
    }
};

}  // namespace d3d8::ref
