#include "fake_device.h"

#include <algorithm>

namespace fake {

namespace {

constexpr DWORD kUnset = 0xDEADBEEF;

UINT VerticesFor(D3DPRIMITIVETYPE type, UINT count) {
    switch (type) {
        case D3DPT_POINTLIST: return count;
        case D3DPT_LINELIST: return count * 2;
        case D3DPT_LINESTRIP: return count + 1;
        case D3DPT_TRIANGLELIST: return count * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return count + 2;
        default: return 0;
    }
}

UINT BytesPerTexel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A4R4G4B4:
        case D3DFMT_R5G6B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_X1R5G5B5: return 2;
        default: return 4;
    }
}

}  // namespace

// ---- Texture ---------------------------------------------------------------------------

Texture::Texture(Device* device, UINT w, UINT h, D3DFORMAT f, D3DPOOL p)
    : width(w), height(h), format(f), pool(p), bytesPerTexel(BytesPerTexel(f)), device_(device) {
    pitch = width * bytesPerTexel + 16;
    bits.assign(static_cast<size_t>(pitch) * height, 0xCD);
    ++device_->liveResources;
}

Texture::~Texture() { --device_->liveResources; }

ULONG Texture::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Texture::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = device_;
    device_->AddRef();
    return D3D_OK;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* pDesc) {
    if (level != 0 || !pDesc) return D3DERR_INVALIDCALL;
    *pDesc = D3DSURFACE_DESC{};
    pDesc->Format = format;
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Pool = pool;
    pDesc->Width = width;
    pDesc->Height = height;
    pDesc->Size = width * height * bytesPerTexel;
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD) {
    if (!pLockedRect || level != 0 || pRect || locked) return D3DERR_INVALIDCALL;
    if (FAILED(device_->failTextureLock)) return device_->failTextureLock;
    locked = true;
    pLockedRect->Pitch = static_cast<INT>(pitch);
    pLockedRect->pBits = bits.data();
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level != 0 || !locked) return D3DERR_INVALIDCALL;
    locked = false;
    return D3D_OK;
}

WORD Texture::Texel16(UINT x, UINT y) const {
    const BYTE* p = bits.data() + static_cast<size_t>(y) * pitch + x * 2;
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

// ---- VertexBuffer ----------------------------------------------------------------------

VertexBuffer::VertexBuffer(Device* device, UINT length, DWORD u, DWORD f, D3DPOOL p)
    : bytes(length, 0xCD), usage(u), fvf(f), pool(p), device_(device) {
    ++device_->liveResources;
}

VertexBuffer::~VertexBuffer() { --device_->liveResources; }

ULONG VertexBuffer::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT VertexBuffer::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = device_;
    device_->AddRef();
    return D3D_OK;
}

HRESULT VertexBuffer::Lock(UINT offset, UINT size, BYTE** ppbData, DWORD flags) {
    if (!ppbData) return D3DERR_INVALIDCALL;
    *ppbData = nullptr;
    if (locked || offset > bytes.size() || offset + size > bytes.size()) return D3DERR_INVALIDCALL;
    if (FAILED(device_->failVertexBufferLock)) return device_->failVertexBufferLock;
    locked = true;
    lockFlags.push_back(flags);
    *ppbData = bytes.data() + offset;
    return D3D_OK;
}

HRESULT VertexBuffer::Unlock() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    return D3D_OK;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = D3DVERTEXBUFFER_DESC{};
    pDesc->Format = D3DFMT_VERTEXDATA;
    pDesc->Type = D3DRTYPE_VERTEXBUFFER;
    pDesc->Usage = usage;
    pDesc->Pool = pool;
    pDesc->Size = static_cast<UINT>(bytes.size());
    pDesc->FVF = fvf;
    return D3D_OK;
}

// ---- State -----------------------------------------------------------------------------

DWORD State::RenderState(DWORD type) const {
    auto it = renderStates.find(type);
    return it == renderStates.end() ? kUnset : it->second;
}

DWORD State::StageState(DWORD stage, DWORD type) const {
    auto it = stageStates.find({stage, type});
    return it == stageStates.end() ? kUnset : it->second;
}

IDirect3DBaseTexture8* State::TextureAt(DWORD stage) const {
    auto it = textures.find(stage);
    return it == textures.end() ? nullptr : it->second;
}

// ---- Device ----------------------------------------------------------------------------

Device::Device() {
    caps.DeviceType = D3DDEVTYPE_REF;
    caps.MaxTextureWidth = 2048;
    caps.MaxTextureHeight = 2048;
    caps.MaxTextureBlendStages = 8;
}

Device::~Device() = default;

