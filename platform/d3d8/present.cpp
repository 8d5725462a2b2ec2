#include "platform/d3d8/present.h"

#include "platform/d3d8/format_info.h"
#include "platform/win32/display.h"

namespace d3d8 {

namespace {

// The window service's layout with the format's size and red, green and blue bits; alpha is
// ignored. False for a format the window service cannot show.
bool LayoutOf(D3DFORMAT format, platform::PixelLayout& layout) {
    const FormatInfo& f = InfoOf(format);
    if (f.kind != FormatKind::Color) return false;
    const DWORD rgb = f.red.Mask() | f.green.Mask() | f.blue.Mask();
    if (f.bytes == 4 && rgb == 0x00ffffffu)
        layout = platform::PixelLayout::XRGB8888;
    else if (f.bytes == 2 && rgb == 0xffffu)
        layout = platform::PixelLayout::RGB565;
    else if (f.bytes == 2 && rgb == 0x7fffu)
        layout = platform::PixelLayout::XRGB1555;
    else
        return false;
    return true;
}

}  // namespace

void ShowInWindow(const SurfaceData& backBuffer, HWND window, bool waitForRefresh) {
    platform::PixelLayout layout;
    if (!window || !backBuffer.bits || !LayoutOf(backBuffer.format, layout)) return;
    platform::PresentPixels(window, backBuffer.bits, static_cast<int>(backBuffer.width),
                            static_cast<int>(backBuffer.height), backBuffer.pitch, layout, waitForRefresh);
}

}  // namespace d3d8
