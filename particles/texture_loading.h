// Loading a sequence's texture through D3DX. A failed load returns a failure code and leaves
// *texture null.
#pragma once

#include "platform/d3d8.h"

HRESULT LoadParticleTexture(IDirect3DDevice8* device, const char* fileName, IDirect3DTexture8** texture);
