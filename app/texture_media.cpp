#include "app/media.h"
#include "platform/d3dx8.h"

HRESULT CreateTextureFromMedia(IDirect3DDevice8* pDevice, const char* fileName, IDirect3DTexture8** ppTexture,
                               D3DFORMAT format) {
    char path[kMaxMediaPath];
    FindMediaFile(path, fileName);  // on failure it says where it looked; the bare name is tried
    return D3DXCreateTextureFromFileExA(pDevice, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, format,
                                        D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
                                        D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, 0, NULL, NULL, ppTexture);
}