HRESULT Device::GetDeviceCaps(D3DCAPS8* pCaps) {
    if (!pCaps) return D3DERR_INVALIDCALL;
    *pCaps = caps;
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture8** ppTexture) {
    if (!ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    Note("CreateTexture", width, height, levels, usage, static_cast<DWORD>(format),
                       static_cast<DWORD>(pool));
    if (FAILED(failCreateTexture)) return failCreateTexture;
    if (width == 0 || height == 0) return D3DERR_INVALIDCALL;
    auto* texture = new Texture(this, width, height, format, pool);
    createdTextures.push_back(texture);
    *ppTexture = texture;
    return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer8** ppVertexBuffer) {
    if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
    *ppVertexBuffer = nullptr;
    Note("CreateVertexBuffer", length, usage, fvf, static_cast<DWORD>(pool));
    if (FAILED(failCreateVertexBuffer)) return failCreateVertexBuffer;
    if (length == 0) return D3DERR_INVALIDCALL;
    *ppVertexBuffer = new VertexBuffer(this, length, usage, fvf, pool);
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL8* pMaterial) {
    if (!pMaterial) return D3DERR_INVALIDCALL;
    Note("SetMaterial", pMaterial->Diffuse.a);
    material = *pMaterial;
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL8* pMaterial) {
    if (!pMaterial) return D3DERR_INVALIDCALL;
    *pMaterial = material;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE type, DWORD value) {
    Note("SetRenderState", static_cast<DWORD>(type), value);
    (recording_ ? recording_ : &state)->renderStates[type] = value;
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE type, DWORD* pValue) {
    if (!pValue) return D3DERR_INVALIDCALL;
    *pValue = state.RenderState(type);
    return D3D_OK;
}

HRESULT Device::BeginStateBlock() {
    Note("BeginStateBlock");
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = &stateBlocks[nextToken_];
    return D3D_OK;
}

HRESULT Device::EndStateBlock(DWORD* pToken) {
    Note("EndStateBlock");
    if (!recording_ || !pToken) return D3DERR_INVALIDCALL;
    *pToken = nextToken_++;
    recording_ = nullptr;
    return D3D_OK;
}

HRESULT Device::ApplyStateBlock(DWORD token) {
    Note("ApplyStateBlock", token);
    auto it = stateBlocks.find(token);
    if (recording_ || it == stateBlocks.end()) return D3DERR_INVALIDCALL;
    const State& block = it->second;
    for (const auto& [type, value] : block.renderStates) state.renderStates[type] = value;
    for (const auto& [key, value] : block.stageStates) state.stageStates[key] = value;
    for (const auto& [stage, texture] : block.textures) state.textures[stage] = texture;
    if (block.hasVertexShader) state.vertexShader = block.vertexShader, state.hasVertexShader = true;
    return D3D_OK;
}

HRESULT Device::CaptureStateBlock(DWORD token) {
    Note("CaptureStateBlock", token);
    auto it = stateBlocks.find(token);
    if (recording_ || it == stateBlocks.end()) return D3DERR_INVALIDCALL;
    State& block = it->second;
    for (auto& [type, value] : block.renderStates) value = state.RenderState(type);
    for (auto& [key, value] : block.stageStates) value = state.StageState(key.first, key.second);
    for (auto& [stage, texture] : block.textures) texture = state.TextureAt(stage);
    if (block.hasVertexShader) block.vertexShader = state.vertexShader;
    return D3D_OK;
}

HRESULT Device::DeleteStateBlock(DWORD token) {
    Note("DeleteStateBlock", token);
    if (recording_ || stateBlocks.erase(token) == 0) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE, DWORD* pToken) {
    if (pToken) *pToken = 0;
    return D3DERR_INVALIDCALL;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture8** ppTexture) {
    if (!ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = state.TextureAt(stage);
    if (*ppTexture) (*ppTexture)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture8* pTexture) {
    Note("SetTexture", stage, pTexture ? "texture" : "null");
    (recording_ ? recording_ : &state)->textures[stage] = pTexture;
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* pValue) {
    if (!pValue) return D3DERR_INVALIDCALL;
    *pValue = state.StageState(stage, type);
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    Note("SetTextureStageState", stage, static_cast<DWORD>(type), value);
    (recording_ ? recording_ : &state)->stageStates[{stage, static_cast<DWORD>(type)}] = value;
    return D3D_OK;
}

HRESULT Device::ValidateDevice(DWORD* pNumPasses) {
    if (pNumPasses) *pNumPasses = 1;
    return D3D_OK;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    Note("DrawPrimitive", static_cast<DWORD>(type), startVertex, primitiveCount);
    if (recording_) return D3DERR_INVALIDCALL;
    if (!record) return D3D_OK;
    Draw draw{type, startVertex, primitiveCount, state.vertexShader, stream0Stride, {}, state, material};
    auto* vb = dynamic_cast<VertexBuffer*>(stream0);
    if (!vb || vb->locked || stream0Stride == 0) return D3DERR_INVALIDCALL;
    const size_t begin = static_cast<size_t>(startVertex) * stream0Stride;
    const size_t end = begin + static_cast<size_t>(VerticesFor(type, primitiveCount)) * stream0Stride;
    if (end > vb->bytes.size()) return D3DERR_INVALIDCALL;
    draw.vertices.assign(vb->bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                         vb->bytes.begin() + static_cast<std::ptrdiff_t>(end));
    draws.push_back(std::move(draw));
    return D3D_OK;
}

HRESULT Device::SetVertexShader(DWORD handle) {
    Note("SetVertexShader", handle);
    State* target = recording_ ? recording_ : &state;
    target->vertexShader = handle;
    target->hasVertexShader = true;
    return D3D_OK;
}

HRESULT Device::GetVertexShader(DWORD* pHandle) {
    if (!pHandle) return D3DERR_INVALIDCALL;
    *pHandle = state.vertexShader;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* pStreamData, UINT stride) {
    Note("SetStreamSource", stream, stride);
    if (stream != 0) return D3DERR_INVALIDCALL;
    stream0 = pStreamData;
    stream0Stride = stride;
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT stream, IDirect3DVertexBuffer8** ppStreamData, UINT* pStride) {
    if (!ppStreamData || !pStride || stream != 0) return D3DERR_INVALIDCALL;
    *ppStreamData = stream0;
    *pStride = stream0Stride;
    if (stream0) stream0->AddRef();
    return D3D_OK;
}

int Device::Count(const std::string& prefix) const {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& line) {
        return line.compare(0, prefix.size(), prefix) == 0;
    }));
}

}  // namespace fake
