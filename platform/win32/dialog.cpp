#include "platform/win32/dialog.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_internal.h>  // SetFocusID: Tab moves the focus through the controls (this version tabs only through text fields)

#include <csignal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/debug_output.h"
#include "platform/win32/display.h"
#include "platform/win32/menu.h"
#include "platform/win32/ui_host.h"
#include "platform/win32/window_internal.h"

namespace {

// Dialog base units of the stand-in's dialog font: 4 horizontal units are 6 px, 8 vertical
// units are 13 px (so the 262 x 94 unit banner frame holds a 393 x 152 px picture).
constexpr int kBaseX = 6;
constexpr int kBaseY = 13;
float DluX(int v) { return static_cast<float>(v * kBaseX) / 4.0f; }
float DluY(int v) { return static_cast<float>(v * kBaseY) / 8.0f; }

enum class ControlType { GroupBox, Text, Picture, Radio, Button, Combo, Other };

ControlType TypeOf(const HWND c) {
    DWORD s = c->style;
    if (c->className == "BUTTON") {
        DWORD t = s & BS_TYPEMASK;
        if (t == BS_GROUPBOX) return ControlType::GroupBox;
        if (t == BS_AUTORADIOBUTTON) return ControlType::Radio;
        if (t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON) return ControlType::Button;
        return ControlType::Other;
    }
    if (c->className == "STATIC") return (s & SS_TYPEMASK) == SS_BITMAP ? ControlType::Picture : ControlType::Text;
    if (c->className == "COMBOBOX") return ControlType::Combo;
    return ControlType::Other;
}

platform::ModalDialogDriver& Driver() {
    static platform::ModalDialogDriver driver;
    return driver;
}

// While alive, SIGINT and SIGTERM end the program at once (their default action). A message
// box waits in its own loop, which never sees the quit request they otherwise become.
class TerminationSignalsEndTheProgram {
public:
    TerminationSignalsEndTheProgram() {
        struct sigaction endNow {};
        endNow.sa_handler = SIG_DFL;
        sigemptyset(&endNow.sa_mask);
        for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &endNow, &kept_[i]);
    }
    ~TerminationSignalsEndTheProgram() {
        for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &kept_[i], nullptr);
    }

private:
    static constexpr int kSignals[2] = {SIGINT, SIGTERM};
    struct sigaction kept_[2];
};

platform::MessageBoxSink& BoxSink() {
    static platform::MessageBoxSink sink;
    return sink;
}

bool IsControl(HWND w) { return platform::detail::LiveWindow(w) && w->kind == HWND__::Kind::Control; }
bool IsDialog(HWND w) { return platform::detail::LiveWindow(w) && w->kind == HWND__::Kind::Dialog; }

LRESULT ControlProc(HWND c, UINT message, WPARAM wParam, LPARAM lParam) {
    auto inRange = [&](WPARAM i) { return i < c->items.size(); };
    switch (message) {
        case BM_GETCHECK:
            return c->check;
        case BM_SETCHECK:
            c->check = static_cast<int>(wParam);
            return 0;
        case CB_ADDSTRING:
            c->items.emplace_back(lParam ? reinterpret_cast<const char*>(lParam) : "", 0);
            return static_cast<LRESULT>(c->items.size() - 1);
        case CB_RESETCONTENT:
            c->items.clear();
            c->curSel = -1;
            return 0;
        case CB_GETCOUNT:
            return static_cast<LRESULT>(c->items.size());
        case CB_SETCURSEL:
            if (!inRange(wParam)) {
                c->curSel = -1;
                return CB_ERR;
            }
            c->curSel = static_cast<int>(wParam);
            return c->curSel;
        case CB_GETCURSEL:
            return c->curSel < 0 ? CB_ERR : c->curSel;
        case CB_SETITEMDATA:
            if (!inRange(wParam)) return CB_ERR;
            c->items[wParam].second = lParam;
            return 0;
        case CB_GETITEMDATA:
            if (!inRange(wParam)) return CB_ERR;
            return c->items[wParam].second;
        case CB_GETLBTEXTLEN:
            if (!inRange(wParam)) return CB_ERR;
            return static_cast<LRESULT>(c->items[wParam].first.size());
        case CB_GETLBTEXT:
            if (!inRange(wParam) || !lParam) return CB_ERR;
            std::strcpy(reinterpret_cast<char*>(lParam), c->items[wParam].first.c_str());
            return static_cast<LRESULT>(c->items[wParam].first.size());
        default:
            return 0;
    }
}

