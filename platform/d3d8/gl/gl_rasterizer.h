// What the HAL rasterizer offers beyond the Rasterizer interface, for tools and benchmarks.
#pragma once

#include "platform/d3d8/rasterizer.h"

namespace d3d8::gl {

// Waits until OpenGL has finished everything handed to `rasterizer` (a HAL rasterizer; others
// are left alone). Benchmarks use it to time work that OpenGL otherwise does later.
void Finish(Rasterizer& rasterizer);

}  // namespace d3d8::gl
