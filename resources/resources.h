// The program's resource table (menus, accelerators, the device dialog, the banner and the
// icon). A program that links this library whole has it attached to its module before main runs.
#pragma once

#include "platform/win32.h"

namespace resources {

const platform::ModuleResources& ProgramResources();

// The banner (0x00RRGGBB, top-down, kBannerWidth x kBannerHeight), drawn by code; the icon
// is in icon.h.
std::vector<DWORD> DrawBanner();

}  // namespace resources
