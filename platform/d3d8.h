// The Direct3D 8 stand-in: types, values and interfaces with their published names.
// One device model implements them; device type REF draws with the project's own
// software rasterizer, device type HAL with OpenGL.
#pragma once

#include "platform/d3d8/types.h"
#include "platform/d3d8/interfaces.h"
