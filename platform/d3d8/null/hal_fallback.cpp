// Built only while the OpenGL rasterizer (gl/) is absent: device type HAL does not exist.
#include "platform/d3d8/backend.h"

namespace d3d8 {

bool HalRasterizerAvailable() { return false; }

std::unique_ptr<Rasterizer> CreateHalRasterizer(HWND) { return nullptr; }

}  // namespace d3d8
