// The device model: one implementation of IDirect3DDevice8's API-visible behaviour
// (states, resources, validation, state blocks, reference counts) over a rasterizer
// that does the drawing. Setters validate, store and mark what a draw must re-derive
// (dirty bits); PrepareDraw rebuilds the snapshot the rasterizer reads.
//
// Left out, each refused with D3DERR_INVALIDCALL and a debugger-output line: more than
// one back buffer, multisampling, Present with source or destination rectangles, taking
// the back-buffer size from the window, vertex shader programs. The device cursor is
// kept but not drawn. Direct3D's rules that the model enforces beyond the retail runtime:
// draws only between BeginScene and EndScene, never from a locked buffer or texture or
// into a locked target, every index checked against the vertex buffer.
#pragma once

#include "platform/d3d8/buffers.h"
#include "platform/d3d8/interfaces.h"
#include "platform/d3d8/object.h"
#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/surface.h"
#include "platform/d3d8/texture.h"

#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

namespace d3d8 {

class Direct3D8;
class StateBlock;

constexpr UINT kMaxStreams = 16;
constexpr UINT kWorldMatrices = 256;

struct LightSlot {
    D3DLIGHT8 light{};
    bool enabled = false;
};

struct StreamBinding {
    InternalRef<VertexBuffer> buffer;
    UINT stride = 0;  // bytes from one vertex to the next
};

class Device final : public IDirect3DDevice8 {
public:
    // Validates the parameters (writing back the values the device chose, as Direct3D
    // does) and creates a device drawing with `rasterizer`.
    static HRESULT Create(Direct3D8* d3d, UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                          D3DPRESENT_PARAMETERS* params, std::unique_ptr<Rasterizer> rasterizer,
                          IDirect3DDevice8** out);

    // IUnknown
    ULONG AddRef() override;
    ULONG Release() override;

    // Device, presentation (device.cpp)
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT GetDirect3D(IDirect3D8** ppD3D8) override;
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT SetCursorProperties(UINT XHotSpot, UINT YHotSpot, IDirect3DSurface8* pCursorBitmap) override;
    void SetCursorPosition(UINT XScreenSpace, UINT YScreenSpace, DWORD Flags) override;
    BOOL ShowCursor(BOOL bShow) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const void* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type, IDirect3DSurface8** ppBackBuffer) override;
    HRESULT SetRenderTarget(IDirect3DSurface8* pRenderTarget, IDirect3DSurface8* pNewZStencil) override;
    HRESULT GetRenderTarget(IDirect3DSurface8** ppRenderTarget) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;

    // Resources (device_resources.cpp)
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture8** ppTexture) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                               BOOL Lockable, IDirect3DSurface8** ppSurface) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                      IDirect3DSurface8** ppSurface) override;
    HRESULT CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format, IDirect3DSurface8** ppSurface) override;
    HRESULT CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                      IDirect3DSurface8* pDestinationSurface, const POINT* pDestPointsArray) override;

    // States (device_state.cpp)
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT SetVertexShader(DWORD Handle) override;
    HRESULT GetVertexShader(DWORD* pHandle) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData, UINT* pStride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) override;

    // State blocks (state_block.cpp)
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* pToken) override;
    HRESULT ApplyStateBlock(DWORD Token) override;
    HRESULT CaptureStateBlock(DWORD Token) override;
    HRESULT DeleteStateBlock(DWORD Token) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) override;

    // Drawing (device_draw.cpp)
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
    HRESULT ValidateDevice(DWORD* pNumPasses) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT MinIndex, UINT NumVertices, UINT StartIndex,
                                 UINT PrimitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertexIndices,
                                   UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                   const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;

    // For the objects of the model.
    void RegisterChild(Counted* child) { children_.insert(child); }
    void UnregisterChild(Counted* child) { children_.erase(child); }
    void ForgetTexture(std::uint64_t id) { rasterizer_->ForgetTexture(id); }
    // The CPU is about to read or write a surface's memory: the rasterizer brings its pixels there.
    void ReadBack(const SurfaceData& surface) {
        if (rasterizer_) rasterizer_->ReadBack(surface);
    }
    void ForgetSurface(const SurfaceData& surface) {
        if (rasterizer_) rasterizer_->ForgetSurface(surface);
    }
    void SimulateLoss(bool lost);
    void SetRasterizing(bool on) { rasterizing_ = on; }

