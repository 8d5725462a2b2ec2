// Showing a back buffer's memory in a window, for every device type whose rasterizer does not
// show frames itself: the rasterizer brings the pixels into memory (ReadBack) and the window
// stand-in puts them on the screen.
#pragma once

#include "platform/d3d8/rasterizer.h"

namespace d3d8 {

// Nothing happens for a null window or a surface in a format that is not a back buffer's.
// `waitForRefresh`: wait for the display's refresh where the window's renderer can.
void ShowInWindow(const SurfaceData& backBuffer, HWND window, bool waitForRefresh);

}  // namespace d3d8
