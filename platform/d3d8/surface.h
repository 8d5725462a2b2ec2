// Surfaces: image surfaces, render targets, depth buffers, the back buffer, and the mip
// levels of textures (which count on their texture).
#pragma once

#include "platform/d3d8/interfaces.h"
#include "platform/d3d8/object.h"
#include "platform/d3d8/rasterizer.h"

#include <vector>

namespace d3d8 {

class Texture;

struct SurfaceDesc {
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    DWORD usage = 0;  // D3DUSAGE_RENDERTARGET, D3DUSAGE_DEPTHSTENCIL
    D3DPOOL pool = D3DPOOL_DEFAULT;
    bool lockable = true;  // false: only D3DLOCK_READONLY locks succeed
};

class Surface final : public IDirect3DSurface8, public Counted {
public:
    // A surface with storage of its own, cleared to zero.
    Surface(Device* device, const SurfaceDesc& desc);
    // A level of `container`, whose storage `data` belongs to the texture.
    Surface(Device* device, Texture* container, SurfaceData* data, const SurfaceDesc& desc);
    ~Surface() override;

    ULONG AddRef() override { return AddRefPublic(); }
    ULONG Release() override { return ReleasePublic(); }
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    bool IsDefaultPool() const override { return desc_.pool == D3DPOOL_DEFAULT; }

    SurfaceData& Data() { return *data_; }
    const SurfaceDesc& Desc() const { return desc_; }
    Texture* Container() const { return container_; }
    bool IsLocked() const { return locked_; }
    bool IsDepth() const;
    // The contents changed outside a lock (cleared, drawn into).
    void ContentsChanged();

    // Lock and unlock on behalf of the container (names the caller in reports).
    HRESULT Lock(const char* where, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags);
    HRESULT Unlock(const char* where);

private:
    SurfaceDesc desc_;
    Texture* container_ = nullptr;
    std::vector<BYTE> storage_;
    SurfaceData own_{};
    SurfaceData* data_ = nullptr;
    bool locked_ = false;
    bool lockedReadOnly_ = false;
};

}  // namespace d3d8
