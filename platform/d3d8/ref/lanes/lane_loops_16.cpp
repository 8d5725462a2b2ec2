// The lane loops sixteen pixels at a time in AVX-512, run only where the processor has it.
//
// Everything shared with the baseline build (the pipeline's headers, the standard library) is
// included first and stays baseline code; the kernel and the lane type come after the switch
// to AVX-512 and have internal linkage, so no AVX-512 copy of an inline function can stand in for
// the baseline one elsewhere.
#include "platform/d3d8/ref/lanes/lane_loops.h"

#if REF_LANES16
#include "platform/d3d8/ref/fog.h"
#include "platform/d3d8/ref/lanes/lanes.h"
#include "platform/d3d8/ref/pixel_pipeline.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq")
#endif

#include "platform/d3d8/ref/lanes/kernel.h"
#include "platform/d3d8/ref/lanes/lanes_avx512.h"

namespace d3d8::ref {

template void DrawLanesTriangle<16>(const DrawContext&, const RowShare&, const TriangleSetup&);
template void DrawLanesSprite<16>(const DrawContext&, const RowShare&, const ScreenVertex&);

}  // namespace d3d8::ref

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
