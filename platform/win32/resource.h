// Resources of a module: the compiled form of menus, accelerator tables, dialog templates,
// bitmaps and icons. A program registers its table for its module handle
// (GetModuleHandle(NULL)); LoadMenu, LoadAccelerators, DialogBoxParam, LoadBitmap and
// LoadIcon look resources up there by number.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/handles.h"

struct ACCEL {
    BYTE fVirt;  // FVIRTKEY, FSHIFT, FCONTROL, FALT, FNOINVERT
    WORD key;    // virtual-key code (with FVIRTKEY) or character
    WORD cmd;    // command sent as WM_COMMAND
};

constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FNOINVERT = 0x02;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

namespace platform {

// One menu entry: a command item (id != 0, no children), a pop-up (children) or a separator
// (empty text, id 0). Text may carry '&' before the access key and '\t' before a key name.
struct MenuItemResource {
    std::string text;
    UINT id = 0;
    std::vector<MenuItemResource> popup;
};

struct MenuResource {
    WORD id;
    std::vector<MenuItemResource> items;
};

struct AcceleratorResource {
    WORD id;
    std::vector<ACCEL> entries;
};

// One control of a dialog template. Positions are dialog units.
struct DialogItemResource {
    int id;                 // -1 for static items
    std::string className;  // "BUTTON", "STATIC", "COMBOBOX"
    DWORD style;            // control style bits and WS_* bits (WS_VISIBLE shows it)
    std::string text;       // caption; for SS_BITMAP statics the bitmap is `imageId`
    WORD imageId = 0;
    short x, y, cx, cy;
};

struct DialogResource {
    WORD id;
    DWORD style;
    short x, y, cx, cy;  // dialog units
    std::string caption;
    std::string fontFace;
    WORD pointSize;
    std::vector<DialogItemResource> items;
};

// Pixels top-down, 0x00RRGGBB per pixel (24 bits used).
struct ImageResource {
    WORD id;
    int width = 0, height = 0;
    std::vector<DWORD> pixels;
};

struct ModuleResources {
    std::vector<MenuResource> menus;
    std::vector<AcceleratorResource> accelerators;
    std::vector<DialogResource> dialogs;
    std::vector<ImageResource> bitmaps;
    std::vector<ImageResource> icons;  // the icon's colour image; black is transparent

    const MenuResource* FindMenu(WORD id) const;
    const AcceleratorResource* FindAccelerators(WORD id) const;
    const DialogResource* FindDialog(WORD id) const;
    const ImageResource* FindBitmap(WORD id) const;
    const ImageResource* FindIcon(WORD id) const;
};

// Attaches resources to a module (NULL: the program's module). The table must outlive the
// module; a later call replaces the earlier one. Returns the previous table.
const ModuleResources* SetModuleResources(HINSTANCE module, const ModuleResources* resources);
const ModuleResources* GetModuleResources(HINSTANCE module);

// Resource number from a MAKEINTRESOURCE value; 0 for a named resource.
WORD ResourceNumber(LPCSTR name);

}  // namespace platform
