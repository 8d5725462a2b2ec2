#include "tests/support/shown_pixel.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace test_support {

namespace {

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

unsigned ChannelOf(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    return static_cast<unsigned>(((pixel & mask) >> shift) * 255 / (mask >> shift));
}

}  // namespace

std::optional<std::uint32_t> ShownPixel(SDL_Window* window, int x, int y) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return std::nullopt;
    // The window's own connection: the image is read after everything drawn through it.
    Display* display = info.info.x11.display;
    XSync(display, False);
    auto previous = XSetErrorHandler(IgnoreXError);  // an unreadable window is an answer, not an exit
    XImage* image = XGetImage(display, info.info.x11.window, x, y, 1, 1, AllPlanes, ZPixmap);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!image) return std::nullopt;
    const unsigned long p = XGetPixel(image, 0, 0);
    const std::uint32_t rgb = (ChannelOf(p, image->red_mask) << 16) | (ChannelOf(p, image->green_mask) << 8) |
                              ChannelOf(p, image->blue_mask);
    XDestroyImage(image);
    return rgb;
}

}  // namespace test_support
