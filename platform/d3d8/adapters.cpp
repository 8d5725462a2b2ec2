#include "platform/d3d8/adapters.h"

#include "platform/d3d8/format_info.h"
#include "platform/d3d8/testing.h"

#include <utility>

namespace d3d8 {

AdapterDesc VirtualAdapter() {
    struct Size {
        UINT width, height;
    };
    static constexpr Size kSizes[] = {
        {640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 800},  {1280, 960},
        {1280, 1024}, {1360, 768},  {1366, 768},  {1440, 900},  {1600, 900},  {1680, 1050},
        {1920, 1080},
    };
    AdapterDesc a;
    a.driver = "morvelt_soft";
    a.description = "Software adapter";
    a.desktopMode = {1024, 768, 60, D3DFMT_X8R8G8B8};
    for (const FormatInfo& format : kFormats)
        if (format.uses & kUseDisplay)
            for (const Size& s : kSizes) a.modes.push_back({s.width, s.height, 60, format.format});
    return a;
}

namespace {

bool& VirtualOnly() {
    static bool forced = false;
    return forced;
}

}  // namespace

std::vector<AdapterDesc> EnumerateAdapters() {
    if (VirtualOnly()) return {VirtualAdapter()};
    std::vector<AdapterDesc> adapters = DisplayAdapters();
    if (adapters.empty()) adapters.push_back(VirtualAdapter());
    return adapters;
}

namespace testing {

bool ForceVirtualAdapter(bool force) { return std::exchange(VirtualOnly(), force); }

}  // namespace testing

}  // namespace d3d8
