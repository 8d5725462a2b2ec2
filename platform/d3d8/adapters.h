// The adapters the Direct3D object offers, gathered in one place. Without a display
// source a single virtual "Software adapter" stands in, with a fixed mode list.
#pragma once

#include "platform/d3d8/types.h"

#include <string>
#include <vector>

namespace d3d8 {

struct AdapterDesc {
    std::string driver;
    std::string description;
    D3DDISPLAYMODE desktopMode{};
    std::vector<D3DDISPLAYMODE> modes;  // in the order EnumAdapterModes reports them
};

// The adapters present now; the Direct3D object takes this snapshot when it is created.
// The virtual adapter alone when there is no display (or tests ask for it).
std::vector<AdapterDesc> EnumerateAdapters();

// One adapter per display of the window service (adapters_displays.cpp).
std::vector<AdapterDesc> DisplayAdapters();

// The virtual adapter: modes 640x480 to 1920x1080 in X8R8G8B8 and R5G6B5 at 60 Hz,
// desktop 1024x768 X8R8G8B8.
AdapterDesc VirtualAdapter();

}  // namespace d3d8
