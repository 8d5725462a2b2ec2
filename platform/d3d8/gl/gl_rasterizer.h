// What the HAL rasterizer offers beyond the Rasterizer interface, for tools and benchmarks.
#pragma once

#include "platform/d3d8/rasterizer.h"

namespace d3d8::gl {

// Waits until OpenGL has finished everything handed to `rasterizer` (a HAL rasterizer; others
// are left alone). Benchmarks use it to time work that OpenGL otherwise does later.
void Finish(Rasterizer& rasterizer);

// The first OpenGL error raised since the last call (0 for none), clearing the error state.
// Tests use it to check that whole scenes run without a GL error.
unsigned TakeError(Rasterizer& rasterizer);

// How many times the pixels of a surface were copied from OpenGL into memory in this process
// (LockRect of a target, a copy, a frame shown from memory).
unsigned long long ReadBackCount();

}  // namespace d3d8::gl
