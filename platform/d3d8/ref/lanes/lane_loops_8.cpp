// The lane loops eight pixels at a time in AVX2, run only where the processor has it.
//
// Everything shared with the baseline build (the pipeline's headers, the standard library) is
// included first and stays baseline code; the kernel and the lane type come after the switch
// to AVX2 and have internal linkage, so no AVX2 copy of an inline function can stand in for
// the baseline one elsewhere.
#include "platform/d3d8/ref/lanes/lane_loops.h"

#if REF_LANES8
#include "platform/d3d8/ref/fog.h"
#include "platform/d3d8/ref/lanes/lanes.h"
#include "platform/d3d8/ref/pixel_pipeline.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "platform/d3d8/ref/lanes/kernel.h"
#include "platform/d3d8/ref/lanes/lanes_avx2.h"

namespace d3d8::ref {

template void DrawLanesTriangle<8>(const DrawContext&, const RowShare&, const TriangleSetup&);
template void DrawLanesSprite<8>(const DrawContext&, const RowShare&, const ScreenVertex&);

}  // namespace d3d8::ref

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
