// The vector types the simple draws' pixel kernel (kernel.h) is written against: Lanes<W>
// holds W pixels' values, one per lane, as F (floats) and I (32-bit integers, also masks:
// all ones or zero per lane). Every operation does per lane exactly what the x86 instruction
// of the same name does (min and max return the second operand when either is NaN, a float
// truncated out of range gives INT_MIN), so the kernel draws the same bytes at every width.
//
// Lanes<1> is plain C++ and builds everywhere; Lanes<4> (lanes_sse2.h) and Lanes<8>
// (lanes_avx2.h) use SSE2 and AVX2.
#pragma once

#include <climits>
#include <cstdint>
#include <cstring>

namespace d3d8::ref {

template <int W>
struct Lanes;

template <>
struct Lanes<1> {
    using F = float;
    using I = std::int32_t;
    static constexpr int kWidth = 1;

    static F Splat(float v) { return v; }
    static I SplatInt(int v) { return v; }
    static I Iota() { return 0; }
    static F Load(const float* p) { return *p; }
    static void Store(float* p, F v) { *p = v; }
    static I LoadInt(const int* p) { return *p; }
    static void StoreInt(int* p, I v) { *p = v; }

    static I Bits(F v) {
        I i;
        std::memcpy(&i, &v, 4);
        return i;
    }
    static F FromBits(I i) {
        F v;
        std::memcpy(&v, &i, 4);
        return v;
    }

    static F Add(F a, F b) { return a + b; }
    static F Sub(F a, F b) { return a - b; }
    static F Mul(F a, F b) { return a * b; }
    static F Div(F a, F b) { return a / b; }
    static F Min(F a, F b) { return a < b ? a : b; }
    static F Max(F a, F b) { return a > b ? a : b; }
    static F Select(I mask, F ifSet, F ifClear) { return mask ? ifSet : ifClear; }

    static I CmpLt(F a, F b) { return a < b ? -1 : 0; }
    static I CmpLe(F a, F b) { return a <= b ? -1 : 0; }
    static I CmpEq(F a, F b) { return a == b ? -1 : 0; }
    static I CmpNeq(F a, F b) { return a != b ? -1 : 0; }  // true when unordered
    static I CmpGt(F a, F b) { return a > b ? -1 : 0; }
    static I CmpGe(F a, F b) { return a >= b ? -1 : 0; }

    static F ToFloat(I i) { return static_cast<float>(i); }
    static I Trunc(F v) { return v >= -2147483648.0f && v < 2147483648.0f ? static_cast<I>(v) : INT_MIN; }

    static I AddInt(I a, I b) { return static_cast<I>(U(a) + U(b)); }
    static I SubInt(I a, I b) { return static_cast<I>(U(a) - U(b)); }
    static I MulInt(I a, I b) { return static_cast<I>(U(a) * U(b)); }
    static I MinInt(I a, I b) { return a < b ? a : b; }
    static I MaxInt(I a, I b) { return a > b ? a : b; }
    static I CmpGtInt(I a, I b) { return a > b ? -1 : 0; }
    static I CmpEqInt(I a, I b) { return a == b ? -1 : 0; }
    static I And(I a, I b) { return a & b; }
    static I Or(I a, I b) { return a | b; }
    static I AndNot(I a, I b) { return ~a & b; }
    template <int N>
    static I ShiftLeft(I a) { return static_cast<I>(U(a) << N); }
    template <int N>
    static I ShiftRight(I a) { return static_cast<I>(U(a) >> N); }
    template <int N>
    static I ShiftRightArith(I a) { return a >> N; }

    // Two 16-bit lanes in each 32-bit one.
    static I Add16(I a, I b) { return Halves(Low(a) + Low(b), High(a) + High(b)); }
    static I Mul16(I a, I b) { return Halves(Low(a) * Low(b), High(a) * High(b)); }
    template <int N>
    static I ShiftLeft16(I a) { return Halves(Low(a) << N, High(a) << N); }
    template <int N>
    static I ShiftRight16(I a) { return Halves(Low(a) >> N, High(a) >> N); }

    static bool Any(I mask) { return mask != 0; }
    static F MaskLoad(const float* p, I mask) { return mask ? *p : 0.0f; }
    static void MaskStore(float* p, I mask, F v) {
        if (mask) *p = v;
    }
    static I MaskLoadWords(const unsigned char* p, I mask) { return mask ? LoadWord(p) : 0; }
    static void MaskStoreWords(unsigned char* p, I mask, I v) {
        if (mask) std::memcpy(p, &v, 4);
    }

private:
    static std::uint32_t U(I a) { return static_cast<std::uint32_t>(a); }
    static std::uint32_t Low(I a) { return U(a) & 0xffffu; }
    static std::uint32_t High(I a) { return U(a) >> 16; }
    static I Halves(std::uint32_t low, std::uint32_t high) { return static_cast<I>((low & 0xffffu) | (high & 0xffffu) << 16); }
    static I LoadWord(const unsigned char* p) {
        I v;
        std::memcpy(&v, p, 4);
        return v;
    }
};

}  // namespace d3d8::ref
