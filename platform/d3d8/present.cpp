#include "platform/d3d8/present.h"

#include "platform/win32/display.h"

namespace d3d8 {

void ShowInWindow(const SurfaceData& backBuffer, HWND window, bool waitForRefresh) {
    if (!window || !backBuffer.bits) return;
    platform::PixelLayout layout;
    switch (backBuffer.format) {
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A8R8G8B8: layout = platform::PixelLayout::XRGB8888; break;
        case D3DFMT_R5G6B5: layout = platform::PixelLayout::RGB565; break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: layout = platform::PixelLayout::XRGB1555; break;
        default: return;  // not a back-buffer format
    }
    platform::PresentPixels(window, backBuffer.bits, static_cast<int>(backBuffer.width),
                            static_cast<int>(backBuffer.height), backBuffer.pitch, layout, waitForRefresh);
}

}  // namespace d3d8
