// What a person would see on an X display, for the tests that play the program there.
//
//   xprobe wm-ready [SECONDS]   waits until a window manager runs (exit 0) or SECONDS pass (1)
//   xprobe screen               prints the screen's size, "WxH"
//   xprobe look NAME            prints "WxH+X+Y MEAN" for the viewable window called NAME: its
//                               size and position on the screen and the mean brightness of its
//                               pixels, 0..255 (exit 1 when there is no such window)
//   xprobe dump NAME PICTURE.png  writes the window's pixels as a PNG picture
//   xprobe same NAME PICTURE.png  compares the window's pixels with a picture of its size; prints
//                               "N pixels differ (largest difference D)", exit 0 only when none do
//
// The window is found by its name anywhere in the tree, so a window manager's frame around it
// does not matter; its pixels are read from the screen, so they are what is shown.
#include "tools/png_file/png_file.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

bool WindowManagerRuns(Display* display) {
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                    &format, &count, &after, &data);
    bool found = status == Success && type == XA_WINDOW && count == 1;
    if (data) XFree(data);
    return found;
}

Window FindViewable(Display* display, Window window, const std::string& name) {
    char* own = nullptr;
    if (XFetchName(display, window, &own) && own) {
        bool match = name == own;
        XFree(own);
        XWindowAttributes attributes;
        if (match && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable)
            return window;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = count; i-- > 0 && !found;) found = FindViewable(display, children[i], name);
    if (children) XFree(children);
    return found;
}

// Channel masks of the window's visual give each pixel's red, green and blue, 0..255.
double Channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0.0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    return static_cast<double>((pixel & mask) >> shift) * 255.0 / static_cast<double>(mask >> shift);
}

// The pixels of the viewable window NAME as shown, or null (said on stderr).
XImage* ReadWindow(Display* display, const std::string& name, XWindowAttributes* attributes) {
    Window window = FindViewable(display, DefaultRootWindow(display), name);
    if (!window) {
        std::fprintf(stderr, "xprobe: no viewable window \"%s\"\n", name.c_str());
        return nullptr;
    }
    XGetWindowAttributes(display, window, attributes);
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes->width),
                              static_cast<unsigned>(attributes->height), AllPlanes, ZPixmap);
    if (!image) std::fprintf(stderr, "xprobe: cannot read the pixels of \"%s\"\n", name.c_str());
    return image;
}

int Same(Display* display, const std::string& name, const char* path) {
    pngfile::Picture picture;
    std::string error;
    if (!pngfile::Read(path, pngfile::Channels::Rgb, picture, error)) {
        std::fprintf(stderr, "xprobe: %s\n", error.c_str());
        return 2;
    }
    XWindowAttributes attributes;
    XImage* image = ReadWindow(display, name, &attributes);
    if (!image) return 2;
    if (image->width != picture.width || image->height != picture.height) {
        std::printf("the window is %dx%d, the picture %dx%d\n", image->width, image->height, picture.width,
                    picture.height);
        XDestroyImage(image);
        return 1;
    }
    long differ = 0;
    int largest = 0;
    for (int row = 0; row < image->height; ++row)
        for (int column = 0; column < image->width; ++column) {
            const unsigned long p = XGetPixel(image, column, row);
            const unsigned char* q = picture.bytes.data() + 3 * (static_cast<size_t>(row) * static_cast<size_t>(picture.width) +
                                                                 static_cast<size_t>(column));
            const int d = std::max({std::abs(static_cast<int>(Channel(p, image->red_mask) + 0.5) - q[0]),
                                    std::abs(static_cast<int>(Channel(p, image->green_mask) + 0.5) - q[1]),
                                    std::abs(static_cast<int>(Channel(p, image->blue_mask) + 0.5) - q[2])});
            if (d) ++differ;
            largest = std::max(largest, d);
        }
    XDestroyImage(image);
    std::printf("%ld pixels differ (largest difference %d)\n", differ, largest);
    return differ == 0 ? 0 : 1;
}

int Dump(Display* display, const std::string& name, const char* path) {
    XWindowAttributes attributes;
    XImage* image = ReadWindow(display, name, &attributes);
    if (!image) return 1;
    pngfile::Picture picture{image->width, image->height, pngfile::Channels::Rgb, {}};
    picture.bytes.resize(3 * static_cast<size_t>(image->width) * static_cast<size_t>(image->height));
    for (int row = 0; row < image->height; ++row)
        for (int column = 0; column < image->width; ++column) {
            const unsigned long p = XGetPixel(image, column, row);
            std::uint8_t* q = picture.bytes.data() +
                              3 * (static_cast<size_t>(row) * static_cast<size_t>(image->width) + static_cast<size_t>(column));
            q[0] = static_cast<std::uint8_t>(Channel(p, image->red_mask) + 0.5);
            q[1] = static_cast<std::uint8_t>(Channel(p, image->green_mask) + 0.5);
            q[2] = static_cast<std::uint8_t>(Channel(p, image->blue_mask) + 0.5);
        }
    XDestroyImage(image);
    std::string error;
    if (!pngfile::Write(path, picture, error)) {
        std::fprintf(stderr, "xprobe: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int Look(Display* display, const std::string& name) {
    XWindowAttributes attributes;
    XImage* image = ReadWindow(display, name, &attributes);
    if (!image) return 1;
    Window window = FindViewable(display, DefaultRootWindow(display), name);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    auto channel = Channel;
    double sum = 0.0;
    for (int row = 0; row < image->height; ++row)
        for (int column = 0; column < image->width; ++column) {
            unsigned long p = XGetPixel(image, column, row);
            sum += (channel(p, image->red_mask) + channel(p, image->green_mask) + channel(p, image->blue_mask)) / 3.0;
        }
    const double mean = sum / (static_cast<double>(image->width) * image->height);
    std::printf("%dx%d+%d+%d %.1f\n", attributes.width, attributes.height, x, y, mean);
    XDestroyImage(image);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "look") == 0 && argc != 3) || ((std::strcmp(argv[1], "same") == 0 || std::strcmp(argv[1], "dump") == 0) && argc != 4)) {
        std::fprintf(stderr, "usage: xprobe wm-ready [SECONDS] | xprobe screen | xprobe look NAME | xprobe dump|same NAME PNG\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "xprobe: no display\n");
        return 1;
    }
    int result = 2;
    if (std::strcmp(argv[1], "wm-ready") == 0) {
        const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        result = 1;
        while (std::chrono::steady_clock::now() < end) {
            if (WindowManagerRuns(display)) {
                result = 0;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    } else if (std::strcmp(argv[1], "screen") == 0) {
        std::printf("%dx%d\n", DisplayWidth(display, DefaultScreen(display)), DisplayHeight(display, DefaultScreen(display)));
        result = 0;
    } else if (std::strcmp(argv[1], "look") == 0) {
        result = Look(display, argv[2]);
    } else if (std::strcmp(argv[1], "same") == 0) {
        result = Same(display, argv[2], argv[3]);
    } else if (std::strcmp(argv[1], "dump") == 0) {
        result = Dump(display, argv[2], argv[3]);
    }
    XCloseDisplay(display);
    return result;
}
