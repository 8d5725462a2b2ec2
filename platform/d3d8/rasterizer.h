// The narrow interface between the device model and a rasterizer (device type REF: the
// software pipeline in ref/; device type HAL: OpenGL in gl/). The model validates every
// call, keeps the API-visible state and hands the rasterizer a snapshot of it with the
// geometry of one draw. Nothing here is visible above platform/.
#pragma once

#include "platform/d3d8/types.h"

#include <cstdint>

namespace d3d8 {

// Pixels in memory: a mip level, a render target, the back buffer or a depth buffer.
// Colour surfaces hold their D3DFORMAT's layout; depth surfaces hold one float (0..1)
// per pixel whatever their format, so their pitch is width * 4.
struct SurfaceData {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT width = 0;
    UINT height = 0;
    INT pitch = 0;  // bytes per row
    BYTE* bits = nullptr;
};

// A texture as the rasterizer samples it. `id` names the texture for the lifetime of the
// process; `version` grows whenever its contents change (unlock, drawn into as a target),
// so a rasterizer that keeps copies (OpenGL) knows when to refresh them.
struct TextureData {
    std::uint64_t id = 0;
    std::uint64_t version = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT levelCount = 0;
    const SurfaceData* levels = nullptr;  // levelCount entries, level 0 the largest
};

constexpr UINT kMaxStages = 8;
constexpr UINT kMaxActiveLights = 8;

// Everything the fixed-function pipeline reads, as set through the device.
struct PipelineState {
    DWORD renderStates[D3DRS_TABLE_SIZE] = {};
    DWORD stageStates[kMaxStages][D3DTSS_TABLE_SIZE] = {};
    D3DMATRIX world{};
    D3DMATRIX view{};
    D3DMATRIX projection{};
    D3DMATRIX textureTransforms[kMaxStages]{};
    D3DMATERIAL8 material{};
    D3DLIGHT8 lights[kMaxActiveLights]{};  // the enabled lights, in index order
    UINT lightCount = 0;
    D3DVIEWPORT8 viewport{};
    const TextureData* textures[kMaxStages] = {};  // null: no texture bound to the stage
    // Stages taking part in the cascade; the device sets it at each draw
    // (CascadeLengthWithTextures in fixed_function.h).
    UINT activeStages = kMaxStages;
    DWORD fvf = 0;
};

// The geometry of one draw. Vertices are read from `vertices` + index * stride, where index
// is baseVertex + (the index buffer entry, or the running vertex number without indices).
struct DrawCall {
    D3DPRIMITIVETYPE primitiveType = D3DPT_TRIANGLELIST;
    UINT primitiveCount = 0;
    const BYTE* vertices = nullptr;
    UINT stride = 0;
    UINT vertexCount = 0;  // vertices readable from `vertices` (bounds for the indices)
    UINT startVertex = 0;  // first vertex without indices
    const BYTE* indices = nullptr;  // null: not indexed
    D3DFORMAT indexFormat = D3DFMT_INDEX16;
    UINT startIndex = 0;
    INT baseVertex = 0;
};

struct RenderTargets {
    SurfaceData* color = nullptr;
    SurfaceData* depth = nullptr;  // null: no depth buffer
};

class Rasterizer {
public:
    virtual ~Rasterizer() = default;

    // Clears `rect` (already clipped to the target) of the targets named by D3DCLEAR_* flags.
    virtual void Clear(const RenderTargets& targets, const RECT& rect, DWORD flags, D3DCOLOR color, float z,
                       DWORD stencil) = 0;

    // Draws one call with the state in force. The model has checked the call's bounds.
    virtual void Draw(const RenderTargets& targets, const PipelineState& state, const DrawCall& call) = 0;

    // The frame is complete (Present): give back what was held across its draws (the GL
    // context, so that the host's own GL may run between frames).
    virtual void EndFrame() {}

    // Shows the back buffer in `window` without bringing it into memory, when this rasterizer
    // draws with a context of that very window (HAL made for a window): scaled to fit, aspect
    // kept, black borders, then swapped, waiting for the display's refresh if asked. False
    // otherwise; the device then reads the picture back and shows it from memory.
    virtual bool ShowInOwnWindow(const SurfaceData& backBuffer, HWND window, bool waitForRefresh) {
        (void)backBuffer, (void)window, (void)waitForRefresh;
        return false;
    }

    // The texture with this id is gone; drop anything kept for it.
    virtual void ForgetTexture(std::uint64_t id) = 0;

    // Brings the pixels of a colour or depth target into its memory. A rasterizer that draws
    // elsewhere (OpenGL) copies them back; one that draws into memory has nothing to do. Call
    // before the CPU reads or writes a target's memory (LockRect of the back buffer, a render
    // target or a depth surface, and Present in a window); afterwards the memory counts as the
    // newer copy.
    virtual void ReadBack(const SurfaceData& surface) { (void)surface; }

    // The surface whose memory starts at surface.bits is gone (released, or the back buffer
    // of a device being reset); drop anything kept for it.
    virtual void ForgetSurface(const SurfaceData& surface) { (void)surface; }
};

}  // namespace d3d8
