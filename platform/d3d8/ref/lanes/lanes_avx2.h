// Lanes<8>: eight pixels in AVX2 registers. Included only where the code that uses it is
// built for AVX2 (lane_loops_8.cpp), and run only on processors that have it.
#pragma once

#include "platform/d3d8/ref/lanes/lanes.h"

#include <immintrin.h>

namespace d3d8::ref {

template <>
struct Lanes<8> {
    using F = __m256;
    using I = __m256i;
    static constexpr int kWidth = 8;

    REF_LANE_INLINE static F Splat(float v) { return _mm256_set1_ps(v); }
    REF_LANE_INLINE static I SplatInt(int v) { return _mm256_set1_epi32(v); }
    REF_LANE_INLINE static I Iota() { return _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7); }
    REF_LANE_INLINE static F Load(const float* p) { return _mm256_loadu_ps(p); }
    REF_LANE_INLINE static void Store(float* p, F v) { _mm256_storeu_ps(p, v); }
    REF_LANE_INLINE static I LoadInt(const int* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    REF_LANE_INLINE static void StoreInt(int* p, I v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    REF_LANE_INLINE static I Bits(F v) { return _mm256_castps_si256(v); }
    REF_LANE_INLINE static F FromBits(I i) { return _mm256_castsi256_ps(i); }

    REF_LANE_INLINE static F Add(F a, F b) { return _mm256_add_ps(a, b); }
    REF_LANE_INLINE static F Sub(F a, F b) { return _mm256_sub_ps(a, b); }
    REF_LANE_INLINE static F Mul(F a, F b) { return _mm256_mul_ps(a, b); }
    REF_LANE_INLINE static F Div(F a, F b) { return _mm256_div_ps(a, b); }
    REF_LANE_INLINE static F Min(F a, F b) { return _mm256_min_ps(a, b); }
    REF_LANE_INLINE static F Max(F a, F b) { return _mm256_max_ps(a, b); }
    REF_LANE_INLINE static F Select(I mask, F ifSet, F ifClear) { return _mm256_blendv_ps(ifClear, ifSet, FromBits(mask)); }

    REF_LANE_INLINE static I CmpLt(F a, F b) { return Bits(_mm256_cmp_ps(a, b, _CMP_LT_OQ)); }
    REF_LANE_INLINE static I CmpLe(F a, F b) { return Bits(_mm256_cmp_ps(a, b, _CMP_LE_OQ)); }
    REF_LANE_INLINE static I CmpEq(F a, F b) { return Bits(_mm256_cmp_ps(a, b, _CMP_EQ_OQ)); }
    REF_LANE_INLINE static I CmpNeq(F a, F b) { return Bits(_mm256_cmp_ps(a, b, _CMP_NEQ_UQ)); }
    REF_LANE_INLINE static I CmpGt(F a, F b) { return Bits(_mm256_cmp_ps(a, b, _CMP_GT_OQ)); }
    REF_LANE_INLINE static I CmpGe(F a, F b) { return Bits(_mm256_cmp_ps(a, b, _CMP_GE_OQ)); }

    REF_LANE_INLINE static F ToFloat(I i) { return _mm256_cvtepi32_ps(i); }
    REF_LANE_INLINE static I Trunc(F v) { return _mm256_cvttps_epi32(v); }
    REF_LANE_INLINE static F UnitFromByte(I byte) { return Mul(ToFloat(byte), Splat(1.0f / 255.0f)); }

    REF_LANE_INLINE static I AddInt(I a, I b) { return _mm256_add_epi32(a, b); }
    REF_LANE_INLINE static I SubInt(I a, I b) { return _mm256_sub_epi32(a, b); }
    REF_LANE_INLINE static I MulInt(I a, I b) { return _mm256_mullo_epi32(a, b); }
    REF_LANE_INLINE static I MinInt(I a, I b) { return _mm256_min_epi32(a, b); }
    REF_LANE_INLINE static I MaxInt(I a, I b) { return _mm256_max_epi32(a, b); }
    REF_LANE_INLINE static I CmpGtInt(I a, I b) { return _mm256_cmpgt_epi32(a, b); }
    REF_LANE_INLINE static I CmpEqInt(I a, I b) { return _mm256_cmpeq_epi32(a, b); }
    REF_LANE_INLINE static I And(I a, I b) { return _mm256_and_si256(a, b); }
    REF_LANE_INLINE static I Or(I a, I b) { return _mm256_or_si256(a, b); }
    REF_LANE_INLINE static I AndNot(I a, I b) { return _mm256_andnot_si256(a, b); }
    template <int N>
    REF_LANE_INLINE static I ShiftLeft(I a) { return _mm256_slli_epi32(a, N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRight(I a) { return _mm256_srli_epi32(a, N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRightArith(I a) { return _mm256_srai_epi32(a, N); }

    REF_LANE_INLINE static I PairWeight(I w) { return _mm256_or_si256(w, _mm256_slli_epi32(w, 16)); }
    REF_LANE_INLINE static I MulPairs(I pairs, I weight) { return _mm256_mullo_epi16(pairs, weight); }
    REF_LANE_INLINE static I AddPairs(I a, I b) { return _mm256_add_epi16(a, b); }
    template <int N>
    REF_LANE_INLINE static I ShiftLeftPairs(I a) { return _mm256_slli_epi16(a, N); }
    template <int N>
    REF_LANE_INLINE static I ShiftRightPairs(I a) { return _mm256_srli_epi16(a, N); }
    // A lane at a time: faster than a gather on the processors measured.
    template <int Bytes>
    REF_LANE_INLINE static I LoadWords(const BYTE* base, I offsets) {
        alignas(32) int at[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), offsets);
        return _mm256_setr_epi32(LaneWord<Bytes>(base + at[0]), LaneWord<Bytes>(base + at[1]), LaneWord<Bytes>(base + at[2]),
                                 LaneWord<Bytes>(base + at[3]), LaneWord<Bytes>(base + at[4]), LaneWord<Bytes>(base + at[5]),
                                 LaneWord<Bytes>(base + at[6]), LaneWord<Bytes>(base + at[7]));
    }

    // A lane at a time, eight bytes each, then the lanes' first and second words apart.
    REF_LANE_INLINE static void LoadWordPairs(const BYTE* base, I offsets, I& first, I& second) {
        alignas(32) int at[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), offsets);
        const __m256 low = _mm256_castsi256_ps(
            _mm256_setr_epi64x(LanePair(base + at[0]), LanePair(base + at[1]), LanePair(base + at[2]), LanePair(base + at[3])));
        const __m256 high = _mm256_castsi256_ps(
            _mm256_setr_epi64x(LanePair(base + at[4]), LanePair(base + at[5]), LanePair(base + at[6]), LanePair(base + at[7])));
        // Within each 128-bit half: the even (odd) words of low's half, then of high's half;
        // the permutation puts the halves' pairs back in lane order.
        const __m256i even = _mm256_castps_si256(_mm256_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m256i odd = _mm256_castps_si256(_mm256_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1)));
        first = _mm256_permute4x64_epi64(even, _MM_SHUFFLE(3, 1, 2, 0));
        second = _mm256_permute4x64_epi64(odd, _MM_SHUFFLE(3, 1, 2, 0));
    }
    // Two masked reads of eight words (the words past the window are not read), then each
    // lane's word from the first or the second eight.
    REF_LANE_INLINE static void LoadWindowPairs(const BYTE* window, I index, int words, I& first, I& second) {
        const int* p = reinterpret_cast<const int*>(window);
        const I low = _mm256_maskload_epi32(p, CmpGtInt(SplatInt(words), Iota()));
        const I high = _mm256_maskload_epi32(p + 8, CmpGtInt(SplatInt(words - 8), Iota()));
        first = FromWindow(low, high, index);
        second = FromWindow(low, high, AddInt(index, SplatInt(1)));
    }

    REF_LANE_INLINE static bool Any(I mask) { return !_mm256_testz_si256(mask, mask); }
    REF_LANE_INLINE static bool All(I mask) { return _mm256_movemask_ps(_mm256_castsi256_ps(mask)) == 0xff; }
    REF_LANE_INLINE static F MaskLoad(const float* p, I mask) { return _mm256_maskload_ps(p, mask); }
    REF_LANE_INLINE static void MaskStore(float* p, I mask, F v) { _mm256_maskstore_ps(p, mask, v); }
    REF_LANE_INLINE static I MaskLoadWords(const unsigned char* p, I mask) {
        return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), mask);
    }
    REF_LANE_INLINE static void MaskStoreWords(unsigned char* p, I mask, I v) { _mm256_maskstore_epi32(reinterpret_cast<int*>(p), mask, v); }

private:
    REF_LANE_INLINE static I FromWindow(I low, I high, I index) {
        const I fromHigh = CmpGtInt(index, SplatInt(7));
        return _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(low, index), _mm256_permutevar8x32_epi32(high, index), fromHigh);
    }
};

}  // namespace d3d8::ref
