// A stand-in ID3DXMesh that records which subsets are drawn, with the material alpha and the
// stage-0 texture the fake device holds at that moment.
#pragma once

#include <vector>

#include "fake_device.h"
#include "platform/d3dx8.h"

namespace fake {

class Mesh final : public ID3DXMesh {
public:
    struct DrawnSubset {
        DWORD subset;
        float materialAlpha;
        IDirect3DBaseTexture8* texture;
    };

    Mesh(Device* device, int* live) : device_(device), live_(live) { ++*live_; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT DrawSubset(DWORD attribId) override {
        drawn.push_back({attribId, device_->material.Diffuse.a, device_->state.TextureAt(0)});
        return D3D_OK;
    }
    DWORD GetNumFaces() override { return 2; }
    DWORD GetNumVertices() override { return 4; }
    DWORD GetFVF() override { return D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1; }
    DWORD GetOptions() override { return 0; }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* pp) override {
        *pp = device_;
        return D3D_OK;
    }
    HRESULT CloneMeshFVF(DWORD, DWORD fvf, LPDIRECT3DDEVICE8, ID3DXMesh** ppClone) override {
        clonedFvf = fvf;
        *ppClone = failClone ? nullptr : new Mesh(device_, live_);
        return failClone ? E_OUTOFMEMORY : D3D_OK;
    }
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* pp) override { return Nothing(pp); }
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* pp) override { return Nothing(pp); }
    HRESULT LockVertexBuffer(DWORD, BYTE** pp) override { return Nothing(pp); }
    HRESULT UnlockVertexBuffer() override { return D3DERR_INVALIDCALL; }
    HRESULT LockIndexBuffer(DWORD, BYTE** pp) override { return Nothing(pp); }
    HRESULT UnlockIndexBuffer() override { return D3DERR_INVALIDCALL; }
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE*, DWORD* pSize) override {
        if (pSize) *pSize = 0;
        return D3D_OK;
    }
    HRESULT LockAttributeBuffer(DWORD, DWORD** pp) override { return Nothing(pp); }
    HRESULT UnlockAttributeBuffer() override { return D3DERR_INVALIDCALL; }

    std::vector<DrawnSubset> drawn;
    DWORD clonedFvf = 0;
    bool failClone = false;

private:
    ~Mesh() override { --*live_; }
    template <typename T>
    static HRESULT Nothing(T** pp) {
        if (pp) *pp = nullptr;
        return D3DERR_INVALIDCALL;
    }
    Device* device_;
    int* live_;
    ULONG refs_ = 1;
};

}  // namespace fake
