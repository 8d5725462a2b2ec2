// Device type HAL, and what its rasterizer offers beyond the Rasterizer interface.
#pragma once

#include "platform/d3d8/rasterizer.h"

#include <memory>

namespace d3d8 {

// Device type HAL: OpenGL 3.3 core, with a context of `window` where it can take one (frames
// are then shown by ShowInOwnWindow), else off-screen through EGL. Null when no context can
// be made on this machine (no driver, no EGL), so the caller falls back or reports the type
// as not available.
std::unique_ptr<Rasterizer> CreateGlRasterizer(HWND window = nullptr);

// True when CreateGlRasterizer can succeed here; checked once per process, cheaply after that.
bool GlRasterizerAvailable();

}  // namespace d3d8

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
