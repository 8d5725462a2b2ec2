// What each device type can do: its capabilities and the formats it accepts in each role.
#pragma once

#include "platform/d3d8/types.h"

namespace d3d8 {

// Device types with a rasterizer here: REF always; HAL where an OpenGL 3.3 core context can be made.
bool IsDeviceTypeAvailable(D3DDEVTYPE type);

// Capabilities of a device type (adapter ordinal filled in by the caller).
D3DCAPS8 DeviceCaps(D3DDEVTYPE type);

// The roles the format table (format_info.h) offers a format in.
bool IsDisplayFormat(D3DFORMAT format);
bool IsBackBufferFormat(D3DFORMAT format);
bool IsTextureFormat(D3DFORMAT format);  // formats the rasterizers sample
bool IsRenderTargetFormat(D3DFORMAT format);
bool IsSupportedDepthFormat(D3DFORMAT format);

// Back buffer format `back` can be shown on display format `display`.
bool IsBackBufferCompatible(D3DFORMAT display, D3DFORMAT back);

}  // namespace d3d8
