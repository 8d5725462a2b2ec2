// The present parameters the tests make their devices with.
#pragma once

#include "platform/d3d8.h"

// A windowed width x height X8R8G8B8 back buffer, one, discarded on present; with a depth
// buffer of `depthFormat` unless that is D3DFMT_UNKNOWN.
inline D3DPRESENT_PARAMETERS TestPresentParams(UINT width, UINT height, D3DFORMAT depthFormat = D3DFMT_UNKNOWN) {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    if (depthFormat != D3DFMT_UNKNOWN) {
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = depthFormat;
    }
    return pp;
}
