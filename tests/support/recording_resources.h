// Vertex buffers and textures in front of real ones: every call is passed on, the flags of each
// successful lock are kept, and locks fail when the device's injected failure says so.
#pragma once

#include <cstring>
#include <map>
#include <vector>

#include "platform/d3d8.h"
#include "tests/support/injected_failure.h"

namespace fake {

// Counting and the resource calls of a wrapper; the wrapper holds one reference to `inner`.
template <typename Interface>
class ResourceWrapper : public Interface {
public:
    // Takes over the reference to `inner`; `lockFailure` outlives the resource's locks.
    ResourceWrapper(Interface* inner, InjectedFailure* lockFailure) : inner_(inner), lockFailure_(lockFailure) {}
    Interface* Inner() const { return inner_; }
    bool Locked() const { return locked_; }
    std::vector<DWORD> lockFlags;

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            inner_->Release();
            delete this;
        }
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice8** device) override { return inner_->GetDevice(device); }
    DWORD SetPriority(DWORD priority) override { return inner_->SetPriority(priority); }
    DWORD GetPriority() override { return inner_->GetPriority(); }
    void PreLoad() override { inner_->PreLoad(); }
    D3DRESOURCETYPE GetType() override { return inner_->GetType(); }

protected:
    virtual ~ResourceWrapper() = default;
    // `lock` unless the injected failure strikes, when `cleared` is emptied instead.
    template <typename Out, typename Lock>
    HRESULT Locking(Out* cleared, DWORD flags, Lock lock) {
        if (lockFailure_->Strikes()) {
            if (cleared) *cleared = Out{};
            return lockFailure_->result;
        }
        const HRESULT hr = lock();
        if (SUCCEEDED(hr)) lockFlags.push_back(flags), locked_ = true;
        return hr;
    }
    HRESULT Unlocking(HRESULT hr) {
        if (SUCCEEDED(hr)) locked_ = false;
        return hr;
    }

    Interface* inner_;

private:
    InjectedFailure* lockFailure_;
    ULONG refs_ = 1;
    bool locked_ = false;
};

class RecordingVertexBuffer final : public ResourceWrapper<IDirect3DVertexBuffer8> {
public:
    using ResourceWrapper::ResourceWrapper;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override { return inner_->GetDesc(desc); }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
        return Locking(data, flags, [&] { return inner_->Lock(offset, size, data, flags); });
    }
    HRESULT Unlock() override { return Unlocking(inner_->Unlock()); }
};

// With a pitch padding, a whole level is locked through a copy whose rows are that many
// bytes longer, so code that ignores the pitch shows: the padding, filled with 0xCD, must come
// back untouched (else `paddingWritten`).
class RecordingTexture final : public ResourceWrapper<IDirect3DTexture8> {
public:
    RecordingTexture(IDirect3DTexture8* inner, InjectedFailure* lockFailure, UINT pitchPadding)
        : ResourceWrapper(inner, lockFailure), padding_(pitchPadding) {}
    bool paddingWritten = false;

    DWORD SetLOD(DWORD lod) override { return inner_->SetLOD(lod); }
    DWORD GetLOD() override { return inner_->GetLOD(); }
    DWORD GetLevelCount() override { return inner_->GetLevelCount(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override { return inner_->GetLevelDesc(level, desc); }
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) override {
        return inner_->GetSurfaceLevel(level, surface);
    }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
        return Locking(locked, flags, [&] {
            const HRESULT hr = inner_->LockRect(level, locked, rect, flags);
            if (SUCCEEDED(hr) && padding_ && !rect) Pad(level, locked);
            return hr;
        });
    }
    HRESULT UnlockRect(UINT level) override {
        auto copy = copies_.find(level);
        if (copy != copies_.end()) {
            Unpad(copy->second);
            copies_.erase(copy);
        }
        return Unlocking(inner_->UnlockRect(level));
    }
    HRESULT AddDirtyRect(const RECT* rect) override { return inner_->AddDirtyRect(rect); }

private:
    struct PaddedCopy {
        D3DLOCKED_RECT real;
        UINT rows;
        std::vector<BYTE> bytes;
    };
    void Pad(UINT level, D3DLOCKED_RECT* locked) {
        D3DSURFACE_DESC desc{};
        inner_->GetLevelDesc(level, &desc);
        PaddedCopy& copy = copies_[level] = {*locked, desc.Height, {}};
        const size_t pitch = static_cast<size_t>(locked->Pitch) + padding_;
        copy.bytes.assign(pitch * desc.Height, 0xCD);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(&copy.bytes[y * pitch], static_cast<BYTE*>(locked->pBits) + y * locked->Pitch, locked->Pitch);
        locked->pBits = copy.bytes.data();
        locked->Pitch = static_cast<INT>(pitch);
    }
    void Unpad(const PaddedCopy& copy) {
        const size_t row = static_cast<size_t>(copy.real.Pitch), pitch = row + padding_;
        for (UINT y = 0; y < copy.rows; ++y) {
            std::memcpy(static_cast<BYTE*>(copy.real.pBits) + y * row, &copy.bytes[y * pitch], row);
            for (size_t i = row; i < pitch; ++i) paddingWritten |= copy.bytes[y * pitch + i] != 0xCD;
        }
    }

    UINT padding_;
    std::map<UINT, PaddedCopy> copies_;  // by level, while locked
};

// The real resource behind `resource`, which may be a wrapper or a real one.
template <typename Interface>
Interface* Unwrapped(Interface* resource) {
    auto* wrapper = dynamic_cast<ResourceWrapper<Interface>*>(resource);
    return wrapper ? wrapper->Inner() : resource;
}
inline IDirect3DBaseTexture8* Unwrapped(IDirect3DBaseTexture8* texture) {
    auto* wrapper = dynamic_cast<RecordingTexture*>(texture);
    return wrapper ? wrapper->Inner() : texture;
}

}  // namespace fake
