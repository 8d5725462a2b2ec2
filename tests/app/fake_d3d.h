// A fake Direct3D object and device for the frame's tests: adapters, modes, capabilities and
// failures are set by the test; the device records what the frame asks of it.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/d3d8.h"

namespace fake {

struct DeviceTypeSetup {
    bool exists = true;
    D3DCAPS8 caps{};
    std::set<DWORD> formats;        // back-buffer formats CheckDeviceType accepts (full-screen)
    std::set<DWORD> depthFormats;   // formats CheckDeviceFormat/CheckDepthStencilMatch accept
    std::set<int> multiSample{0};   // multisample types supported
    HRESULT createResult = S_OK;    // result of CreateDevice
};

struct AdapterSetup {
    std::string description = "Fake adapter";
    D3DDISPLAYMODE desktop{1280, 1024, 60, D3DFMT_X8R8G8B8};
    std::vector<D3DDISPLAYMODE> modes;
    DeviceTypeSetup hal;
    DeviceTypeSetup ref;
};

// A typical adapter: HAL and REF, both windowed-capable with hardware T&L on HAL, 16- and
// 32-bit modes from 640 x 480 to 1280 x 1024.
AdapterSetup TypicalAdapter();

struct Calls {
    int createDevice = 0;
    std::vector<D3DDEVTYPE> createdTypes;
    std::vector<D3DPRESENT_PARAMETERS> createParams;
    std::vector<DWORD> createBehavior;
    int reset = 0;
    std::vector<D3DPRESENT_PARAMETERS> resetParams;
    int present = 0;
    int clear = 0;
    D3DCOLOR lastClearColour = 0;
    int checkDeviceFormat = 0;
    std::vector<DWORD> depthFormatsTried;
    int setCursorProperties = 0;
    UINT cursorHotX = 0, cursorHotY = 0;
    std::vector<DWORD> cursorPixels;  // top-down, width * height
    UINT cursorWidth = 0, cursorHeight = 0;
    int showCursor = 0;
    int setCursorPosition = 0;
    int devicesAlive = 0;
    int direct3dAlive = 0;
};

struct Setup {
    std::vector<AdapterSetup> adapters{TypicalAdapter()};
    HRESULT cooperativeLevel = S_OK;   // what TestCooperativeLevel returns
    HRESULT resetResult = S_OK;
    ULONG extraDeviceReferences = 0;   // references the device keeps after the frame's release
    int imageSurfacePitchPad = 0;      // extra bytes per row in locked image surfaces
    // Called on Present (the demo program draws here).
    std::function<void(const D3DPRESENT_PARAMETERS&, D3DCOLOR)> onPresent;
};

// The setup and call record that Direct3DCreate8 uses; tests change them freely.
Setup& CurrentSetup();
Calls& CurrentCalls();
void ResetAll();  // default setup, empty record
// Drops the references the fake itself holds (extraDeviceReferences), as the end of a case.
void ReleaseHeldReferences();

IDirect3D8* CreateDirect3D();

}  // namespace fake
