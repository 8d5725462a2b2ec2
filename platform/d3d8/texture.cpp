#include "platform/d3d8/texture.h"

#include "platform/d3d8/device.h"
#include "platform/d3d8/format_info.h"

#include <algorithm>
#include <atomic>

namespace d3d8 {

namespace {

std::uint64_t NextTextureId() {
    static std::atomic<std::uint64_t> next{1};
    return next++;
}

}  // namespace

UINT Texture::FullChainLength(UINT width, UINT height) {
    UINT size = std::max(width, height), levels = 1;
    while (size > 1) {
        size >>= 1;
        ++levels;
    }
    return levels;
}

Texture::Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                 D3DPOOL pool)
    : Counted(device), usage_(usage), pool_(pool) {
    const UINT bpp = BytesPerPixel(format);
    storage_.resize(levels);
    levels_.resize(levels);
    surfaces_.reserve(levels);
    for (UINT i = 0; i < levels; ++i) {
        const UINT w = std::max(1u, width >> i), h = std::max(1u, height >> i);
        storage_[i].assign(static_cast<size_t>(w) * h * bpp, 0);
        SurfaceData& s = levels_[i];
        s.format = format;
        s.width = w;
        s.height = h;
        s.pitch = static_cast<INT>(w * bpp);
        s.bits = storage_[i].data();
        SurfaceDesc desc;
        desc.width = w;
        desc.height = h;
        desc.format = format;
        desc.usage = usage & D3DUSAGE_RENDERTARGET;
        desc.pool = pool;
        surfaces_.push_back(std::make_unique<Surface>(device, this, &s, desc));
    }
    data_.id = NextTextureId();
    data_.version = 1;
    data_.format = format;
    data_.levelCount = levels;
    data_.levels = levels_.data();
}

Texture::~Texture() {
    for (const SurfaceData& level : levels_) OwnerDevice()->ForgetSurface(level);
    OwnerDevice()->ForgetTexture(data_.id);
}

bool Texture::AnyLevelLocked() const {
    for (const auto& s : surfaces_)
        if (s->IsLocked()) return true;
    return false;
}

HRESULT Texture::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = OwnerDevice();
    OwnerDevice()->AddRef();
    return D3D_OK;
}

DWORD Texture::SetPriority(DWORD PriorityNew) {
    const DWORD old = priority_;
    if (pool_ == D3DPOOL_MANAGED) priority_ = PriorityNew;
    return old;
}

DWORD Texture::SetLOD(DWORD LODNew) {
    const DWORD old = lod_;
    if (pool_ == D3DPOOL_MANAGED) lod_ = std::min<DWORD>(LODNew, GetLevelCount() - 1);
    return old;
}

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    if (!pDesc || Level >= levels_.size()) {
        Report("IDirect3DTexture8::GetLevelDesc", "null description or level out of range");
        return D3DERR_INVALIDCALL;
    }
    HRESULT hr = surfaces_[Level]->GetDesc(pDesc);
    pDesc->Usage = usage_;
    return hr;
}

HRESULT Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) {
    if (!ppSurfaceLevel) return D3DERR_INVALIDCALL;
    *ppSurfaceLevel = nullptr;
    if (Level >= levels_.size()) {
        Report("IDirect3DTexture8::GetSurfaceLevel", "level out of range");
        return D3DERR_INVALIDCALL;
    }
    surfaces_[Level]->AddRef();
    *ppSurfaceLevel = surfaces_[Level].get();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    if (Level >= levels_.size()) {
        if (pLockedRect) *pLockedRect = {};
        Report("IDirect3DTexture8::LockRect", "level out of range");
        return D3DERR_INVALIDCALL;
    }
    return surfaces_[Level]->Lock("IDirect3DTexture8::LockRect", pLockedRect, pRect, Flags);
}

HRESULT Texture::UnlockRect(UINT Level) {
    if (Level >= levels_.size()) {
        Report("IDirect3DTexture8::UnlockRect", "level out of range");
        return D3DERR_INVALIDCALL;
    }
    return surfaces_[Level]->Unlock("IDirect3DTexture8::UnlockRect");
}

HRESULT Texture::AddDirtyRect(const RECT*) {
    ContentsChanged();
    return D3D_OK;
}

}  // namespace d3d8
