// The lane loops: the simple draws' pixels W at a time (kernel.h), for the widths this build
// has. A draw takes them when ChoosePixelLoops chose them and prepared its LaneDraw.
#pragma once

#include "platform/d3d8/ref/setup.h"

// Four lanes in SSE2 on every x86-64 processor; eight in AVX2 and sixteen in AVX-512 where the
// processor has them (built with GCC or Clang, which can build one file's functions for other
// instructions). A build configured with MORVELT_REF_SCALAR has one lane only, as a processor
// without any of them would.
#if defined(__SSE2__) && !defined(MORVELT_REF_SCALAR)
#define REF_LANES4 1
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define REF_LANES8 1
#define REF_LANES16 1
#endif
#endif

namespace d3d8::ref {

// Defined for Width 1, and 4, 8 and 16 where REF_LANES4, REF_LANES8 and REF_LANES16 say.
template <int Width>
void DrawLanesTriangle(const DrawContext& ctx, const RowShare& rows, const TriangleSetup& s);
template <int Width>
void DrawLanesSprite(const DrawContext& ctx, const RowShare& rows, const ScreenVertex& v);

}  // namespace d3d8::ref
