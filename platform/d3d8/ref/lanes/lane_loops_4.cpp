// The lane loops four pixels at a time in SSE2.
#include "platform/d3d8/ref/lanes/lane_loops.h"

#if REF_LANES4
#include "platform/d3d8/ref/lanes/kernel.h"
#include "platform/d3d8/ref/lanes/lanes_sse2.h"

namespace d3d8::ref {

template void DrawLanesTriangle<4>(const DrawContext&, const RowShare&, const TriangleSetup&);
template void DrawLanesSprite<4>(const DrawContext&, const RowShare&, const ScreenVertex&);

}  // namespace d3d8::ref
#endif