private:
    friend class StateBlock;

    enum DirtyBits : DWORD {
        kDirtyLights = 1u << 0,    // the list of enabled lights
    };
    enum class Cooperative { kOk, kLost, kNotReset };

    Device(Direct3D8* d3d, UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
           std::unique_ptr<Rasterizer> rasterizer);
    ~Device() override;

    // Checks `params` and fills in what the device chooses (size 0, UNKNOWN format, count 0).
    HRESULT ValidatePresentParameters(const char* where, D3DPRESENT_PARAMETERS* params) const;
    // Back buffer and automatic depth buffer for `params`, bound as targets; `params`
    // becomes the device's. Throws std::bad_alloc and then changes nothing.
    void CreateImplicitSurfaces(const D3DPRESENT_PARAMETERS& params);
    // Every state to its default; nothing bound.
    void ResetState();
    void SetFullViewport();
    void BindTexture(DWORD stage, Texture* texture);  // binding and snapshot together
    D3DMATRIX TransformValue(DWORD state) const;  // `state` already checked
    bool IsRecording() const { return recording_ != nullptr; }

    HRESULT PrepareDraw(const char* where);
    // Hands a checked draw to the rasterizer, unless rasterizing is off.
    void Rasterize(const DrawCall& call) {
        if (rasterizing_) rasterizer_->Draw(targets_, state_, call);
    }
    HRESULT CheckDrawState(const char* where, bool needStream);
    HRESULT CheckStage(const char* where, DWORD stage) const;
    void TargetsChanged();
    // The window the device presents into.
    HWND PresentWindow() const { return params_.hDeviceWindow ? params_.hDeviceWindow : focusWindow_; }
    // Whether Present waits for the display's refresh: as the presentation interval asks in
    // full-screen, always in a window (no torn frames), never with MORVELT_VSYNC=0.
    bool WaitForRefresh() const;
    // Puts the window into full-screen for full-screen parameters, out of it otherwise.
    void ApplyWindowMode(const D3DPRESENT_PARAMETERS& params);
    // A full-screen device is lost while the user is away from its window (minimised, or
    // focus elsewhere) and needs a Reset once back.
    void FollowWindowFocus();

    ULONG refs_ = 1;
    Direct3D8* d3d_;
    UINT adapter_;
    D3DDEVTYPE type_;
    D3DCAPS8 caps_;
    HWND focusWindow_;
    DWORD behaviorFlags_;
    D3DPRESENT_PARAMETERS params_{};
    std::unique_ptr<Rasterizer> rasterizer_;
    bool rasterizing_ = true;  // off: clears and draws change no pixel (see recording.h)
    std::unordered_set<Counted*> children_;  // live objects with counts of their own

    InternalRef<Surface> backBuffer_;
    InternalRef<Surface> autoDepth_;
    InternalRef<Surface> renderTarget_;
    InternalRef<Surface> depthStencil_;
    RenderTargets targets_;

    PipelineState state_;  // render and stage states, transforms, material, viewport, FVF; snapshot parts
    std::vector<D3DMATRIX> extraWorlds_;  // world matrices 1..255
    std::map<DWORD, LightSlot> lights_;
    InternalRef<Texture> textures_[kMaxStages];
    StreamBinding streams_[kMaxStreams];
    InternalRef<IndexBuffer> indices_;
    UINT baseVertexIndex_ = 0;
    DWORD dirty_ = ~0u;
    bool warnedLights_ = false;

    bool inScene_ = false;
    Cooperative cooperative_ = Cooperative::kOk;
    bool lostToAway_ = false;  // lost because the user left the full-screen window
    bool fullScreen_ = false;  // the present window is full-screen for this device

    std::unique_ptr<StateBlock> recording_;
    std::map<DWORD, std::unique_ptr<StateBlock>> stateBlocks_;
    DWORD nextStateBlock_ = 1;

    std::vector<DWORD> cursorImage_;  // A8R8G8B8, cursorWidth_ x cursorHeight_
    UINT cursorWidth_ = 0, cursorHeight_ = 0, cursorHotX_ = 0, cursorHotY_ = 0;
    UINT cursorX_ = 0, cursorY_ = 0;
    bool cursorVisible_ = false;
};

}  // namespace d3d8
