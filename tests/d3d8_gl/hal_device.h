// Forced into the device's end-to-end tests when they are built again for HAL: the devices
// they create are of type HAL, so the model's hand-over (clears, draws, LockRect reading the
// back buffer and render targets back) is checked with the OpenGL rasterizer.
#pragma once

#include "platform/d3d8.h"

#define D3DDEVTYPE_REF D3DDEVTYPE_HAL
