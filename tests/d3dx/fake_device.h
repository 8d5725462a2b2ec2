// A recording stand-in for IDirect3DDevice8, enough for the D3DX loaders: textures, vertex
// and index buffers held in memory, caps chosen by the test, draw calls recorded, every
// object's references counted so tests can check nothing leaks.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3d8/format_info.h"
#include "tests/support/null_device.h"

#include <cstring>
#include <memory>
#include <vector>

namespace fake {

struct Counted {
    ULONG refs = 1;
    int* live;
    explicit Counted(int* liveCounter) : live(liveCounter) { ++*live; }
};

struct Texture final : IDirect3DTexture8 {
    Counted c;
    D3DFORMAT format;
    D3DPOOL pool;
    DWORD usage;
    struct Level {
        UINT width, height;
        std::vector<BYTE> bytes;
    };
    std::vector<Level> levels;
    int locked = -1;

    Texture(int* live, UINT w, UINT h, UINT levelCount, DWORD use, D3DFORMAT fmt, D3DPOOL p)
        : c(live), format(fmt), pool(p), usage(use) {
        for (UINT i = 0; i < levelCount; ++i) {
            levels.push_back({w, h, std::vector<BYTE>(size_t{w} * h * d3d8::BytesPerPixel(fmt), 0xcd)});
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
        }
    }
    ULONG AddRef() override { return ++c.refs; }
    ULONG Release() override {
        const ULONG left = --c.refs;
        if (!left) { --*c.live; delete this; }
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice8**) override { return D3DERR_INVALIDCALL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* d) override {
        if (level >= levels.size() || !d) return D3DERR_INVALIDCALL;
        *d = D3DSURFACE_DESC{format, D3DRTYPE_SURFACE, usage, pool, static_cast<UINT>(levels[level].bytes.size()),
                             D3DMULTISAMPLE_NONE, levels[level].width, levels[level].height};
        return S_OK;
    }
    HRESULT GetSurfaceLevel(UINT, IDirect3DSurface8**) override { return D3DERR_INVALIDCALL; }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* r, const RECT*, DWORD) override {
        // As on the platform: textures in the default pool cannot be locked.
        if (level >= levels.size() || !r || locked >= 0 || pool == D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
        locked = static_cast<int>(level);
        r->Pitch = static_cast<INT>(levels[level].width * d3d8::BytesPerPixel(format));
        r->pBits = levels[level].bytes.data();
        return S_OK;
    }
    HRESULT UnlockRect(UINT level) override {
        if (locked != static_cast<int>(level)) return D3DERR_INVALIDCALL;
        locked = -1;
        return S_OK;
    }
    HRESULT AddDirtyRect(const RECT*) override { return S_OK; }
    DWORD Pixel32(UINT level, UINT x, UINT y) const {
        DWORD v;
        std::memcpy(&v, &levels[level].bytes[(size_t{y} * levels[level].width + x) * 4], 4);
        return v;
    }
    WORD Pixel16(UINT level, UINT x, UINT y) const {
        WORD v;
        std::memcpy(&v, &levels[level].bytes[(size_t{y} * levels[level].width + x) * 2], 2);
        return v;
    }
};

template <typename Interface, typename Desc>
struct Buffer final : Interface {
    Counted c;
    std::vector<BYTE> bytes;
    Desc desc{};
    bool locked = false;
    Buffer(int* live, UINT length) : c(live), bytes(length, 0xcd) {}
    ULONG AddRef() override { return ++c.refs; }
    ULONG Release() override {
        const ULONG left = --c.refs;
        if (!left) { --*c.live; delete this; }
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice8**) override { return D3DERR_INVALIDCALL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return desc.Type; }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD) override {
        if (!data || locked || offset > bytes.size()) return D3DERR_INVALIDCALL;
        (void)size;
        locked = true;
        *data = bytes.data() + offset;
        return S_OK;
    }
    HRESULT Unlock() override {
        if (!locked) return D3DERR_INVALIDCALL;
        locked = false;
        return S_OK;
    }
    HRESULT GetDesc(Desc* d) override {
        if (!d) return D3DERR_INVALIDCALL;
        *d = desc;
        return S_OK;
    }
};
using VertexBuffer = Buffer<IDirect3DVertexBuffer8, D3DVERTEXBUFFER_DESC>;
using IndexBuffer = Buffer<IDirect3DIndexBuffer8, D3DINDEXBUFFER_DESC>;

struct DrawCall {
    IDirect3DVertexBuffer8* stream;
    UINT stride;
    IDirect3DIndexBuffer8* indices;
    DWORD fvf;
    D3DPRIMITIVETYPE type;
    UINT minIndex, numVertices, startIndex, primitiveCount;
};

struct Device final : NullDevice {
    int live = 0;  // textures and buffers alive
    ULONG refs = 1;
    D3DCAPS8 caps{};
    bool failCreate = false;
    std::vector<DrawCall> draws;
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT stride = 0;
    IDirect3DIndexBuffer8* indexBuffer = nullptr;
    DWORD shader = 0;
    Texture* lastTexture = nullptr;
    VertexBuffer* lastVertexBuffer = nullptr;
    IndexBuffer* lastIndexBuffer = nullptr;

    Device() {
        caps.DeviceType = D3DDEVTYPE_REF;
        caps.TextureCaps = D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_ALPHA;
        caps.MaxTextureWidth = caps.MaxTextureHeight = 4096;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }  // lives on the test's stack

    HRESULT CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** out) override {
        if (!out || failCreate || w == 0 || h == 0 || d3d8::BytesPerPixel(format) == 0) return D3DERR_INVALIDCALL;
        UINT full = 1;
        for (UINT x = w, y = h; x > 1 || y > 1; x = x > 1 ? x / 2 : 1, y = y > 1 ? y / 2 : 1) ++full;
        if (levels == 0 || levels > full) levels = full;
        *out = lastTexture = new Texture(&live, w, h, levels, usage, format, pool);
        return S_OK;
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** out) override {
        if (!out || failCreate || length == 0) return D3DERR_INVALIDCALL;
        auto* b = new VertexBuffer(&live, length);
        b->desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
        *out = lastVertexBuffer = b;
        return S_OK;
    }
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** out) override {
        if (!out || failCreate || length == 0) return D3DERR_INVALIDCALL;
        auto* b = new IndexBuffer(&live, length);
        b->desc = {format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
        *out = lastIndexBuffer = b;
        return S_OK;
    }
    HRESULT GetDeviceCaps(D3DCAPS8* out) override {
        if (!out) return D3DERR_INVALIDCALL;
        *out = caps;
        return S_OK;
    }
    HRESULT SetStreamSource(UINT n, IDirect3DVertexBuffer8* vb, UINT s) override {
        if (n != 0) return D3DERR_INVALIDCALL;
        stream = vb, stride = s;
        return S_OK;
    }
    HRESULT SetIndices(IDirect3DIndexBuffer8* ib, UINT) override {
        indexBuffer = ib;
        return S_OK;
    }
    HRESULT SetVertexShader(DWORD h) override {
        shader = h;
        return S_OK;
    }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE t, UINT minIndex, UINT numVertices, UINT startIndex,
                                 UINT count) override {
        draws.push_back({stream, stride, indexBuffer, shader, t, minIndex, numVertices, startIndex, count});
        return S_OK;
    }
};

}  // namespace fake
