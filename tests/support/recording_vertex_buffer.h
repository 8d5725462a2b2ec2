// A vertex buffer in front of a real one: every call is passed on, the flags of each
// successful lock are kept, and locks fail when the device's injected failure says so.
#pragma once

#include <vector>

#include "platform/d3d8.h"
#include "tests/support/injected_failure.h"

namespace fake {

class RecordingVertexBuffer final : public IDirect3DVertexBuffer8 {
public:
    // Takes over the reference to `inner`; `lockFailure` outlives the buffer's locks.
    RecordingVertexBuffer(IDirect3DVertexBuffer8* inner, InjectedFailure* lockFailure)
        : inner_(inner), lockFailure_(lockFailure) {}
    IDirect3DVertexBuffer8* Inner() const { return inner_; }
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
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override { return inner_->GetDesc(desc); }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
        if (lockFailure_->Strikes()) {
            if (data) *data = nullptr;
            return lockFailure_->result;
        }
        const HRESULT hr = inner_->Lock(offset, size, data, flags);
        if (SUCCEEDED(hr)) lockFlags.push_back(flags), locked_ = true;
        return hr;
    }
    HRESULT Unlock() override {
        const HRESULT hr = inner_->Unlock();
        if (SUCCEEDED(hr)) locked_ = false;
        return hr;
    }

private:
    ~RecordingVertexBuffer() = default;
    IDirect3DVertexBuffer8* inner_;
    InjectedFailure* lockFailure_;
    ULONG refs_ = 1;
    bool locked_ = false;
};

}  // namespace fake
