#include "particles/texture_loading.h"

#include "platform/d3dx8.h"

// The D3DX texture loader is linked only into programs that have it; where it is absent the
// sequence stays untextured, as with any failed load.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* pDevice, LPCSTR pSrcFile, IDirect3DTexture8** ppTexture)
    __attribute__((weak));

HRESULT LoadParticleTexture(IDirect3DDevice8* device, const char* fileName, IDirect3DTexture8** texture) {
    *texture = nullptr;
    if (D3DXCreateTextureFromFileA == nullptr) return E_NOTIMPL;
    const HRESULT hr = D3DXCreateTextureFromFileA(device, fileName, texture);
    if (FAILED(hr)) *texture = nullptr;
    return hr;
}
