// Pictures in memory shown in a window: one SDL renderer per window with a streaming texture of
// the picture's size and layout, updated once per frame. The renderer scales (linear, aspect
// kept, black borders) and waits for the display's refresh on the graphics hardware where
// there is some; SDL's software renderer stands in where there is none.
#include <SDL.h>

#include "platform/win32/display.h"
#include "platform/win32/window_internal.h"

struct Presentation {
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0, height = 0;
    Uint32 format = 0;
    int vsync = -1;  // as last set on the renderer; -1 before the first picture
};

namespace platform {

namespace {

Uint32 SdlFormatOf(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::RGB565: return SDL_PIXELFORMAT_RGB565;
    case PixelLayout::XRGB1555: return SDL_PIXELFORMAT_RGB555;
    default: return SDL_PIXELFORMAT_RGB888;
    }
}

// The renderer leaves its OpenGL context current; the caller's (or none) is put back so that
// a graphics device's own context can be made current on this thread afterwards.
class KeepCurrentGl {
public:
    KeepCurrentGl() : window_(SDL_GL_GetCurrentWindow()), context_(SDL_GL_GetCurrentContext()) {}
    ~KeepCurrentGl() {
        if (SDL_GL_GetCurrentContext() == context_) return;
        SDL_GL_MakeCurrent(context_ ? window_ : nullptr, context_);
    }
    KeepCurrentGl(const KeepCurrentGl&) = delete;
    KeepCurrentGl& operator=(const KeepCurrentGl&) = delete;

private:
    SDL_Window* window_;
    SDL_GLContext context_;
};

// The window's renderer, made on first use: accelerated where the window can take OpenGL
// (a window made without it would have to be re-created by SDL), software otherwise.
SDL_Renderer* RendererOf(HWND window, SDL_Window* sdl) {
    Presentation*& p = window->presentation;
    if (!p) p = new Presentation;
    if (!p->renderer && window->openGL) p->renderer = SDL_CreateRenderer(sdl, -1, SDL_RENDERER_ACCELERATED);
    if (!p->renderer) p->renderer = SDL_CreateRenderer(sdl, -1, SDL_RENDERER_SOFTWARE);
    return p->renderer;
}

// The streaming texture for a picture of this size and format, remade when they change.
SDL_Texture* TextureFor(Presentation& p, int width, int height, Uint32 format) {
    if (p.texture && p.width == width && p.height == height && p.format == format) return p.texture;
    if (p.texture) SDL_DestroyTexture(p.texture);
    p.texture = SDL_CreateTexture(p.renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!p.texture) return nullptr;
    SDL_SetTextureBlendMode(p.texture, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(p.texture, SDL_ScaleModeLinear);
    p.width = width;
    p.height = height;
    p.format = format;
    return p.texture;
}

}  // namespace

bool PresentPixels(HWND window, const void* bits, int width, int height, int pitch, PixelLayout layout,
                   bool waitForRefresh) {
    SDL_Window* sdl = GetSdlWindow(window);
    if (!sdl || !bits || width <= 0 || height <= 0 || pitch <= 0) return false;
    const Uint32 format = SdlFormatOf(layout);
    if (pitch < width * static_cast<int>(SDL_BYTESPERPIXEL(format))) return false;

    KeepCurrentGl keep;
    SDL_Renderer* renderer = RendererOf(window, sdl);
    if (!renderer) return false;
    Presentation& p = *window->presentation;
    SDL_Texture* texture = TextureFor(p, width, height, format);
    if (!texture || SDL_UpdateTexture(texture, nullptr, bits, pitch) != 0) return false;
    if (p.vsync != static_cast<int>(waitForRefresh)) {
        SDL_RenderSetVSync(renderer, waitForRefresh ? 1 : 0);  // refused by some renderers: then as it is
        p.vsync = waitForRefresh ? 1 : 0;
    }

    int areaWidth = 0, areaHeight = 0;
    if (SDL_GetRendererOutputSize(renderer, &areaWidth, &areaHeight) != 0) return false;
    const SDL_Rect fit = FitKeepingAspect(width, height, areaWidth, areaHeight);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    if (fit.w != areaWidth || fit.h != areaHeight) SDL_RenderClear(renderer);
    if (SDL_RenderCopy(renderer, texture, nullptr, &fit) != 0) return false;
    SDL_RenderPresent(renderer);
    return true;
}

SDL_Rect FitKeepingAspect(int width, int height, int areaWidth, int areaHeight) {
    if (width <= 0 || height <= 0 || areaWidth <= 0 || areaHeight <= 0) return {0, 0, 0, 0};
    // The larger of the two scales that still fits, in integers: width/height * area height
    // against the area's width.
    SDL_Rect r;
    if (static_cast<long long>(areaWidth) * height <= static_cast<long long>(areaHeight) * width) {
        r.w = areaWidth;
        r.h = static_cast<int>(static_cast<long long>(areaWidth) * height / width);
    } else {
        r.h = areaHeight;
        r.w = static_cast<int>(static_cast<long long>(areaHeight) * width / height);
    }
    r.x = (areaWidth - r.w) / 2;
    r.y = (areaHeight - r.h) / 2;
    return r;
}

namespace detail {

void ReleasePresentation(HWND window) {
    Presentation* p = window->presentation;
    if (!p) return;
    KeepCurrentGl keep;
    if (p->texture) SDL_DestroyTexture(p->texture);
    if (p->renderer) SDL_DestroyRenderer(p->renderer);
    delete p;
    window->presentation = nullptr;
}

}  // namespace detail

}  // namespace platform
