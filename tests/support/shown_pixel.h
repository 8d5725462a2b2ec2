// What a person sees of a window on an X display: a pixel read back from the X server, whatever
// put it there (a renderer, an OpenGL swap, a software blit).
#pragma once

#include <cstdint>
#include <optional>

struct SDL_Window;

namespace test_support {

// The colour (0xRRGGBB) at client pixel (x, y) of an SDL window on X11; nothing when the window
// is not on an X display or cannot be read (unmapped, outside the window).
std::optional<std::uint32_t> ShownPixel(SDL_Window* window, int x, int y);

}  // namespace test_support
