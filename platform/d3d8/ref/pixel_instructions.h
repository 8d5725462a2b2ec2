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

// Avx2 where the processor and the system support it (and this build has such loops).
PixelInstructions WidestPixelInstructions();

}  // namespace d3d8::ref
