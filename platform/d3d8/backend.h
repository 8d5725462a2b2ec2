// Which rasterizer draws for which device type. The only place that knows the backends.
#pragma once

#include "platform/d3d8/rasterizer.h"

#include <functional>
#include <memory>

namespace d3d8 {

bool RasterizerAvailable(D3DDEVTYPE type);

// A new rasterizer for a device of `type` that presents in `window` (null: none); null when
// the type has none.
std::unique_ptr<Rasterizer> CreateRasterizer(D3DDEVTYPE type, HWND window);

// A rasterizer that only clears and otherwise draws nothing (null/).
std::unique_ptr<Rasterizer> CreateNullRasterizer();

}  // namespace d3d8
