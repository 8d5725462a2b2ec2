// The program's icon, drawn by code at any size: a planet lit from the upper left inside a
// tilted ring, on a transparent ground. The window and the desktop's menus show this picture.
#pragma once

#include <cstdint>
#include <vector>

namespace resources {

constexpr int kMaxIconSize = 1024;

// `size` x `size` pixels (1 to kMaxIconSize, else nothing), top-down rows of 0xAARRGGBB with
// straight alpha. Each pixel averages several samples, so edges are smooth at every size.
std::vector<std::uint32_t> DrawIcon(int size);

// The icon as the window system's icon resources hold it: 0x00RRGGBB, black (transparent)
// where less than half of a pixel is covered, never black where the picture is.
std::vector<std::uint32_t> ColourKeyedIcon(const std::vector<std::uint32_t>& argb);

}  // namespace resources
