// The lane loops one pixel at a time, in plain C++: every processor, and the reference the
// wider builds are compared with.
#include "platform/d3d8/ref/lanes/kernel.h"

namespace d3d8::ref {

template void DrawLanesTriangle<1>(const DrawContext&, const RowShare&, const TriangleSetup&);
template void DrawLanesSprite<1>(const DrawContext&, const RowShare&, const ScreenVertex&);

}  // namespace d3d8::ref
