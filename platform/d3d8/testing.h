// Hooks for tests of code that uses the device: not for production code.
#pragma once

#include "platform/d3d8/interfaces.h"
#include "platform/d3d8/rasterizer.h"

#include <functional>
#include <memory>

namespace d3d8::testing {

using RasterizerFactory = std::function<std::unique_ptr<Rasterizer>(D3DDEVTYPE type)>;

// Devices created from now on get their rasterizer from `factory` (for every device type,
// so HAL becomes available too); an empty function restores the built-in choice.
// Returns the previous factory.
RasterizerFactory SetRasterizerFactory(RasterizerFactory factory);

// Direct3D objects created from now on offer only the virtual adapter (640x480 to
// 1920x1080 in X8R8G8B8 and R5G6B5, desktop 1024x768 X8R8G8B8), whatever displays exist.
// Returns the previous setting.
bool ForceVirtualAdapter(bool force);

// Makes the device report a lost device: TestCooperativeLevel returns D3DERR_DEVICELOST
// while `lost` holds, then D3DERR_DEVICENOTRESET until the next successful Reset; Present
// returns D3DERR_DEVICELOST meanwhile. Returns false when `device` is not a device of
// this model.
bool SimulateDeviceLoss(IDirect3DDevice8* device, bool lost);

}  // namespace d3d8::testing