LRESULT DialogProc(HWND d, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!d->dlgProc) return 0;
    return d->dlgProc(d, message, wParam, lParam);
}

HWND BuildDialog(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc) {
    const platform::ModuleResources* res = platform::GetModuleResources(instance);
    const platform::DialogResource* t = res ? res->FindDialog(platform::ResourceNumber(name)) : nullptr;
    if (!t) {
        OutputDebugStringA("DialogBoxParam: no such dialog resource\n");
        return nullptr;
    }
    HWND d = platform::detail::NewWindow();
    d->kind = HWND__::Kind::Dialog;
    d->className = "#32770";
    d->text = t->caption;
    d->style = t->style;
    d->proc = DialogProc;
    d->dlgProc = proc;
    d->owner = owner;
    d->instance = instance;
    d->dialogTemplate = t;
    d->rectDlu = {t->x, t->y, t->x + t->cx, t->y + t->cy};
    for (const auto& item : t->items) {
        HWND c = platform::detail::NewWindow();
        c->kind = HWND__::Kind::Control;
        c->className = item.className;
        c->text = item.text;
        c->style = item.style;
        c->proc = ControlProc;
        c->owner = d;
        c->id = item.id;
        c->imageId = item.imageId;
        c->enabled = !(item.style & WS_DISABLED);
        c->rectDlu = {item.x, item.y, item.x + item.cx, item.y + item.cy};
        d->controls.push_back(c);
    }
    return d;
}

// The radio buttons that share a group with `radio` (from the WS_GROUP item before it to the
// next WS_GROUP item).
std::vector<HWND> RadioGroup(HWND dialog, HWND radio) {
    auto& cs = dialog->controls;
    auto it = std::find(cs.begin(), cs.end(), radio);
    if (it == cs.end()) return {radio};
    size_t first = static_cast<size_t>(it - cs.begin());
    while (first > 0 && !(cs[first]->style & WS_GROUP)) --first;
    std::vector<HWND> group;
    for (size_t i = first; i < cs.size(); ++i) {
        if (i > first && (cs[i]->style & WS_GROUP)) break;
        if (TypeOf(cs[i]) == ControlType::Radio) group.push_back(cs[i]);
    }
    return group;
}

struct PendingAction {
    enum Kind { Click, Select, Command } kind;
    HWND control;
    int index;
    int commandId;
};

void Apply(HWND dialog, const PendingAction& a) {
    if (dialog->ended || dialog->destroyed) return;
    switch (a.kind) {
        case PendingAction::Click:
            if (TypeOf(a.control) == ControlType::Radio)
                for (HWND r : RadioGroup(dialog, a.control)) r->check = r == a.control ? BST_CHECKED : BST_UNCHECKED;
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(a.control->id), BN_CLICKED),
                         reinterpret_cast<LPARAM>(a.control));
            break;
        case PendingAction::Select:
            a.control->curSel = a.index;
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(a.control->id), CBN_SELENDOK),
                         reinterpret_cast<LPARAM>(a.control));
            if (!dialog->ended)
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(a.control->id), CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(a.control));
            break;
        case PendingAction::Command:
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(a.commandId), BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, a.commandId)));
            break;
    }
}

