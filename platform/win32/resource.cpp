#include "platform/win32/resource.h"

#include <map>

#include "platform/win32/window.h"

namespace platform {

namespace {

std::map<HINSTANCE, const ModuleResources*>& Modules() {
    static std::map<HINSTANCE, const ModuleResources*> modules;
    return modules;
}

HINSTANCE Normalise(HINSTANCE module) { return module ? module : GetModuleHandleA(nullptr); }

template <typename T>
const T* FindById(const std::vector<T>& list, WORD id) {
    for (const T& item : list)
        if (item.id == id) return &item;
    return nullptr;
}

}  // namespace

const MenuResource* ModuleResources::FindMenu(WORD id) const { return FindById(menus, id); }
const AcceleratorResource* ModuleResources::FindAccelerators(WORD id) const { return FindById(accelerators, id); }
const DialogResource* ModuleResources::FindDialog(WORD id) const { return FindById(dialogs, id); }
const ImageResource* ModuleResources::FindBitmap(WORD id) const { return FindById(bitmaps, id); }
const ImageResource* ModuleResources::FindIcon(WORD id) const { return FindById(icons, id); }

const ModuleResources* SetModuleResources(HINSTANCE module, const ModuleResources* resources) {
    auto& slot = Modules()[Normalise(module)];
    const ModuleResources* previous = slot;
    slot = resources;
    return previous;
}

const ModuleResources* GetModuleResources(HINSTANCE module) {
    auto it = Modules().find(Normalise(module));
    return it == Modules().end() ? nullptr : it->second;
}

WORD ResourceNumber(LPCSTR name) {
    if (!name || !IS_INTRESOURCE(name)) return 0;
    return static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
}

}  // namespace platform
