#include "platform/d3d8/surface.h"

#include "platform/d3d8/device.h"
#include "platform/d3d8/format_info.h"
#include "platform/d3d8/texture.h"

namespace d3d8 {

Surface::Surface(Device* device, const SurfaceDesc& desc) : Counted(device), desc_(desc) {
    const UINT bpp = BytesPerPixel(desc.format);
    storage_.assign(static_cast<size_t>(desc.width) * desc.height * bpp, 0);
    own_.format = desc.format;
    own_.width = desc.width;
    own_.height = desc.height;
    own_.pitch = static_cast<INT>(desc.width * bpp);
    own_.bits = storage_.data();
    data_ = &own_;
}

Surface::Surface(Device* device, Texture* container, SurfaceData* data, const SurfaceDesc& desc)
    : Counted(device, container), desc_(desc), container_(container), data_(data) {}

// Levels of a texture are forgotten by their texture, which owns their memory.
Surface::~Surface() {
    if (!container_) OwnerDevice()->ForgetSurface(own_);
}

bool Surface::IsDepth() const { return (desc_.usage & D3DUSAGE_DEPTHSTENCIL) != 0; }

void Surface::ContentsChanged() {
    if (container_) container_->ContentsChanged();
}

HRESULT Surface::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = OwnerDevice();
    OwnerDevice()->AddRef();
    return D3D_OK;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = desc_.format;
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Usage = desc_.usage;
    pDesc->Pool = desc_.pool;
    pDesc->Size = desc_.width * desc_.height * BytesPerPixel(desc_.format);
    pDesc->MultiSampleType = D3DMULTISAMPLE_NONE;
    pDesc->Width = desc_.width;
    pDesc->Height = desc_.height;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    return Lock("IDirect3DSurface8::LockRect", pLockedRect, pRect, Flags);
}

HRESULT Surface::UnlockRect() { return Unlock("IDirect3DSurface8::UnlockRect"); }

HRESULT Surface::Lock(const char* where, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    if (!pLockedRect) {
        Report(where, "null locked-rectangle pointer");
        return D3DERR_INVALIDCALL;
    }
    pLockedRect->Pitch = 0;
    pLockedRect->pBits = nullptr;
    if (locked_) {
        Report(where, "surface is already locked");
        return D3DERR_INVALIDCALL;
    }
    if (IsDepth()) {
        Report(where, "depth surfaces cannot be locked");
        return D3DERR_INVALIDCALL;
    }
    if (!desc_.lockable && !(Flags & D3DLOCK_READONLY)) {
        Report(where, "render target was created not lockable; only D3DLOCK_READONLY locks succeed");
        return D3DERR_INVALIDCALL;
    }
    LONG left = 0, top = 0;
    if (pRect) {
        if (pRect->left < 0 || pRect->top < 0 || pRect->left >= pRect->right || pRect->top >= pRect->bottom ||
            static_cast<UINT>(pRect->right) > desc_.width || static_cast<UINT>(pRect->bottom) > desc_.height) {
            Report(where, "rectangle outside the surface or empty");
            return D3DERR_INVALIDCALL;
        }
        left = pRect->left;
        top = pRect->top;
    }
    OwnerDevice()->ReadBack(*data_);
    const UINT bpp = BytesPerPixel(desc_.format);
    pLockedRect->Pitch = data_->pitch;
    pLockedRect->pBits = data_->bits + static_cast<std::ptrdiff_t>(top) * data_->pitch + left * bpp;
    locked_ = true;
    lockedReadOnly_ = (Flags & D3DLOCK_READONLY) != 0;
    return D3D_OK;
}

HRESULT Surface::Unlock(const char* where) {
    if (!locked_) {
        Report(where, "surface is not locked");
        return D3DERR_INVALIDCALL;
    }
    locked_ = false;
    if (!lockedReadOnly_) ContentsChanged();
    return D3D_OK;
}

}  // namespace d3d8
