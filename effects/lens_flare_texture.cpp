// Loading the flare's textures (kept apart: it is the flare's only use of D3DX file loading).
#include "effects/lens_flare.h"

IDirect3DTexture8* CLensFlare::AddTexture(const char* fileName) {
    if (!m_pDevice || !fileName) return nullptr;
    IDirect3DTexture8* pTexture = nullptr;
    if (FAILED(D3DXCreateTextureFromFileA(m_pDevice, fileName, &pTexture)) || !pTexture) return nullptr;
    m_textures.push_back(pTexture);
    return pTexture;
}
