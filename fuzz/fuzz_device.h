// Shared by the fuzz targets: one REF device for the whole run (made on first use, never
// released: the process ends with the run) and debugger output silenced.
#pragma once

#include "platform/d3d8.h"
#include "platform/win32.h"

#include <cstdlib>

namespace fuzz {

inline IDirect3DDevice8* Device() {
    static IDirect3DDevice8* const device = [] {
        platform::SetDebugOutputSink([](const char*) {});
        IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
        if (!d3d) std::abort();
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        IDirect3DDevice8* created = nullptr;
        if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, nullptr,
                                     D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &created)))
            std::abort();
        return created;
    }();
    return device;
}

// Stops the run as a finding: libFuzzer saves the input that got here.
[[noreturn]] inline void Fail() { __builtin_trap(); }

}  // namespace fuzz
