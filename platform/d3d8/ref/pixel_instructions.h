// The instruction sets the pixel loops are built for. On x86-64 the loops exist twice: for the
// baseline (SSE2) and for processors with AVX2, picked per device at run time. Both builds
// take the same IEEE operations for every value (no fused multiply-add in either), so they
// draw the same bytes; in the AVX2 build the compiler may use the three-operand VEX forms and
// the SSE4.1 instructions, which makes it faster.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define REF_AVX2_LOOPS 1
#endif

namespace d3d8::ref {

enum class PixelInstructions { Baseline, Avx2 };

// The loops that draw pixels, from the most general to the widest. A draw takes one for its
// triangles and one for its points (ChoosePixelLoops); lines always take the general one.
enum class PixelLoop : unsigned char {
    General,  // the texture stages, alpha test, fog and blend of any state, a pixel at a time
    Simple,   // the simple shading (SimpleShading), a pixel at a time in scalar code
    Lanes,    // the simple shading, a pixel's four channels in one SSE2 register
    Wide,     // the simple shading, eight pixels at a time in AVX2 registers
};

struct PixelLoops {
    PixelLoop triangles = PixelLoop::General;
    PixelLoop points = PixelLoop::General;
};

const char* PixelLoopName(PixelLoop loop);

// The loop a simple draw that fits every loop takes with these instructions in this build.
PixelLoop WidestSimpleLoop(PixelInstructions instructions);

// Avx2 where the processor and the system support it (and this build has such loops).
PixelInstructions WidestPixelInstructions();

}  // namespace d3d8::ref
