// The modal dialog's window on a real (virtual) display: the pointer is moved and clicked on
// a radio button, a drop-down list and the default button, and the dialog procedure must see
// the same commands a user's clicks give. Run under Xvfb by CTest; exits 0 on success.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "platform/win32/display.h"

namespace {

constexpr WORD kDialog = 50;
constexpr int kRadioA = 101, kRadioB = 102, kList = 103;

std::vector<std::string> g_commands;

INT_PTR CALLBACK Proc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) {
        HWND list = GetDlgItem(dialog, kList);
        for (const char* item : {"first", "second", "third"}) SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendMessage(list, CB_SETCURSEL, 0, 0);
        SendMessage(GetDlgItem(dialog, kRadioA), BM_SETCHECK, BST_CHECKED, 0);
        return TRUE;
    }
    if (msg != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    std::string entry = std::to_string(id) + ":" + std::to_string(code);
    if (id == kList && code == CBN_SELENDOK)
        entry += "=" + std::to_string(SendMessage(GetDlgItem(dialog, kList), CB_GETCURSEL, 0, 0));
    if ((id == kRadioA || id == kRadioB) && code == BN_CLICKED)
        entry += SendMessage(GetDlgItem(dialog, kRadioB), BM_GETCHECK, 0, 0) == BST_CHECKED &&
                         SendMessage(GetDlgItem(dialog, kRadioA), BM_GETCHECK, 0, 0) == BST_UNCHECKED
                     ? "=B"
                     : "=?";
    g_commands.push_back(entry);
    if (id == IDOK || id == IDCANCEL) EndDialog(dialog, id);
    return TRUE;
}

// Pixel centre of a control given in dialog units (4 x units = 6 px, 8 y units = 13 px).
POINT Centre(int x, int y, int w, int h) { return {(2 * x + w) * 6 / 8, (2 * y + h) * 13 / 16}; }

void Click(SDL_Window* window, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = SDL_GetWindowID(window);
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    SDL_PushEvent(&e);
}

}  // namespace

int main() {
    platform::ModuleResources resources;
    platform::DialogResource d{kDialog, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 160, 120, "Check", "MS Shell Dlg", 8, {}};
    d.items = {
        {kList, "COMBOBOX", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP, "", 0, 10, 8, 80, 60},
        {kRadioA, "BUTTON", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | WS_GROUP, "Choice A", 0, 10, 80, 60, 12},
        {kRadioB, "BUTTON", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, "Choice B", 0, 10, 94, 60, 12},
        {IDOK, "BUTTON", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_GROUP, "OK", 0, 100, 80, 50, 14},
        {IDCANCEL, "BUTTON", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, "Cancel", 0, 100, 98, 50, 14},
    };
    resources.dialogs = {d};
    platform::SetModuleResources(NULL, &resources);
    if (!platform::HasDisplay()) {
        std::fprintf(stderr, "dialog_view_check: no display\n");
        return 1;
    }

    const POINT radioB = Centre(10, 94, 60, 12);
    const POINT list = Centre(10, 8, 80, 60);
    const POINT listTop = {list.x, 8 * 13 / 8};
    const POINT ok = Centre(100, 80, 50, 14);
    // The script: each step waits a few frames after the previous one; a press waits further
    // until the pointer is over the dialog as SDL sees it, as a hand's click would.
    struct Step {
        enum Kind { Move, Press, Release } kind;
        POINT at;
    };
    const std::vector<Step> steps = {
        {Step::Move, radioB},
        {Step::Press, {}},
        {Step::Release, {}},
        {Step::Move, {list.x, listTop.y + 8}},
        {Step::Press, {}},
        {Step::Release, {}},
        // The open list starts below the box (17 px); items are 17 px apart: the second one.
        {Step::Move, {list.x, listTop.y + 17 + 17 + 8}},
        {Step::Press, {}},
        {Step::Release, {}},
        {Step::Move, ok},
        {Step::Press, {}},
        {Step::Release, {}},
    };
    size_t next = 0;
    int lastStepFrame = 0;
    platform::SetUiFrameHook([&](SDL_Window* window, int frame) {
        if (frame == 600) {  // give up: Escape ends the dialog
            SDL_Event e{};
            e.type = SDL_KEYDOWN;
            e.key.keysym.sym = SDLK_ESCAPE;
            SDL_PushEvent(&e);
        }
        if (next >= steps.size() || frame < lastStepFrame + 3) return;
        const Step& step = steps[next];
        if (step.kind == Step::Press && SDL_GetMouseFocus() != window) return;
        if (step.kind == Step::Move)
            SDL_WarpMouseInWindow(window, step.at.x, step.at.y);
        else
            Click(window, step.kind == Step::Press);
        ++next;
        lastStepFrame = frame;
    });

    INT_PTR result = DialogBoxParam(GetModuleHandle(NULL), MAKEINTRESOURCE(kDialog), NULL, Proc, 0);
    std::string seen;
    for (auto& c : g_commands) seen += c + " ";
    std::fprintf(stderr, "dialog_view_check: result %d, commands %s\n", static_cast<int>(result), seen.c_str());
    const std::vector<std::string> expected = {"102:0=B", "103:9=1", "103:1", "1:0"};
    return result == IDOK && g_commands == expected ? 0 : 1;
}
