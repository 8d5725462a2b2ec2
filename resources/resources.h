// The program's resource table (menus, accelerators, the device dialog, the banner and the
// icon). Linking the resources library attaches it to the program's module before main runs.
#pragma once

#include "platform/win32.h"

namespace resources {

const platform::ModuleResources& ProgramResources();

// The banner (0x00RRGGBB, top-down, kBannerWidth x kBannerHeight) and the 32 x 32 icon,
// both drawn by code.
std::vector<DWORD> DrawBanner();
std::vector<DWORD> DrawIcon();

}  // namespace resources
