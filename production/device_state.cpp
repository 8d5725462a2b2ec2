#include "production/device_state.h"

#include "app/safe_release.h"
#include "platform/d3dx8.h"

void SetSquareProjection(IDirect3DDevice8* device, float fieldOfView, float zNear, float zFar) {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, fieldOfView, 1.0f, zNear, zFar);
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

void SetParticleStages(IDirect3DDevice8* device) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

RenderTargetScope::RenderTargetScope(IDirect3DDevice8* device, IDirect3DTexture8* texture) : m_device(device) {
    m_device->GetRenderTarget(&m_keptTarget);
    m_device->GetDepthStencilSurface(&m_keptDepth);
    if (!texture || FAILED(texture->GetSurfaceLevel(0, &m_target))) m_target = nullptr;
    m_device->SetRenderTarget(m_target, nullptr);
}

RenderTargetScope::~RenderTargetScope() {
    m_device->SetRenderTarget(m_keptTarget, m_keptDepth);
    m_device->SetRenderState(D3DRS_ZENABLE, TRUE);
    SafeRelease(m_target);
    SafeRelease(m_keptTarget);
    SafeRelease(m_keptDepth);
}
