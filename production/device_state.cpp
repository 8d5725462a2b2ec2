#include "production/device_state.h"

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
