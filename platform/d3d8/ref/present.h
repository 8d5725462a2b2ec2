// Showing the back buffer in a window. Off-screen devices (window == nullptr) show nothing.
// The window stand-in copies the picture to the screen; this is the one place that calls it.
#pragma once

#include "platform/d3d8/rasterizer.h"

namespace d3d8::ref {

void PresentToWindow(const SurfaceData& backBuffer, HWND window);

}  // namespace d3d8::ref
