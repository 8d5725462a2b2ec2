// Small helpers for the device calls the scenes repeat.
#pragma once

#include "platform/d3d8.h"

// A grey 0x00gggggg from a level 0..255.
inline D3DCOLOR Grey(int level) {
    const DWORD g = static_cast<DWORD>(level) & 0xff;
    return (g << 16) | (g << 8) | g;
}

// The square-aspect projections the scenes use (aspect 1.0; fieldOfView in radians).
void SetSquareProjection(IDirect3DDevice8* device, float fieldOfView, float zNear, float zFar);

// Stage 0 colour and alpha = texture x diffuse, stage 1 off: the state particles draw with.
void SetParticleStages(IDirect3DDevice8* device);

// While it lives, the device draws into level 0 of `texture` without a depth buffer (into the
// current target, without depth, when the texture is null or has no level). At its end the kept
// colour and depth surfaces come back, depth testing is turned on, and every surface reference
// it took is released, on whatever path the drawing leaves.
class RenderTargetScope {
public:
    RenderTargetScope(IDirect3DDevice8* device, IDirect3DTexture8* texture);
    ~RenderTargetScope();
    RenderTargetScope(const RenderTargetScope&) = delete;
    RenderTargetScope& operator=(const RenderTargetScope&) = delete;

private:
    IDirect3DDevice8* m_device;
    IDirect3DSurface8* m_keptTarget = nullptr;
    IDirect3DSurface8* m_keptDepth = nullptr;
    IDirect3DSurface8* m_target = nullptr;
};
