// Showing a back buffer's memory in a window, for every device type: the rasterizer brings the
// pixels into memory (ReadBack) and the window stand-in puts them on the screen. This is the
// one place that calls the stand-in's presentation, so the rasterizers know nothing of windows.
#pragma once

#include "platform/d3d8/rasterizer.h"

namespace d3d8 {

// Nothing happens for a null window or a surface in a format that is not a back buffer's.
void ShowInWindow(const SurfaceData& backBuffer, HWND window);

}  // namespace d3d8
