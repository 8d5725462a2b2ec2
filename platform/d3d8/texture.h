// Textures: a chain of mip levels, each a surface the user can lock or draw into.
#pragma once

#include "platform/d3d8/surface.h"

#include <memory>
#include <vector>

namespace d3d8 {

class Texture final : public IDirect3DTexture8, public Counted {
public:
    // `levels` is the number of levels to make (already resolved: 1 .. full chain).
    Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~Texture() override;

    // Levels in a full chain down to 1x1.
    static UINT FullChainLength(UINT width, UINT height);

    ULONG AddRef() override { return AddRefPublic(); }
    ULONG Release() override { return ReleasePublic(); }

    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD PriorityNew) override;
    DWORD GetPriority() override { return priority_; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }

    DWORD SetLOD(DWORD LODNew) override;
    DWORD GetLOD() override { return lod_; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }

    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;
    HRESULT AddDirtyRect(const RECT* pDirtyRect) override;

    bool IsDefaultPool() const override { return pool_ == D3DPOOL_DEFAULT; }

    const TextureData* Data() const { return &data_; }
    Surface* Level(UINT level) { return surfaces_[level].get(); }
    DWORD Usage() const { return usage_; }
    D3DFORMAT Format() const { return data_.format; }
    bool AnyLevelLocked() const;
    // A level changed (unlocked after writing, cleared, drawn into).
    void ContentsChanged() { ++data_.version; }

private:
    DWORD usage_;
    D3DPOOL pool_;
    DWORD priority_ = 0;
    DWORD lod_ = 0;
    std::vector<std::vector<BYTE>> storage_;
    std::vector<SurfaceData> levels_;
    std::vector<std::unique_ptr<Surface>> surfaces_;
    TextureData data_;
};

}  // namespace d3d8
