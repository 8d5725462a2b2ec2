// A recording Direct3D 8 device for the particle tests: vertex buffers hold real memory, and
// render states, transforms, textures and point-list draws (with the vertices they drew) are
// recorded. Failures can be injected for buffer creation, locks and draws.
#pragma once

#include "platform/d3d8.h"
#include "tests/support/null_device.h"

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

class FakeDevice : public fake::NullDevice {
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

private:
    IDirect3DVertexBuffer8* m_stream = nullptr;
    UINT m_stride = 0;
    IDirect3DBaseTexture8* m_texture = nullptr;
};
