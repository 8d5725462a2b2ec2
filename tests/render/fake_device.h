// A recording stand-in for IDirect3DDevice8, for tests of code that drives a device.
// It keeps render states, texture-stage states, textures, the vertex shader (FVF), the
// stream source and the material; records state blocks the way Direct3D 8 does (Set calls
// between BeginStateBlock and EndStateBlock go into the block, not into the device); and
// logs every draw with a copy of the vertices it would read. Failures can be injected.
// Resources are plain memory; a texture's rows are padded so that code ignoring the pitch
// shows up.
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/d3d8.h"
#include "tests/support/null_device.h"

namespace fake {

class Device;

class Texture final : public IDirect3DTexture8 {
public:
    Texture(Device* device, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool);
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return 1; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT, IDirect3DSurface8** pp) override {
        if (pp) *pp = nullptr;
        return D3DERR_INVALIDCALL;
    }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
    HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }

    UINT width, height;
    D3DFORMAT format;
    D3DPOOL pool;
    UINT bytesPerTexel;
    UINT pitch;  // bytes per row, padded
    std::vector<BYTE> bits;
    bool locked = false;

    // Texel (x, y) as a 16-bit value (for 16-bit formats).
    WORD Texel16(UINT x, UINT y) const;

private:
    ~Texture() override;
    Device* device_;
    ULONG refs_ = 1;
};

class VertexBuffer final : public IDirect3DVertexBuffer8 {
public:
    VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, BYTE** ppbData, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

    std::vector<BYTE> bytes;
    DWORD usage, fvf;
    D3DPOOL pool;
    bool locked = false;
    std::vector<DWORD> lockFlags;  // flags of every successful lock, in order

private:
    ~VertexBuffer() override;
    Device* device_;
    ULONG refs_ = 1;
};

// Device state that state blocks and draws care about.
struct State {
    std::map<DWORD, DWORD> renderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates;  // (stage, type) -> value
    std::map<DWORD, IDirect3DBaseTexture8*> textures;     // stage -> texture (may be null)
    DWORD vertexShader = 0;
    bool hasVertexShader = false;

    DWORD RenderState(DWORD type) const;                 // 0xDEADBEEF when never set
    DWORD StageState(DWORD stage, DWORD type) const;     // 0xDEADBEEF when never set
    IDirect3DBaseTexture8* TextureAt(DWORD stage) const;  // null when never set
};

struct Draw {
    D3DPRIMITIVETYPE type;
    UINT startVertex;
    UINT primitiveCount;
    DWORD fvf;
    UINT stride;
    std::vector<BYTE> vertices;  // the vertices read, copied from stream 0
    State state;                 // the state at the time of the draw
    D3DMATERIAL8 material;

    template <typename Vertex>
    const Vertex& At(size_t i) const {
        return reinterpret_cast<const Vertex*>(vertices.data())[i];
    }
    size_t VertexCount() const { return stride ? vertices.size() / stride : 0; }
};

class Device final : public NullDevice {
public:
    Device();
    ~Device() override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; }  // owned by the test, never deleted here

    // ---- knobs and records for the test ----
    D3DCAPS8 caps{};
    HRESULT failCreateTexture = D3D_OK;       // returned instead of creating
    HRESULT failCreateVertexBuffer = D3D_OK;  // returned instead of creating
    HRESULT failVertexBufferLock = D3D_OK;    // returned by every vertex-buffer lock
    HRESULT failTextureLock = D3D_OK;         // returned by every texture lock
    State state;
    std::vector<Draw> draws;
    std::vector<std::string> log;  // "SetRenderState 27 1", "DrawPrimitive 4 0 2", ...
    int liveResources = 0;         // textures and vertex buffers not yet released
    D3DMATERIAL8 material{};
    IDirect3DVertexBuffer8* stream0 = nullptr;
    UINT stream0Stride = 0;
    std::map<DWORD, State> stateBlocks;  // token -> recorded entries
    std::vector<Texture*> createdTextures;
    bool record = true;  // false: no log, no draw copies (for benchmarks)

    // ---- IDirect3DDevice8: what the tests record; the rest is NullDevice's ----
    UINT GetAvailableTextureMem() override { return 64u << 20; }
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** ppTexture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE type, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE type, DWORD* pValue) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* pToken) override;
    HRESULT ApplyStateBlock(DWORD token) override;
    HRESULT CaptureStateBlock(DWORD token) override;
    HRESULT DeleteStateBlock(DWORD token) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE, DWORD* pToken) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT ValidateDevice(DWORD* pNumPasses) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT GetVertexShader(DWORD* pHandle) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* pStreamData, UINT stride) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer8** ppStreamData, UINT* pStride) override;

    // Number of log entries that start with prefix.
    int Count(const std::string& prefix) const;

private:
    template <typename... Args>
    void Note(const char* name, Args... args) {
        if (!record) return;
        std::ostringstream out;
        out << name;
        ((out << ' ' << args), ...);
        log.push_back(out.str());
    }

    State* recording_ = nullptr;  // block being recorded, or null
    DWORD nextToken_ = 1;
    ULONG refs_ = 1;
};

}  // namespace fake
