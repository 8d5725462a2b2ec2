#include "platform/win32/cursor.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/win32/handle_table.h"
#include "platform/win32/resource.h"
#include "platform/win32/window_internal.h"

namespace {

struct IconRecord {
    bool isIcon = false;
    DWORD hotX = 0, hotY = 0;
    int width = 0, height = 0;
    std::vector<DWORD> mask;   // monochrome: AND rows over XOR rows (2 * height rows)
    std::vector<DWORD> color;  // empty for a monochrome cursor
    SDL_SystemCursor system = SDL_SYSTEM_CURSOR_ARROW;
    bool hasSystem = false;
    SDL_Cursor* sdl = nullptr;
};

platform::detail::HandleTable<HICON, IconRecord>& Icons() {
    static platform::detail::HandleTable<HICON, IconRecord> icons(platform::detail::kIconHandleBase);
    return icons;
}

constexpr DWORD kWhite = 0x00FFFFFF;

// A 32 x 32 monochrome cursor drawn from a picture: '#' black, '.' white, ' ' transparent.
HICON MakeMonochromeCursor(const char* const* rows, int rowCount, DWORD hotX, DWORD hotY, SDL_SystemCursor system) {
    auto icon = std::make_unique<IconRecord>();
    icon->width = 32;
    icon->height = 32;
    icon->hotX = hotX;
    icon->hotY = hotY;
    icon->system = system;
    icon->hasSystem = true;
    icon->mask.assign(32 * 64, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            char ch = (y < rowCount && x < static_cast<int>(std::strlen(rows[y]))) ? rows[y][x] : ' ';
            DWORD andBit = ch == ' ' ? kWhite : 0;
            DWORD xorBit = ch == '.' ? kWhite : 0;
            icon->mask[static_cast<size_t>(y) * 32 + x] = andBit;
            icon->mask[static_cast<size_t>(y + 32) * 32 + x] = xorBit;
        }
    return Icons().Add(std::move(icon));
}

HICON SystemCursor(WORD id) {
    static const char* const arrow[] = {
        "#",           "##",          "#.#",         "#..#",        "#...#",       "#....#",
        "#.....#",     "#......#",    "#.......#",   "#........#",  "#.....#####", "#..#..#",
        "#.# #..#",    "##  #..#",    "#    #..#",   "     #..#",   "      ##",
    };
    static const char* const cross[] = {
        "       #", "       #", "       #", "       #", "       #", "       #", "       #",
        "###############", "       #", "       #", "       #", "       #", "       #", "       #", "       #",
    };
    static const char* const sizeAll[] = {
        "        #",         "       #.#",        "      #...#",       "     #.....#",     "       #.#",
        "   #   #.#   #",    "  ##   #.#   ##",   " #.######.######.#", "#.................#",
        " #.######.######.#", "  ##   #.#   ##",  "   #   #.#   #",    "       #.#",        "     #.....#",
        "      #...#",       "       #.#",        "        #",
    };
    static struct {
        WORD id;
        HICON icon;
    } cache[6] = {{32512, nullptr}, {32513, nullptr}, {32514, nullptr}, {32515, nullptr}, {32646, nullptr}, {32649, nullptr}};
    for (auto& c : cache) {
        if (c.id != id) continue;
        if (c.icon) return c.icon;
        switch (id) {
            case 32512: c.icon = MakeMonochromeCursor(arrow, 17, 0, 0, SDL_SYSTEM_CURSOR_ARROW); break;
            case 32513: c.icon = MakeMonochromeCursor(cross, 15, 7, 7, SDL_SYSTEM_CURSOR_IBEAM); break;
            case 32514: c.icon = MakeMonochromeCursor(arrow, 17, 0, 0, SDL_SYSTEM_CURSOR_WAIT); break;
            case 32515: c.icon = MakeMonochromeCursor(cross, 15, 7, 7, SDL_SYSTEM_CURSOR_CROSSHAIR); break;
            case 32646: c.icon = MakeMonochromeCursor(sizeAll, 17, 9, 8, SDL_SYSTEM_CURSOR_SIZEALL); break;
            case 32649: c.icon = MakeMonochromeCursor(arrow, 17, 0, 0, SDL_SYSTEM_CURSOR_HAND); break;
        }
        return c.icon;
    }
    return nullptr;
}

HICON IconFromImage(const platform::ImageResource& img) {
    auto icon = std::make_unique<IconRecord>();
    icon->isIcon = true;
    icon->width = img.width;
    icon->height = img.height;
    icon->hotX = static_cast<DWORD>(img.width / 2);
    icon->hotY = static_cast<DWORD>(img.height / 2);
    icon->color = img.pixels;
    icon->mask.resize(img.pixels.size());
    for (size_t i = 0; i < img.pixels.size(); ++i) icon->mask[i] = (img.pixels[i] & 0xFFFFFF) == 0 ? kWhite : 0;
    return Icons().Add(std::move(icon));
}

struct CursorState {
    HCURSOR current = nullptr;
    int displayCount = 0;
};
CursorState& State() {
    static CursorState state;
    return state;
}

}  // namespace