// Keyboard use of the dialog, on Dear ImGui's focus (this version sees only keys still held at a
// frame's start, so presses are taken here): Tab and Shift+Tab move the focus; an arrow on a
// radio button moves the focus and the check within its group, and on a list picks the next
// or previous entry, as on Windows; Space presses the focused button or radio button;
// Enter presses the focused button, or the default one; Enter and Escape in an open list are
// the list's.
struct KeyboardState {
    int tab = 0;                   // Tab (+1) or Shift+Tab (-1) waiting for the next frame
    int arrow = 0;                 // Down/Right (+1) or Up/Left (-1) waiting for the next frame
    HWND lastRadio = nullptr;      // the radio button with the focus in the last frame
    bool space = false;            // Space waiting for the next frame: presses the focused control
    HWND focusedButton = nullptr;  // in the last frame, with the focus shown
    bool listOpen = false;         // a combo box's list was open in the last frame
};

HWND DefaultButton(HWND dialog) {
    for (HWND c : dialog->controls)
        if (TypeOf(c) == ControlType::Button && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return c;
    return nullptr;
}

void DrawControls(HWND dialog, const std::vector<std::pair<HWND, unsigned int>>& pictures,
                  std::vector<PendingAction>& pending, KeyboardState& keys) {
    HWND previousButton = keys.focusedButton;
    keys.focusedButton = nullptr;
    keys.listOpen = ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId);
    const bool focusShown = ImGui::GetIO().NavVisible;
    std::vector<ImGuiID> tabStops;  // enabled radio buttons, lists and buttons, in the dialog's order
    int focusedStop = -1;
    std::vector<std::pair<HWND, ImGuiID>> radioIds;
    HWND focusedRadio = nullptr;
    HWND focusedList = nullptr;
    const auto tabStop = [&] {
        if (ImGui::IsItemFocused()) focusedStop = static_cast<int>(tabStops.size());
        tabStops.push_back(ImGui::GetItemID());
    };
    ImDrawList* draw = ImGui::GetWindowDrawList();
    ImVec2 origin = ImGui::GetWindowPos();
    const float lineH = ImGui::GetTextLineHeight();
    for (HWND c : dialog->controls) {
        if (!(c->style & WS_VISIBLE)) continue;
        float x = DluX(c->rectDlu.left), y = DluY(c->rectDlu.top);
        float w = DluX(c->rectDlu.right - c->rectDlu.left), h = DluY(c->rectDlu.bottom - c->rectDlu.top);
        std::string label = platform::MenuDisplayText(c->text, nullptr, nullptr);
        ImGui::PushID(c);
        ImGui::BeginDisabled(!c->enabled);
        switch (TypeOf(c)) {
            case ControlType::GroupBox: {
                ImVec2 p0(origin.x + x, origin.y + y + lineH * 0.5f), p1(origin.x + x + w, origin.y + y + h);
                draw->AddRect(p0, p1, IM_COL32(160, 160, 160, 255));
                ImVec2 size = ImGui::CalcTextSize(label.c_str());
                draw->AddRectFilled(ImVec2(origin.x + x + 5, origin.y + y), ImVec2(origin.x + x + 11 + size.x, origin.y + y + lineH),
                                    ImGui::GetColorU32(ImGuiCol_WindowBg));
                draw->AddText(ImVec2(origin.x + x + 8, origin.y + y), ImGui::GetColorU32(ImGuiCol_Text), label.c_str());
                break;
            }
            case ControlType::Text:
                ImGui::SetCursorPos(ImVec2(x, y));
                ImGui::TextUnformatted(label.c_str());
                break;
            case ControlType::Picture:
                for (auto& p : pictures) {
                    if (p.first != c || !p.second) continue;
                    ImGui::SetCursorPos(ImVec2(x, y));
                    int iw = 0, ih = 0;
                    if (const platform::ModuleResources* res = platform::GetModuleResources(dialog->instance))
                        if (const platform::ImageResource* img = res->FindBitmap(c->imageId)) {
                            iw = img->width;
                            ih = img->height;
                        }
                    ImGui::Image(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(p.second)),
                                 ImVec2(static_cast<float>(iw), static_cast<float>(ih)));
                }
                break;
            case ControlType::Radio:
                ImGui::SetCursorPos(ImVec2(x, y + (h - lineH) * 0.5f - 3.0f));
                if (ImGui::RadioButton(label.c_str(), c->check == BST_CHECKED))
                    pending.push_back({PendingAction::Click, c, 0, 0});
                if (c->enabled) tabStop();
                radioIds.emplace_back(c, ImGui::GetItemID());
                if (focusShown && ImGui::IsItemFocused()) focusedRadio = c;
                break;
            case ControlType::Button: {
                bool isDefault = (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
                ImGui::SetCursorPos(ImVec2(x, y));
                if (isDefault) {
                    ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 2.0f);
                    ImGui::PushStyleColor(ImGuiCol_Border, IM_COL32(0, 90, 200, 255));
                }
                if (ImGui::Button(label.c_str(), ImVec2(w, h))) pending.push_back({PendingAction::Click, c, 0, 0});
                if (focusShown && ImGui::IsItemFocused()) keys.focusedButton = c;
                if (c->enabled) tabStop();
                if (isDefault) {
                    ImGui::PopStyleColor();
                    ImGui::PopStyleVar();
                }
                break;
            }
            case ControlType::Combo: {
                ImGui::SetCursorPos(ImVec2(x, y));
                ImGui::SetNextItemWidth(w);
                const char* preview = c->curSel >= 0 && c->curSel < static_cast<int>(c->items.size())
                                          ? c->items[static_cast<size_t>(c->curSel)].first.c_str()
                                          : "";
                const bool open = ImGui::BeginCombo("##combo", preview, ImGuiComboFlags_HeightLarge);
                if (c->enabled) tabStop();
                if (focusShown && ImGui::IsItemFocused()) focusedList = c;
                if (open) {
                    for (size_t i = 0; i < c->items.size(); ++i) {
                        bool selected = static_cast<int>(i) == c->curSel;
                        ImGui::PushID(static_cast<int>(i));
                        if (ImGui::Selectable(c->items[i].first.c_str(), selected))
                            pending.push_back({PendingAction::Select, c, static_cast<int>(i), 0});
                        if (selected) ImGui::SetItemDefaultFocus();
                        ImGui::PopID();
                    }
                    ImGui::EndCombo();
                }
                break;
            }
            case ControlType::Other:
                break;
        }
        ImGui::EndDisabled();
        ImGui::PopID();
    }
    if (keys.tab != 0 && !tabStops.empty() && !keys.listOpen) {
        const int count = static_cast<int>(tabStops.size());
        const int next = focusedStop < 0 ? (keys.tab > 0 ? 0 : count - 1) : (focusedStop + keys.tab + count) % count;
        ImGui::SetFocusID(tabStops[static_cast<size_t>(next)], ImGui::GetCurrentWindow());
        GImGui->NavDisableHighlight = false;  // the focus is shown from the first Tab on
        GImGui->NavDisableMouseHover = true;
    }
    if (keys.arrow != 0 && focusedRadio && !keys.listOpen) {
        HWND target = focusedRadio;  // where the arrow took the focus, or else the next of the group
        if (focusedRadio == keys.lastRadio) {
            const std::vector<HWND> group = RadioGroup(dialog, focusedRadio);
            const long at = static_cast<long>(std::find(group.begin(), group.end(), focusedRadio) - group.begin());
            const long to = at + keys.arrow;
            if (to >= 0 && to < static_cast<long>(group.size()) && group[static_cast<size_t>(to)]->enabled)
                target = group[static_cast<size_t>(to)];
            for (const auto& [radio, id] : radioIds)
                if (radio == target) ImGui::SetFocusID(id, ImGui::GetCurrentWindow());
        }
        if (target->check != BST_CHECKED) pending.push_back({PendingAction::Click, target, 0, 0});
    }
    if (keys.arrow != 0 && focusedList && !keys.listOpen) {
        const int to = focusedList->curSel + keys.arrow;
        if (to >= 0 && to < static_cast<int>(focusedList->items.size()))
            pending.push_back({PendingAction::Select, focusedList, to, 0});
    }
    if (keys.space && !keys.listOpen) {
        // The focus as this frame has it, or as the last one had it (pressing may hide it).
        HWND pressed = keys.focusedButton ? keys.focusedButton : focusedRadio ? focusedRadio
                     : previousButton     ? previousButton
                                          : keys.lastRadio;
        if (pressed) pending.push_back({PendingAction::Click, pressed, 0, 0});
    }
    keys.space = false;
    keys.lastRadio = focusedRadio;
    keys.tab = 0;
    keys.arrow = 0;
}

