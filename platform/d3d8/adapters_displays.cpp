// One adapter per display the window service lists. Each size a display offers is listed
// in both 32-bit (X8R8G8B8) and 16-bit (R5G6B5) form: the rasterizers render either and
// the window service shows either, whatever the display's own depth.
#include "platform/d3d8/adapters.h"
#include "platform/d3d8/format_info.h"

#include "platform/win32/display.h"

#include <algorithm>

namespace d3d8 {

namespace {

D3DFORMAT FormatOfDepth(int bitsPerPixel) { return bitsPerPixel == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8; }

D3DDISPLAYMODE ModeOf(const platform::DisplayMode& m, D3DFORMAT format) {
    return {static_cast<UINT>(std::max(m.width, 0)), static_cast<UINT>(std::max(m.height, 0)),
            static_cast<UINT>(std::max(m.refreshRate, 0)), format};
}

}  // namespace

std::vector<AdapterDesc> DisplayAdapters() {
    std::vector<AdapterDesc> adapters;
    for (const platform::DisplayInfo& display : platform::ListDisplays()) {
        if (display.desktop.width <= 0 || display.desktop.height <= 0) continue;
        AdapterDesc a;
        a.driver = "morvelt_soft";
        a.description = display.name.empty() ? "Display" : display.name;
        a.desktopMode = ModeOf(display.desktop, FormatOfDepth(display.desktop.bitsPerPixel));
        for (const FormatInfo& format : kFormats)
            if (format.uses & kUseDisplay)
                for (const platform::DisplayMode& m : display.modes)
                    if (m.width > 0 && m.height > 0) a.modes.push_back(ModeOf(m, format.format));
        adapters.push_back(std::move(a));
    }
    return adapters;
}

}  // namespace d3d8