namespace platform {

HCURSOR CurrentCursor() { return State().current; }

namespace detail {

void ApplyCursor(HCURSOR handle) {
    if (!platform::HasDisplay()) return;
    IconRecord* cursor = Icons().Find(handle);
    if (!cursor) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    if (!cursor->sdl && cursor->hasSystem) cursor->sdl = SDL_CreateSystemCursor(cursor->system);
    if (!cursor->sdl) {
        // An icon used as cursor: its colour picture with black as transparent.
        const std::vector<DWORD>& src = cursor->color.empty() ? cursor->mask : cursor->color;
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, cursor->width, cursor->height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (s) {
            for (int y = 0; y < cursor->height; ++y)
                for (int x = 0; x < cursor->width; ++x) {
                    size_t i = static_cast<size_t>(y) * cursor->width + x;
                    DWORD a = cursor->mask[i] ? 0 : 0xFF000000u;
                    static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + x] = a | (src[i] & 0xFFFFFF);
                }
            cursor->sdl = SDL_CreateColorCursor(s, static_cast<int>(cursor->hotX), static_cast<int>(cursor->hotY));
            SDL_FreeSurface(s);
        }
    }
    if (cursor->sdl) SDL_SetCursor(cursor->sdl);
    SDL_ShowCursor(SDL_ENABLE);
}

void ApplyWindowIcon(SDL_Window* window, HICON handle) {
    const IconRecord* icon = Icons().Find(handle);
    if (!window || !icon || icon->color.empty()) return;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, icon->width, icon->height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    for (int y = 0; y < icon->height; ++y)
        for (int x = 0; x < icon->width; ++x) {
            size_t i = static_cast<size_t>(y) * icon->width + x;
            DWORD a = icon->mask[i] ? 0 : 0xFF000000u;
            static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + x] = a | (icon->color[i] & 0xFFFFFF);
        }
    SDL_SetWindowIcon(window, s);
    SDL_FreeSurface(s);
}

}  // namespace detail
}  // namespace platform

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance == nullptr) return SystemCursor(platform::ResourceNumber(name));
    return nullptr;  // the program carries no cursor resources
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    WORD id = platform::ResourceNumber(name);
    if (instance == nullptr) {
        if (id != 32512) return nullptr;
        static HICON application = nullptr;
        if (!application) {
            platform::ImageResource img{32512, 32, 32, std::vector<DWORD>(32 * 32, 0)};
            for (int y = 4; y < 28; ++y)
                for (int x = 4; x < 28; ++x) img.pixels[static_cast<size_t>(y) * 32 + x] = (y < 9) ? 0x00204080 : 0x00E0E0E0;
            application = IconFromImage(img);
        }
        return application;
    }
    const platform::ModuleResources* res = platform::GetModuleResources(instance);
    const platform::ImageResource* img = res ? res->FindIcon(id) : nullptr;
    return img ? IconFromImage(*img) : nullptr;
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
    const platform::ModuleResources* res = platform::GetModuleResources(instance);
    const platform::ImageResource* img = res ? res->FindBitmap(platform::ResourceNumber(name)) : nullptr;
    if (!img) return nullptr;
    return platform::detail::CreateBitmapObject(img->width, img->height, 24, img->pixels);
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = State().current;
    State().current = Icons().Find(cursor) ? cursor : nullptr;
    platform::detail::ApplyCursor(State().current);
    return previous;
}

int ShowCursor(BOOL show) {
    State().displayCount += show ? 1 : -1;
    if (platform::HasDisplay()) SDL_ShowCursor(State().displayCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return State().displayCount;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    *point = platform::detail::MousePosition();
    return TRUE;
}

BOOL GetIconInfo(HICON handle, ICONINFO* info) {
    const IconRecord* icon = Icons().Find(handle);
    if (!icon || !info) return FALSE;
    info->fIcon = icon->isIcon ? TRUE : FALSE;
    info->xHotspot = icon->hotX;
    info->yHotspot = icon->hotY;
    int maskRows = icon->color.empty() ? icon->height * 2 : icon->height;
    info->hbmMask = platform::detail::CreateBitmapObject(icon->width, maskRows, 1, icon->mask);
    info->hbmColor = icon->color.empty() ? nullptr
                                         : platform::detail::CreateBitmapObject(icon->width, icon->height, 32, icon->color);
    return TRUE;
}