INT_PTR RunDialogWindow(HWND dialog, HWND owner) {
    using platform::detail::UiWindow;
    int width = static_cast<int>(DluX(dialog->rectDlu.right - dialog->rectDlu.left) + 0.5f);
    int height = static_cast<int>(DluY(dialog->rectDlu.bottom - dialog->rectDlu.top) + 0.5f);
    int x = static_cast<int>(SDL_WINDOWPOS_CENTERED), y = static_cast<int>(SDL_WINDOWPOS_CENTERED);
    RECT ownerRect;
    if (platform::detail::LiveWindow(owner) && owner->kind == HWND__::Kind::TopLevel && GetWindowRect(owner, &ownerRect)) {
        x = (ownerRect.left + ownerRect.right) / 2 - width / 2;
        y = (ownerRect.top + ownerRect.bottom) / 2 - height / 2;
    }
    UiWindow ui;
    if (!ui.Open(dialog->text.c_str(), x, y, width, height, 0, platform::GetSdlWindow(owner))) return -1;

    std::vector<std::pair<HWND, unsigned int>> pictures;
    const platform::ModuleResources* res = platform::GetModuleResources(dialog->instance);
    for (HWND c : dialog->controls) {
        if (TypeOf(c) != ControlType::Picture || !res) continue;
        if (const platform::ImageResource* img = res->FindBitmap(c->imageId))
            pictures.emplace_back(c, ui.CreateTexture(img->pixels, img->width, img->height));
    }

    std::vector<PendingAction> pending;
    KeyboardState keys;
    bool firstFrame = true;
    platform::detail::ModalSink sink{ui.SdlId(), [&](const SDL_Event& e) {
        if (e.type == SDL_KEYDOWN) {
            SDL_Keycode k = e.key.keysym.sym;
            if (k == SDLK_TAB) keys.tab = (SDL_GetModState() & KMOD_SHIFT) ? -1 : 1;
            if (k == SDLK_DOWN || k == SDLK_RIGHT) keys.arrow = 1;
            if (k == SDLK_UP || k == SDLK_LEFT) keys.arrow = -1;
            if (k == SDLK_SPACE) keys.space = true;
        }
        if (e.type == SDL_KEYDOWN && !e.key.repeat && !keys.listOpen) {
            SDL_Keycode k = e.key.keysym.sym;
            HWND def = keys.focusedButton ? keys.focusedButton : DefaultButton(dialog);
            if ((k == SDLK_RETURN || k == SDLK_KP_ENTER) && def && def->enabled && (def->style & WS_VISIBLE))
                pending.push_back({PendingAction::Command, nullptr, 0, def->id});
            if (k == SDLK_ESCAPE) pending.push_back({PendingAction::Command, nullptr, 0, IDCANCEL});
        }
        if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)
            pending.push_back({PendingAction::Command, nullptr, 0, IDCANCEL});
        ui.ProcessEvent(e);
    }};

    BOOL ownerWasDisabled = platform::detail::LiveWindow(owner) ? EnableWindow(owner, FALSE) : TRUE;
    platform::detail::PushModalSink(&sink);
    SDL_RaiseWindow(ui.Window());
    // The dialog also ends when it is destroyed under the loop (its owner closed).
    while (!dialog->ended && !dialog->destroyed) {
        MSG msg;
        while (!dialog->ended && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                EndDialog(dialog, IDCANCEL);
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        for (const PendingAction& a : pending) Apply(dialog, a);
        pending.clear();
        if (dialog->ended || dialog->destroyed) break;

        ui.BeginFrame();
        if (firstFrame) ImGui::SetNextWindowFocus();  // keyboard navigation needs a focused window
        firstFrame = false;
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::SetNextWindowSize(ImVec2(static_cast<float>(width), static_cast<float>(height)));
        ImGui::Begin("##dialog", nullptr,
                     ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                         ImGuiWindowFlags_NoBringToFrontOnFocus);
        DrawControls(dialog, pictures, pending, keys);
        ImGui::End();
        ui.EndFrame();
        SDL_Delay(10);
    }
    platform::detail::PopModalSink(&sink);
    if (platform::detail::LiveWindow(owner) && !ownerWasDisabled) EnableWindow(owner, TRUE);
    ui.Close();
    return dialog->ended ? dialog->result : IDCANCEL;
}

}  // namespace

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param) {
    HWND d = BuildDialog(instance, templateName, owner, proc);
    if (!d) return nullptr;
    SendMessageA(d, WM_INITDIALOG, 0, param);
    return d;
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param) {
    HWND d = CreateDialogParamA(instance, templateName, owner, proc, param);
    if (!d) return -1;
    INT_PTR result = -1;
    if (d->ended) {
        result = d->result;
    } else if (Driver()) {
        Driver()(d);
        if (!d->ended) EndDialog(d, IDCANCEL);
        result = d->result;
    } else {
        result = RunDialogWindow(d, owner);
        if (result == -1 && !d->ended) OutputDebugStringA("DialogBoxParam: the dialog cannot be shown\n");
    }
    DestroyWindow(d);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    if (!IsDialog(dialog)) return FALSE;
    dialog->ended = true;
    dialog->result = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    if (!IsDialog(dialog)) return nullptr;
    for (HWND c : dialog->controls)
        if (c->id == id && !c->destroyed) return c;
    return nullptr;
}

