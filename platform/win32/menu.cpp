#include "platform/win32/menu.h"

#include <SDL.h>
#include <imgui.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/debug_output.h"
#include "platform/win32/display.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/resource.h"
#include "platform/win32/ui_host.h"
#include "platform/win32/window_internal.h"

namespace {

struct MenuRecord {
    struct Item {
        std::string text;
        UINT id = 0;
        HMENU popup = nullptr;
    };
    std::vector<Item> items;
    bool owned = false;  // a sub-menu: destroyed with its parent
    bool destroyed = false;
};

struct AcceleratorRecord {
    std::vector<ACCEL> entries;
    bool destroyed = false;
};

platform::detail::HandleTable<HMENU, MenuRecord>& Menus() {
    static platform::detail::HandleTable<HMENU, MenuRecord> menus(platform::detail::kMenuHandleBase);
    return menus;
}

platform::detail::HandleTable<HACCEL, AcceleratorRecord>& Tables() {
    static platform::detail::HandleTable<HACCEL, AcceleratorRecord> tables(platform::detail::kAcceleratorHandleBase);
    return tables;
}

// The record of a menu not yet destroyed, or NULL.
MenuRecord* LiveMenu(HMENU menu) {
    MenuRecord* record = Menus().Find(menu);
    return record && !record->destroyed ? record : nullptr;
}

AcceleratorRecord* LiveTable(HACCEL table) {
    AcceleratorRecord* record = Tables().Find(table);
    return record && !record->destroyed ? record : nullptr;
}

HMENU BuildMenu(const std::vector<platform::MenuItemResource>& items, bool owned) {
    auto menu = std::make_unique<MenuRecord>();
    menu->owned = owned;
    for (const auto& r : items) {
        MenuRecord::Item item;
        item.text = r.text;
        item.id = r.id;
        if (!r.popup.empty()) item.popup = BuildMenu(r.popup, true);
        menu->items.push_back(std::move(item));
    }
    return Menus().Add(std::move(menu));
}

void DestroyTree(MenuRecord& menu) {
    menu.destroyed = true;
    for (auto& item : menu.items)
        if (MenuRecord* popup = LiveMenu(item.popup)) DestroyTree(*popup);
}

platform::PopupMenuDriver& Driver() {
    static platform::PopupMenuDriver driver;
    return driver;
}

// Shows the pop-up as a small borderless window; returns the chosen command or 0.
UINT RunPopupWindow(const MenuRecord& menu, int x, int y, HWND owner) {
    using platform::detail::UiWindow;
    // Item metrics, pixels.
    constexpr int kItemHeight = 22;
    constexpr int kPadding = 4;
    int width = 120;
    for (auto& item : menu.items) {
        std::string shortcut;
        std::string shown = platform::MenuDisplayText(item.text, &shortcut, nullptr);
        width = std::max<int>(width, static_cast<int>(8 * (shown.size() + shortcut.size()) + 60));
    }
    int height = static_cast<int>(menu.items.size()) * kItemHeight + 2 * kPadding;

    UiWindow ui;
    SDL_Window* ownerSdl = platform::GetSdlWindow(owner);
    if (!ui.Open("", x, y, width, height,
                 SDL_WINDOW_BORDERLESS | SDL_WINDOW_POPUP_MENU | SDL_WINDOW_ALWAYS_ON_TOP, ownerSdl))
        return 0;
    SDL_RaiseWindow(ui.Window());

    bool done = false;
    UINT chosen = 0;
    int frames = 0;
    platform::detail::ModalSink sink{ui.SdlId(), [&](const SDL_Event& e) {
        if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) done = true;
        if (e.type == SDL_MOUSEBUTTONDOWN && e.button.windowID != ui.SdlId()) done = true;
        if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && frames > 2) done = true;
        if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) done = true;
        ui.ProcessEvent(e);
    }};
    platform::detail::PushModalSink(&sink);
    while (!done) {
        MSG msg;
        while (!done && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                done = true;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done || !platform::detail::LiveWindow(owner)) break;  // the owner may close meanwhile
        ui.BeginFrame();
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::SetNextWindowSize(ImVec2(static_cast<float>(width), static_cast<float>(height)));
        ImGui::Begin("##popup", nullptr,
                     ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings);
        ImGui::SetCursorPos(ImVec2(kPadding, kPadding));
        for (size_t i = 0; i < menu.items.size(); ++i) {
            auto& item = menu.items[i];
            std::string shortcut;
            std::string shown = platform::MenuDisplayText(item.text, &shortcut, nullptr);
            ImGui::PushID(static_cast<int>(i));
            ImGui::SetCursorPosX(kPadding);
            if (ImGui::Selectable(shown.c_str(), false, 0,
                                  ImVec2(static_cast<float>(width - 2 * kPadding), kItemHeight - 4.0f)) &&
                !item.popup) {
                chosen = item.id;
                done = true;
            }
            if (!shortcut.empty()) {
                ImGui::SameLine(static_cast<float>(width) - 8.0f * shortcut.size() - 12.0f);
                ImGui::TextUnformatted(shortcut.c_str());
            }
            ImGui::PopID();
        }
        ImGui::GetWindowDrawList()->AddRect(ImVec2(0, 0), ImVec2(static_cast<float>(width), static_cast<float>(height)),
                                            IM_COL32(120, 120, 120, 255));
        ImGui::End();
        ui.EndFrame();
        ++frames;
        SDL_Delay(10);
    }
    platform::detail::PopModalSink(&sink);
    ui.Close();
    return chosen;
}

}  // namespace

