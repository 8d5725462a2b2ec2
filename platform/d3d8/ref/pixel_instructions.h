// The instruction sets the pixel loops are built for, and the loops. On x86-64 the lane loops
// exist for one lane (plain C++), four (SSE2, the baseline), eight (AVX2) and sixteen
// (AVX-512), and the general loop for the baseline and for AVX2 (which AVX-512 processors
// take too), picked per device at run time. Every build takes the
// same IEEE operations for every value (no fused multiply-add in any), so all draw the same
// bytes.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define REF_AVX2_LOOPS 1
#endif

namespace d3d8::ref {

// Scalar: one lane, as a processor without vector instructions draws. Baseline: what every
// processor of the architecture has (SSE2 on x86-64). Avx2 and Avx512 (F, BW and DQ): where
// the processor has them. Each set includes the ones before it.
enum class PixelInstructions { Scalar, Baseline, Avx2, Avx512 };

// The loops that draw pixels. A draw takes one for its triangles and one for its points
// (ChoosePixelLoops); lines always take the general one.
enum class PixelLoop : unsigned char {
    General,  // the texture stages, alpha test, fog and blend of any state, a pixel at a time
    Lanes1,   // the simple draws (SimpleShading, LaneDraw) a pixel at a time
    Lanes4,   // the same four pixels at a time (SSE2)
    Lanes8,   // the same eight pixels at a time (AVX2)
    Lanes16,  // the same sixteen pixels at a time (AVX-512)
};

struct PixelLoops {
    PixelLoop triangles = PixelLoop::General;
    PixelLoop points = PixelLoop::General;
};

const char* PixelLoopName(PixelLoop loop);

// The lane loop a simple draw takes with these instructions in this build.
PixelLoop LaneLoopFor(PixelInstructions instructions);

// The widest set the processor and the system support and this build has loops for.
PixelInstructions WidestPixelInstructions();

}  // namespace d3d8::ref
