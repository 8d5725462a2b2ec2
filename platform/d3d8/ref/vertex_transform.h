// Vertex processing: reads one vertex of the draw's FVF layout and produces its clip-space
// position, lit colours, texture coordinates per active stage (coordinate index, generation,
// texture transform), vertex fog factor and point size.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

namespace d3d8::ref {

void ProcessVertex(const DrawContext& ctx, const BYTE* vertex, ClipVertex& out);

}  // namespace d3d8::ref