int GetDlgCtrlID(HWND control) { return IsControl(control) ? control->id : 0; }

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(GetDlgItem(dialog, id), message, wParam, lParam);
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    const char* t = text ? text : "";
    const char* c = caption ? caption : "Error";
    if (BoxSink()) {
        BoxSink()(c, t, type);
        return IDOK;
    }
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    UINT icon = type & 0xF0;
    if (icon == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
    if (icon == MB_ICONWARNING) flags = SDL_MESSAGEBOX_WARNING;
    bool show = std::getenv("MORVELT_NO_MESSAGE_BOXES") == nullptr && platform::HasDisplay();
    TerminationSignalsEndTheProgram signalsEndTheProgram;
    // A quit asked for before the box (a signal while loading) is not held up by it.
    if (show && SDL_QuitRequested()) show = false;
    if (!show || SDL_ShowSimpleMessageBox(flags, c, t, nullptr) != 0) std::fprintf(stderr, "%s: %s\n", c, t);
    return IDOK;
}

namespace platform {

bool GetDialogResult(HWND dialog, INT_PTR* result) {
    if (!IsDialog(dialog) || !dialog->ended) return false;
    if (result) *result = dialog->result;
    return true;
}

ModalDialogDriver SetModalDialogDriver(ModalDialogDriver driver) {
    ModalDialogDriver previous = std::move(Driver());
    Driver() = std::move(driver);
    return previous;
}

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink) {
    MessageBoxSink previous = std::move(BoxSink());
    BoxSink() = std::move(sink);
    return previous;
}

}  // namespace platform