namespace platform {

std::string MenuDisplayText(const std::string& text, std::string* shortcut, char* accessKey) {
    std::string shown;
    if (accessKey) *accessKey = 0;
    size_t tab = text.find('\t');
    std::string label = tab == std::string::npos ? text : text.substr(0, tab);
    if (shortcut) *shortcut = tab == std::string::npos ? std::string() : text.substr(tab + 1);
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&' && i + 1 < label.size()) {
            ++i;
            if (label[i] != '&' && accessKey && !*accessKey) *accessKey = label[i];
        } else if (label[i] == '&') {
            continue;
        }
        shown += label[i];
    }
    return shown;
}

PopupMenuDriver SetPopupMenuDriver(PopupMenuDriver driver) {
    PopupMenuDriver previous = std::move(Driver());
    Driver() = std::move(driver);
    return previous;
}

}  // namespace platform

HMENU LoadMenuA(HINSTANCE instance, LPCSTR name) {
    const platform::ModuleResources* res = platform::GetModuleResources(instance);
    const platform::MenuResource* m = res ? res->FindMenu(platform::ResourceNumber(name)) : nullptr;
    if (!m) {
        OutputDebugStringA("LoadMenu: no such menu resource\n");
        return nullptr;
    }
    return BuildMenu(m->items, false);
}

HMENU GetSubMenu(HMENU handle, int position) {
    const MenuRecord* menu = LiveMenu(handle);
    if (!menu || position < 0 || position >= static_cast<int>(menu->items.size())) return nullptr;
    return menu->items[static_cast<size_t>(position)].popup;
}

int GetMenuItemCount(HMENU handle) {
    const MenuRecord* menu = LiveMenu(handle);
    return menu ? static_cast<int>(menu->items.size()) : -1;
}

UINT GetMenuItemID(HMENU handle, int position) {
    const MenuRecord* menu = LiveMenu(handle);
    if (!menu || position < 0 || position >= static_cast<int>(menu->items.size())) return 0xFFFFFFFFu;
    const auto& item = menu->items[static_cast<size_t>(position)];
    return item.popup ? 0xFFFFFFFFu : item.id;
}

HMENU GetMenu(HWND window) { return platform::detail::LiveWindow(window) ? window->menu : nullptr; }

BOOL DestroyMenu(HMENU handle) {
    MenuRecord* menu = LiveMenu(handle);
    if (!menu) return FALSE;
    DestroyTree(*menu);
    return TRUE;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS*) {
    const MenuRecord* record = LiveMenu(menu);
    if (!record || !platform::detail::LiveWindow(owner)) return FALSE;
    SendMessageA(owner, WM_ENTERMENULOOP, TRUE, 0);
    UINT chosen = 0;
    if (Driver())
        chosen = Driver()(menu, x, y);
    else if (platform::HasDisplay())
        chosen = RunPopupWindow(*record, x, y, owner);
    SendMessageA(owner, WM_EXITMENULOOP, TRUE, 0);
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen && !(flags & TPM_NONOTIFY)) PostMessageA(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
    return chosen ? TRUE : FALSE;
}

HACCEL LoadAcceleratorsA(HINSTANCE instance, LPCSTR name) {
    const platform::ModuleResources* res = platform::GetModuleResources(instance);
    const platform::AcceleratorResource* a = res ? res->FindAccelerators(platform::ResourceNumber(name)) : nullptr;
    if (!a) {
        OutputDebugStringA("LoadAccelerators: no such accelerator table\n");
        return nullptr;
    }
    auto table = std::make_unique<AcceleratorRecord>();
    table->entries = a->entries;
    return Tables().Add(std::move(table));
}

BOOL DestroyAcceleratorTable(HACCEL handle) {
    AcceleratorRecord* table = LiveTable(handle);
    if (!table) return FALSE;
    table->destroyed = true;
    return TRUE;
}

int TranslateAcceleratorA(HWND window, HACCEL handle, MSG* msg) {
    const AcceleratorRecord* table = LiveTable(handle);
    if (!msg || !table || !platform::detail::LiveWindow(window)) return 0;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return 0;
    SDL_Keymod mod = platform::VideoAvailable() ? SDL_GetModState() : KMOD_NONE;
    bool shift = (mod & KMOD_SHIFT) != 0;
    bool ctrl = (mod & KMOD_CTRL) != 0;
    bool alt = msg->message == WM_SYSKEYDOWN || (mod & KMOD_ALT) != 0;
    for (const ACCEL& a : table->entries) {
        if (!(a.fVirt & FVIRTKEY)) continue;  // character accelerators are not used
        if (a.key != static_cast<WORD>(msg->wParam)) continue;
        if (((a.fVirt & FSHIFT) != 0) != shift || ((a.fVirt & FCONTROL) != 0) != ctrl ||
            ((a.fVirt & FALT) != 0) != alt)
            continue;
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
        return 1;
    }
    return 0;
}
