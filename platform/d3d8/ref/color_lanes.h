// The simple draws' colour arithmetic with the four channels of a pixel in one SSE2 register
// (x86-64 always has SSE2). Every lane takes the same IEEE operations, in the same order, as
// the scalar Color code, so the bytes written are the same; the scalar code stays the path
// for other processors and other target formats (and for every draw in a build configured
// with MORVELT_REF_SCALAR, which checks it on x86-64).
//
// Lanes hold the channels in the order of an ARGB word's bytes in memory: b, g, r, a.
#pragma once

#if defined(__SSE2__) && !defined(MORVELT_REF_SCALAR)
#define REF_COLOR_LANES 1

#include "platform/d3d8/ref/ref_types.h"

#include <emmintrin.h>

#include <limits>

namespace d3d8::ref::lanes {

REF_PIXEL_INLINE __m128 Splat(float v) { return _mm_set1_ps(v); }

// The bytes of an ARGB word as 32-bit lanes.
REF_PIXEL_INLINE __m128i WidenBytes(D3DCOLOR c) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(c)), zero), zero);
}

// byte * (1 / 255) per channel, as kUnitFromByte holds it.
REF_PIXEL_INLINE __m128 UnitFromBytes(__m128i bytes) { return _mm_mul_ps(_mm_cvtepi32_ps(bytes), Splat(1.0f / 255.0f)); }

REF_PIXEL_INLINE __m128 FromArgb(D3DCOLOR c) { return UnitFromBytes(WidenBytes(c)); }

// ByteFromUnit per lane: max(v, 0) gives 0 for NaN as the scalar select does.
REF_PIXEL_INLINE D3DCOLOR ToArgb(__m128 v) {
    const __m128 c = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), Splat(1.0f));
    __m128i i = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(c, Splat(255.0f)), Splat(0.5f)));
    i = _mm_packs_epi32(i, i);
    return static_cast<D3DCOLOR>(_mm_cvtsi128_si32(_mm_packus_epi16(i, i)));
}

// Saturate per lane, NaN kept as the scalar version keeps it.
REF_PIXEL_INLINE __m128 Saturate(__m128 v) { return _mm_max_ps(_mm_setzero_ps(), _mm_min_ps(Splat(1.0f), v)); }

REF_PIXEL_INLINE __m128 Select(__m128 mask, __m128 ifSet, __m128 ifClear) {
    return _mm_or_ps(_mm_and_ps(mask, ifSet), _mm_andnot_ps(mask, ifClear));
}

REF_PIXEL_INLINE __m128 Mask(const std::uint32_t (&lanes)[4]) {
    return _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes)));
}

// True when no lane is infinite or NaN.
REF_PIXEL_INLINE bool Finite(__m128 v) {
    const __m128 magnitude = _mm_andnot_ps(Splat(-0.0f), v);
    return _mm_movemask_ps(_mm_cmplt_ps(magnitude, Splat(std::numeric_limits<float>::infinity()))) == 0xf;
}

REF_PIXEL_INLINE __m128 AlphaEverywhere(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3)); }

REF_PIXEL_INLINE __m128 FromColor(const Color& c) { return _mm_setr_ps(c.b, c.g, c.r, c.a); }

// Four r, g, b, a floats in memory, in lane order.
REF_PIXEL_INLINE __m128 FromRgba(const float* rgba) {
    const __m128 v = _mm_loadu_ps(rgba);
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 0, 1, 2));
}

// BilinearArgb's 8-bit fixed point, both rows' x blends at once in 16-bit lanes (every
// product and sum stays below 65536), the result widened to 32-bit lanes.
REF_PIXEL_INLINE __m128i BilinearBytes(D3DCOLOR c00, D3DCOLOR c10, D3DCOLOR c01, D3DCOLOR c11, unsigned wx, unsigned wy) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi16(0x80);
    const __m128i left = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(c00)),
                                                              _mm_cvtsi32_si128(static_cast<int>(c01))), zero);
    const __m128i right = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(c10)),
                                                               _mm_cvtsi32_si128(static_cast<int>(c11))), zero);
    const __m128i fx = _mm_set1_epi16(static_cast<short>(wx)), gx = _mm_set1_epi16(static_cast<short>(256 - wx));
    const __m128i rows = _mm_srli_epi16(
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(left, gx), _mm_mullo_epi16(right, fx)), round), 8);  // top, bottom
    const __m128i bottom = _mm_unpackhi_epi64(rows, rows);
    const __m128i fy = _mm_set1_epi16(static_cast<short>(wy)), gy = _mm_set1_epi16(static_cast<short>(256 - wy));
    const __m128i mixed = _mm_srli_epi16(
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(rows, gy), _mm_mullo_epi16(bottom, fy)), round), 8);
    return _mm_unpacklo_epi16(mixed, zero);
}

}  // namespace d3d8::ref::lanes

#endif
