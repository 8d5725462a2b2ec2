#include "resources/resources.h"

#include "resources/icon.h"
#include "resources/resource_ids.h"

namespace resources {

namespace {

using platform::DialogItemResource;

platform::ModuleResources Build() {
    platform::ModuleResources r;

    r.menus.push_back({IDR_MENU, {{"&File", 0, {{"E&xit\tESC", IDM_EXIT, {}}}}}});
    r.menus.push_back({IDR_POPUP, {{"Popup", 0, {{"E&xit", IDM_EXIT, {}}}}}});

    r.accelerators.push_back({IDR_MAIN_ACCEL, {{FVIRTKEY | FNOINVERT, VK_ESCAPE, IDM_EXIT}}});

    const DWORD child = WS_CHILD;
    const DWORD visible = WS_VISIBLE;
    const DWORD combo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    platform::DialogResource d;
    d.id = IDD_SELECTDEVICE;
    d.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    d.x = 0;
    d.y = 0;
    d.cx = 276;
    d.cy = 158;
    d.caption = "Quillrand 2oo5, Morvelt";
    d.fontFace = "MS Shell Dlg";
    d.pointSize = 8;
    d.items = {
        {-1, "BUTTON", child | BS_GROUPBOX, "Rendering device", 0, 11, 7, 200, 45},
        {-1, "STATIC", child | WS_GROUP | SS_CENTERIMAGE, "&Adapter:", 0, 26, 17, 65, 10},
        {IDC_ADAPTER_COMBO, "COMBOBOX", child | combo, "", 0, 94, 15, 105, 100},
        {-1, "STATIC", child | WS_GROUP | SS_CENTERIMAGE, "&Device:", 0, 26, 33, 65, 10},
        {IDC_DEVICE_COMBO, "COMBOBOX", child | combo, "", 0, 94, 31, 105, 100},
        {-1, "BUTTON", child | visible | BS_GROUPBOX, "W i n d o w   /   F u l l s c r e e n", 0, 7, 103, 200, 45},
        {IDC_WINDOW, "BUTTON", child | visible | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, "Windowed mode", 0, 12, 113, 74, 15},
        {IDC_FULLSCREEN, "BUTTON", child | visible | BS_AUTORADIOBUTTON, "Fullscreen mode:", 0, 12, 127, 75, 15},
        {IDC_FULLSCREENMODES_COMBO, "COMBOBOX", child | visible | combo | WS_GROUP, "", 0, 92, 127, 105, 204},
        {-1, "BUTTON", child | BS_GROUPBOX, "Multisample", 0, 7, 47, 200, 28},
        {-1, "STATIC", child | WS_GROUP | SS_CENTERIMAGE, "&Multisample Type:", 0, 22, 55, 62, 10},
        {IDC_MULTISAMPLE_COMBO, "COMBOBOX", child | combo, "", 0, 90, 52, 105, 100},
        {IDOK, "BUTTON", child | visible | BS_DEFPUSHBUTTON | WS_TABSTOP, "Run", 0, 210, 106, 59, 14},
        {IDCANCEL, "BUTTON", child | visible | BS_PUSHBUTTON | WS_TABSTOP, "Exit", 0, 210, 135, 59, 14},
        {-1, "STATIC", child | visible | SS_BITMAP, "", IDB_BANNER, 7, 7, 262, 94},
    };
    r.dialogs.push_back(std::move(d));

    r.bitmaps.push_back({IDB_BANNER, kBannerWidth, kBannerHeight, DrawBanner()});
    constexpr int kWindowIconSize = 32;
    r.icons.push_back({IDI_MAIN_ICON, kWindowIconSize, kWindowIconSize, ColourKeyedIcon(DrawIcon(kWindowIconSize))});
    return r;
}

// Attaches the table to the program's module when the program starts.
const bool g_registered = (platform::SetModuleResources(nullptr, &ProgramResources()), true);

}  // namespace

const platform::ModuleResources& ProgramResources() {
    static const platform::ModuleResources resources = Build();
    return resources;
}

}  // namespace resources
