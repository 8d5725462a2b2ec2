#include "platform/d3d8/ref/present.h"

namespace d3d8::ref {

void PresentToWindow(const SurfaceData& backBuffer, HWND window) {
    if (!window || !backBuffer.bits) return;
    // Windows come with the window stand-in; until it offers a way to show pixels there is
    // nothing to copy to.
}

}  // namespace d3d8::ref
