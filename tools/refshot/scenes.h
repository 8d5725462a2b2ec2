// The reference scenes refshot draws, each through an IDirect3DDevice8 between BeginScene
// and EndScene of the caller.
#pragma once

#include "platform/d3d8.h"

namespace refshot {

struct Scene {
    const char* name;  // file name stem
    const char* what;  // one line for the listing
    HRESULT (*draw)(IDirect3DDevice8* device, UINT width, UINT height);
};

// The scenes, in order; `count` receives their number.
const Scene* Scenes(int& count);

}  // namespace refshot
