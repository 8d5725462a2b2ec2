// Lanes<16>: sixteen pixels in AVX-512 registers (F, BW and DQ). Included only where the code
// that uses it is built for AVX-512 (lane_loops_16.cpp), and run only on processors that have
// it. Masks stay whole registers, as at the other widths: a comparison's mask register is
// widened to all ones per lane (vpmovm2d), and a mask becomes a mask register (vpmovd2m) where
// a blend or a masked load or store needs one.
#pragma once

#include "platform/d3d8/ref/lanes/lanes.h"

#include <immintrin.h>

namespace d3d8::ref {

template <>
struct Lanes<16> {
    using F = __m512;
    using I = __m512i;
    static constexpr int kWidth = 16;

    REF_LANE_INLINE static F Splat(float v) { return _mm512_set1_ps(v); }
    REF_LANE_INLINE static I SplatInt(int v) { return _mm512_set1_epi32(v); }
    REF_LANE_INLINE static I Iota() { return _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15); }
    REF_LANE_INLINE static F Load(const float* p) { return _mm512_loadu_ps(p); }
    REF_LANE_INLINE static void Store(float* p, F v) { _mm512_storeu_ps(p, v); }
    REF_LANE_INLINE static I LoadInt(const int* p) { return _mm512_loadu_si512(p); }
    REF_LANE_INLINE static void StoreInt(int* p, I v) { _mm512_storeu_si512(p, v); }
    REF_LANE_INLINE static I Bits(F v) { return _mm512_castps_si512(v); }
    REF_LANE_INLINE static F FromBits(I i) { return _mm512_castsi512_ps(i); }

    REF_LANE_INLINE static F Add(F a, F b) { return _mm512_add_ps(a, b); }
    REF_LANE_INLINE static F Sub(F a, F b) { return _mm512_sub_ps(a, b); }
    REF_LANE_INLINE static F Mul(F a, F b) { return _mm512_mul_ps(a, b); }
    REF_LANE_INLINE static F Div(F a, F b) { return _mm512_div_ps(a, b); }
    REF_LANE_INLINE static F Min(F a, F b) { return _mm512_min_ps(a, b); }
    REF_LANE_INLINE static F Max(F a, F b) { return _mm512_max_ps(a, b); }
    REF_LANE_INLINE static F Select(I mask, F ifSet, F ifClear) { return _mm512_mask_blend_ps(Mask(mask), ifClear, ifSet); }

    REF_LANE_INLINE static I CmpLt(F a, F b) { return Widen(_mm512_cmp_ps_mask(a, b, _CMP_LT_OQ)); }
    REF_LANE_INLINE static I CmpLe(F a, F b) { return Widen(_mm512_cmp_ps_mask(a, b, _CMP_LE_OQ)); }
    REF_LANE_INLINE static I CmpEq(F a, F b) { return Widen(_mm512_cmp_ps_mask(a, b, _CMP_EQ_OQ)); }
    REF_LANE_INLINE static I CmpNeq(F a, F b) { return Widen(_mm512_cmp_ps_mask(a, b, _CMP_NEQ_UQ)); }
    REF_LANE_INLINE static I CmpGt(F a, F b) { return Widen(_mm512_cmp_ps_mask(a, b, _CMP_GT_OQ)); }
    REF_LANE_INLINE static I CmpGe(F a, F b) { return Widen(_mm512_cmp_ps_mask(a, b, _CMP_GE_OQ)); }

    REF_LANE_INLINE static F ToFloat(I i) { return _mm512_cvtepi32_ps(i); }
    REF_LANE_INLINE static I Trunc(F v) { return _mm512_cvttps_epi32(v); }
    REF_LANE_INLINE static F UnitFromByte(I byte) { return Mul(ToFloat(byte), Splat(1.0f / 255.0f)); }

