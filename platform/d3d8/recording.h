// An addition of this device model for recording, not part of Direct3D 8: frames that only
// advance the production's state can be run without their pixels.
#pragma once

#include "platform/d3d8/interfaces.h"

namespace d3d8 {

// With rasterizing off the device checks and records every call as usual (states, resources,
// reference counts, contents versions) but clears and draws change no pixel and Present shows
// nothing, so such a frame costs little; back buffer and render targets keep what they held. On by default. False
// when `device` is not a device of this model.
bool SetRasterizing(IDirect3DDevice8* device, bool on);

}  // namespace d3d8
