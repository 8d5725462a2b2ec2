// A recording Direct3D 8 device for the particle tests: vertex buffers hold real memory, and
// render states, transforms, textures and point-list draws (with the vertices they drew) are
// recorded. Failures can be injected for buffer creation, locks and draws.
#pragma once

#include "platform/d3d8.h"

#include <cstring>
#include <map>
#include <vector>

struct RecordedVertex {
    float x, y, z;
    DWORD color;
};

class FakeVertexBuffer : public IDirect3DVertexBuffer8 {
public:
    FakeVertexBuffer(UINT length, int* failLocksAfter) : m_data(length), m_failLocksAfter(failLocksAfter) {}
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
        *data = nullptr;
        if (*m_failLocksAfter == 0) return E_FAIL;
        if (*m_failLocksAfter > 0) --*m_failLocksAfter;
        if (offset + size > m_data.size() || m_locked) return E_INVALIDARG;
        lockFlags.push_back(flags);
        m_locked = true;
        *data = m_data.data() + offset;
        return S_OK;
    }
    HRESULT Unlock() override {
        if (!m_locked) return E_FAIL;
        m_locked = false;
        return S_OK;
    }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC*) override { return E_NOTIMPL; }

    const BYTE* Data() const { return m_data.data(); }
    bool IsLocked() const { return m_locked; }
    std::vector<DWORD> lockFlags;

private:
    ULONG m_refs = 1;
    std::vector<BYTE> m_data;
    bool m_locked = false;
    int* m_failLocksAfter;
};

class FakeDevice : public IDirect3DDevice8 {
public:
    struct Draw {
        D3DPRIMITIVETYPE type;
        UINT start, count;
        std::vector<RecordedVertex> vertices;
        IDirect3DBaseTexture8* texture;
        DWORD srcBlend, destBlend, pointSprite;
    };

    // Injected failures: -1 never; n >= 0 fails after n successes.
    int failLocksAfter = -1;
    int failDrawsAfter = -1;
    HRESULT createVertexBufferResult = S_OK;

    std::map<DWORD, DWORD> renderStates;
    std::vector<Draw> draws;
    std::vector<D3DMATRIX> worldTransforms;
    FakeVertexBuffer* lastBuffer = nullptr;
    UINT lastBufferLength = 0;
    DWORD lastBufferUsage = 0, lastBufferFvf = 0;
    D3DPOOL lastBufferPool = D3DPOOL_SYSTEMMEM;
    int buffersCreated = 0;
    DWORD vertexShader = 0;

    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer) override {
        *buffer = nullptr;
        if (FAILED(createVertexBufferResult)) return createVertexBufferResult;
        lastBuffer = new FakeVertexBuffer(length, &failLocksAfter);
        lastBufferLength = length;
        lastBufferUsage = usage;
        lastBufferFvf = fvf;
        lastBufferPool = pool;
        ++buffersCreated;
        *buffer = lastBuffer;
        return S_OK;
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        renderStates[state] = value;
        return S_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
        *value = renderStates[state];
        return S_OK;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
        if (state == D3DTS_WORLD) worldTransforms.push_back(*matrix);
        return S_OK;
    }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer8* data, UINT stride) override {
        m_stream = data;
        m_stride = stride;
        return S_OK;
    }
    HRESULT SetVertexShader(DWORD handle) override {
        vertexShader = handle;
        return S_OK;
    }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture8* texture) override {
        m_texture = texture;
        return S_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override {
        if (failDrawsAfter == 0) return E_FAIL;
        if (failDrawsAfter > 0) --failDrawsAfter;
        Draw draw{type, start, count, {}, m_texture, renderStates[D3DRS_SRCBLEND],
                  renderStates[D3DRS_DESTBLEND], renderStates[D3DRS_POINTSPRITEENABLE]};
        auto* vb = static_cast<FakeVertexBuffer*>(m_stream);
        if (vb != nullptr && m_stride == sizeof(RecordedVertex) && !vb->IsLocked()) {
            draw.vertices.resize(count);
            std::memcpy(draw.vertices.data(), vb->Data() + start * m_stride, count * m_stride);
        }
        draws.push_back(std::move(draw));
        return S_OK;
    }

    // Everything else is not used by the particle system.
    HRESULT TestCooperativeLevel() override { return S_OK; }
    UINT GetAvailableTextureMem() override { return 0; }
    HRESULT GetDirect3D(IDirect3D8**) override { return E_NOTIMPL; }
    HRESULT GetDeviceCaps(D3DCAPS8*) override { return E_NOTIMPL; }
    HRESULT GetDisplayMode(D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    HRESULT SetCursorProperties(UINT, UINT, IDirect3DSurface8*) override { return E_NOTIMPL; }
    void SetCursorPosition(UINT, UINT, DWORD) override {}
    BOOL ShowCursor(BOOL) override { return FALSE; }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override { return E_NOTIMPL; }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { return E_NOTIMPL; }
    HRESULT GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateRenderTarget(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, BOOL, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateImageSurface(UINT, UINT, D3DFORMAT, IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT CopyRects(IDirect3DSurface8*, const RECT*, UINT, IDirect3DSurface8*, const POINT*) override {
        return E_NOTIMPL;
    }
    HRESULT SetRenderTarget(IDirect3DSurface8*, IDirect3DSurface8*) override { return E_NOTIMPL; }
    HRESULT GetRenderTarget(IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT GetDepthStencilSurface(IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT BeginScene() override { return S_OK; }
    HRESULT EndScene() override { return S_OK; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return S_OK; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetViewport(const D3DVIEWPORT8*) override { return E_NOTIMPL; }
    HRESULT GetViewport(D3DVIEWPORT8*) override { return E_NOTIMPL; }
    HRESULT SetMaterial(const D3DMATERIAL8*) override { return E_NOTIMPL; }
    HRESULT GetMaterial(D3DMATERIAL8*) override { return E_NOTIMPL; }
    HRESULT SetLight(DWORD, const D3DLIGHT8*) override { return E_NOTIMPL; }
    HRESULT GetLight(DWORD, D3DLIGHT8*) override { return E_NOTIMPL; }
    HRESULT LightEnable(DWORD, BOOL) override { return E_NOTIMPL; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { return E_NOTIMPL; }
    HRESULT BeginStateBlock() override { return E_NOTIMPL; }
    HRESULT EndStateBlock(DWORD*) override { return E_NOTIMPL; }
    HRESULT ApplyStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT CaptureStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT DeleteStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE, DWORD*) override { return E_NOTIMPL; }
    HRESULT GetTexture(DWORD, IDirect3DBaseTexture8**) override { return E_NOTIMPL; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return E_NOTIMPL; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return E_NOTIMPL; }
    HRESULT ValidateDevice(DWORD*) override { return E_NOTIMPL; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT) override { return E_NOTIMPL; }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return E_NOTIMPL; }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*,
                                   UINT) override {
        return E_NOTIMPL;
    }
    HRESULT GetVertexShader(DWORD*) override { return E_NOTIMPL; }
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer8**, UINT*) override { return E_NOTIMPL; }
    HRESULT SetIndices(IDirect3DIndexBuffer8*, UINT) override { return E_NOTIMPL; }
    HRESULT GetIndices(IDirect3DIndexBuffer8**, UINT*) override { return E_NOTIMPL; }

private:
    IDirect3DVertexBuffer8* m_stream = nullptr;
    UINT m_stride = 0;
    IDirect3DBaseTexture8* m_texture = nullptr;
};