    REF_LANE_INLINE static I AddInt(I a, I b) { return _mm512_add_epi32(a, b); }
    REF_LANE_INLINE static I SubInt(I a, I b) { return _mm512_sub_epi32(a, b); }
    REF_LANE_INLINE static I MulInt(I a, I b) { return _mm512_mullo_epi32(a, b); }
    REF_LANE_INLINE static I MinInt(I a, I b) { return _mm512_min_epi32(a, b); }
    REF_LANE_INLINE static I MaxInt(I a, I b) { return _mm512_max_epi32(a, b); }
    REF_LANE_INLINE static I CmpGtInt(I a, I b) { return Widen(_mm512_cmpgt_epi32_mask(a, b)); }
    REF_LANE_INLINE static I CmpEqInt(I a, I b) { return Widen(_mm512_cmpeq_epi32_mask(a, b)); }
    REF_LANE_INLINE static I And(I a, I b) { return _mm512_and_si512(a, b); }
    REF_LANE_INLINE static I Or(I a, I b) { return _mm512_or_si512(a, b); }
    REF_LANE_INLINE static I AndNot(I a, I b) { return _mm512_andnot_si512(a, b); }
    template <int N>
    REF_LANE_INLINE static I ShiftLeft(I a) { return _mm512_slli_epi32(a, N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRight(I a) { return _mm512_srli_epi32(a, N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRightArith(I a) { return _mm512_srai_epi32(a, N); }

    REF_LANE_INLINE static I PairWeight(I w) { return _mm512_or_si512(w, _mm512_slli_epi32(w, 16)); }
    REF_LANE_INLINE static I MulPairs(I pairs, I weight) { return _mm512_mullo_epi16(pairs, weight); }
    REF_LANE_INLINE static I AddPairs(I a, I b) { return _mm512_add_epi16(a, b); }
    template <int N>
    REF_LANE_INLINE static I ShiftLeftPairs(I a) { return _mm512_slli_epi16(a, N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRightPairs(I a) { return _mm512_srli_epi16(a, N); }
    // A lane at a time.
    template <int Bytes>
    REF_LANE_INLINE static I LoadWords(const BYTE* base, I offsets) {
        alignas(64) int at[16];
        _mm512_store_si512(at, offsets);
        return _mm512_setr_epi32(LaneWord<Bytes>(base + at[0]), LaneWord<Bytes>(base + at[1]), LaneWord<Bytes>(base + at[2]),
                                 LaneWord<Bytes>(base + at[3]), LaneWord<Bytes>(base + at[4]), LaneWord<Bytes>(base + at[5]),
                                 LaneWord<Bytes>(base + at[6]), LaneWord<Bytes>(base + at[7]), LaneWord<Bytes>(base + at[8]),
                                 LaneWord<Bytes>(base + at[9]), LaneWord<Bytes>(base + at[10]), LaneWord<Bytes>(base + at[11]),
                                 LaneWord<Bytes>(base + at[12]), LaneWord<Bytes>(base + at[13]), LaneWord<Bytes>(base + at[14]),
                                 LaneWord<Bytes>(base + at[15]));
    }

    // A lane at a time, eight bytes each, then the lanes' first and second words apart.
    REF_LANE_INLINE static void LoadWordPairs(const BYTE* base, I offsets, I& first, I& second) {
        alignas(64) int at[16];
        _mm512_store_si512(at, offsets);
        const I low = _mm512_setr_epi64(LanePair(base + at[0]), LanePair(base + at[1]), LanePair(base + at[2]), LanePair(base + at[3]),
                                        LanePair(base + at[4]), LanePair(base + at[5]), LanePair(base + at[6]), LanePair(base + at[7]));
        const I high = _mm512_setr_epi64(LanePair(base + at[8]), LanePair(base + at[9]), LanePair(base + at[10]), LanePair(base + at[11]),
                                         LanePair(base + at[12]), LanePair(base + at[13]), LanePair(base + at[14]), LanePair(base + at[15]));
        const I even = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
        first = _mm512_permutex2var_epi32(low, even, high);
        second = _mm512_permutex2var_epi32(low, _mm512_add_epi32(even, _mm512_set1_epi32(1)), high);
    }
    // Two masked reads of sixteen words (the words past the window are not read), then each
    // lane's word from the thirty-two.
    REF_LANE_INLINE static void LoadWindowPairs(const BYTE* window, I index, int words, I& first, I& second) {
        const auto lowMask = static_cast<__mmask16>(words >= 16 ? 0xffffu : (1u << words) - 1);
        const auto highMask = static_cast<__mmask16>(words <= 16 ? 0u : (1u << (words - 16)) - 1);
        const I low = _mm512_maskz_loadu_epi32(lowMask, window);
        const I high = _mm512_maskz_loadu_epi32(highMask, window + 64);
        first = _mm512_permutex2var_epi32(low, index, high);
        second = _mm512_permutex2var_epi32(low, _mm512_add_epi32(index, _mm512_set1_epi32(1)), high);
    }

    REF_LANE_INLINE static bool Any(I mask) { return _mm512_test_epi32_mask(mask, mask) != 0; }
    REF_LANE_INLINE static bool All(I mask) { return Mask(mask) == 0xffff; }
    REF_LANE_INLINE static F MaskLoad(const float* p, I mask) { return _mm512_maskz_loadu_ps(Mask(mask), p); }
    REF_LANE_INLINE static void MaskStore(float* p, I mask, F v) { _mm512_mask_storeu_ps(p, Mask(mask), v); }
    REF_LANE_INLINE static I MaskLoadWords(const unsigned char* p, I mask) { return _mm512_maskz_loadu_epi32(Mask(mask), p); }
    REF_LANE_INLINE static void MaskStoreWords(unsigned char* p, I mask, I v) { _mm512_mask_storeu_epi32(p, Mask(mask), v); }

private:
    REF_LANE_INLINE static I Widen(__mmask16 m) { return _mm512_movm_epi32(m); }
    REF_LANE_INLINE static __mmask16 Mask(I mask) { return _mm512_movepi32_mask(mask); }
};

}  // namespace d3d8::ref
