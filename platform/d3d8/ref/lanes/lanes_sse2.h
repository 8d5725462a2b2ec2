// Lanes<4>: four pixels in SSE2 registers (every x86-64 processor has SSE2). The operations
// SSE2 lacks (32-bit products, minimum and maximum, masked loads and stores) are built from
// the ones it has, with the same result per lane.
#pragma once

#include "platform/d3d8/ref/lanes/lanes.h"

#include <emmintrin.h>

namespace d3d8::ref {

template <>
struct Lanes<4> {
    using F = __m128;
    using I = __m128i;
    static constexpr int kWidth = 4;

    REF_LANE_INLINE static F Splat(float v) { return _mm_set1_ps(v); }
    REF_LANE_INLINE static I SplatInt(int v) { return _mm_set1_epi32(v); }
    REF_LANE_INLINE static I Iota() { return _mm_setr_epi32(0, 1, 2, 3); }
    REF_LANE_INLINE static F Load(const float* p) { return _mm_loadu_ps(p); }
    REF_LANE_INLINE static void Store(float* p, F v) { _mm_storeu_ps(p, v); }
    REF_LANE_INLINE static I LoadInt(const int* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    REF_LANE_INLINE static void StoreInt(int* p, I v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    REF_LANE_INLINE static I Bits(F v) { return _mm_castps_si128(v); }
    REF_LANE_INLINE static F FromBits(I i) { return _mm_castsi128_ps(i); }

    REF_LANE_INLINE static F Add(F a, F b) { return _mm_add_ps(a, b); }
    REF_LANE_INLINE static F Sub(F a, F b) { return _mm_sub_ps(a, b); }
    REF_LANE_INLINE static F Mul(F a, F b) { return _mm_mul_ps(a, b); }
    REF_LANE_INLINE static F Div(F a, F b) { return _mm_div_ps(a, b); }
    REF_LANE_INLINE static F Min(F a, F b) { return _mm_min_ps(a, b); }
    REF_LANE_INLINE static F Max(F a, F b) { return _mm_max_ps(a, b); }
    REF_LANE_INLINE static F Select(I mask, F ifSet, F ifClear) {
        const F m = _mm_castsi128_ps(mask);
        return _mm_or_ps(_mm_and_ps(m, ifSet), _mm_andnot_ps(m, ifClear));
    }

    REF_LANE_INLINE static I CmpLt(F a, F b) { return Bits(_mm_cmplt_ps(a, b)); }
    REF_LANE_INLINE static I CmpLe(F a, F b) { return Bits(_mm_cmple_ps(a, b)); }
    REF_LANE_INLINE static I CmpEq(F a, F b) { return Bits(_mm_cmpeq_ps(a, b)); }
    REF_LANE_INLINE static I CmpNeq(F a, F b) { return Bits(_mm_cmpneq_ps(a, b)); }
    REF_LANE_INLINE static I CmpGt(F a, F b) { return Bits(_mm_cmpgt_ps(a, b)); }
    REF_LANE_INLINE static I CmpGe(F a, F b) { return Bits(_mm_cmpge_ps(a, b)); }

    REF_LANE_INLINE static F ToFloat(I i) { return _mm_cvtepi32_ps(i); }
    REF_LANE_INLINE static I Trunc(F v) { return _mm_cvttps_epi32(v); }
    REF_LANE_INLINE static F UnitFromByte(I byte) { return Mul(ToFloat(byte), Splat(1.0f / 255.0f)); }

    REF_LANE_INLINE static I AddInt(I a, I b) { return _mm_add_epi32(a, b); }
    REF_LANE_INLINE static I SubInt(I a, I b) { return _mm_sub_epi32(a, b); }
    REF_LANE_INLINE static I MulInt(I a, I b) {
        const I even = _mm_mul_epu32(a, b);
        const I odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
        return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                  _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
    }
    REF_LANE_INLINE static I MinInt(I a, I b) { return SelectInt(_mm_cmplt_epi32(a, b), a, b); }
    REF_LANE_INLINE static I MaxInt(I a, I b) { return SelectInt(_mm_cmpgt_epi32(a, b), a, b); }
    REF_LANE_INLINE static I CmpGtInt(I a, I b) { return _mm_cmpgt_epi32(a, b); }
    REF_LANE_INLINE static I CmpEqInt(I a, I b) { return _mm_cmpeq_epi32(a, b); }
    REF_LANE_INLINE static I And(I a, I b) { return _mm_and_si128(a, b); }
    REF_LANE_INLINE static I Or(I a, I b) { return _mm_or_si128(a, b); }
    REF_LANE_INLINE static I AndNot(I a, I b) { return _mm_andnot_si128(a, b); }
    template <int N>
    REF_LANE_INLINE static I ShiftLeft(I a) { return _mm_slli_epi32(a, N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRight(I a) { return _mm_srli_epi32(a, N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRightArith(I a) { return _mm_srai_epi32(a, N); }

    REF_LANE_INLINE static I PairWeight(I w) { return _mm_or_si128(w, _mm_slli_epi32(w, 16)); }
    REF_LANE_INLINE static I MulPairs(I pairs, I weight) { return _mm_mullo_epi16(pairs, weight); }
    REF_LANE_INLINE static I AddPairs(I a, I b) { return _mm_add_epi16(a, b); }
    template <int N>
    REF_LANE_INLINE static I ShiftLeftPairs(I a) { return _mm_slli_epi16(a, N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRightPairs(I a) { return _mm_srli_epi16(a, N); }
    template <int Bytes>
    REF_LANE_INLINE static I LoadWords(const BYTE* base, I offsets) {
        alignas(16) int at[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(at), offsets);
        return _mm_setr_epi32(LaneWord<Bytes>(base + at[0]), LaneWord<Bytes>(base + at[1]), LaneWord<Bytes>(base + at[2]),
                              LaneWord<Bytes>(base + at[3]));
    }

    // A lane at a time, eight bytes each, then the lanes' first and second words apart.
    REF_LANE_INLINE static void LoadWordPairs(const BYTE* base, I offsets, I& first, I& second) {
        alignas(16) int at[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(at), offsets);
        const __m128 low = _mm_castsi128_ps(_mm_set_epi64x(LanePair(base + at[1]), LanePair(base + at[0])));
        const __m128 high = _mm_castsi128_ps(_mm_set_epi64x(LanePair(base + at[3]), LanePair(base + at[2])));
        first = _mm_castps_si128(_mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
        second = _mm_castps_si128(_mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1)));
    }
    // Without a variable permutation in SSE2: a read per lane.
    REF_LANE_INLINE static void LoadWindowPairs(const BYTE* window, I index, int, I& first, I& second) {
        LoadWordPairs(window, _mm_slli_epi32(index, 2), first, second);
    }

    REF_LANE_INLINE static bool Any(I mask) { return _mm_movemask_ps(_mm_castsi128_ps(mask)) != 0; }
    REF_LANE_INLINE static bool All(I mask) { return _mm_movemask_ps(_mm_castsi128_ps(mask)) == 0xf; }

    // Lanes outside the mask are neither read nor written (they may lie beyond the row).
    REF_LANE_INLINE static F MaskLoad(const float* p, I mask) { return FromBits(MaskLoadWords(reinterpret_cast<const unsigned char*>(p), mask)); }
    REF_LANE_INLINE static void MaskStore(float* p, I mask, F v) { MaskStoreWords(reinterpret_cast<unsigned char*>(p), mask, Bits(v)); }
    REF_LANE_INLINE static I MaskLoadWords(const unsigned char* p, I mask) {
        if (All(mask)) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        alignas(16) int on[4], words[4] = {};
        _mm_store_si128(reinterpret_cast<__m128i*>(on), mask);
        for (int i = 0; i < 4; ++i)
            if (on[i]) std::memcpy(&words[i], p + 4 * i, 4);
        return _mm_load_si128(reinterpret_cast<const __m128i*>(words));
    }
    REF_LANE_INLINE static void MaskStoreWords(unsigned char* p, I mask, I v) {
        if (All(mask)) return _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
        alignas(16) int on[4], words[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(on), mask);
        _mm_store_si128(reinterpret_cast<__m128i*>(words), v);
        for (int i = 0; i < 4; ++i)
            if (on[i]) std::memcpy(p + 4 * i, &words[i], 4);
    }

private:
    REF_LANE_INLINE static I SelectInt(I mask, I ifSet, I ifClear) { return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear)); }
};

}  // namespace d3d8::ref
