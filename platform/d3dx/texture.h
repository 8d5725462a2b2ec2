// Texture creation and loading from image files (JPEG, PNG, BMP, DDS).
//
// Implements: D3DXCheckTextureRequirements, D3DXCreateTexture, D3DXCreateTextureFromFileA/ExA,
// D3DXCreateTextureFromFileInMemory/Ex. Sizes always become powers of two (whatever the
// device's D3DPTEXTURECAPS_POW2 says), square when the device asks for that; images are
// scaled with the given filter and each mip level is made from the one above with the mip filter.
// Leaves out: palettes (a palette pointer is accepted and not written), cube and volume
// textures, DXT compression on load (a DXT format request is loaded as A8R8G8B8), and
// dithering (D3DX_FILTER_DITHER is accepted; conversions round to nearest instead).
#pragma once

#include "platform/d3d8.h"
#include "platform/d3dx/constants.h"

// Adjusts a texture request to what the device can create: 0 or D3DX_DEFAULT sizes become
// 256, sizes become powers of two, then square / within the maximum as the caps require, mip
// levels 0 or D3DX_DEFAULT become the full chain, and D3DFMT_UNKNOWN (or a format the device
// refuses) becomes a supported one. Any pointer may be NULL.
HRESULT D3DXCheckTextureRequirements(LPDIRECT3DDEVICE8 pDevice, UINT* pWidth, UINT* pHeight, UINT* pNumMipLevels,
                                     DWORD Usage, D3DFORMAT* pFormat, D3DPOOL Pool);

// An empty texture after D3DXCheckTextureRequirements.
HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE8 pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DTEXTURE8* ppTexture);

// Full size, full mip chain, the file's own format (alpha -> A8R8G8B8, none -> X8R8G8B8),
// D3DPOOL_MANAGED, default filters, no colour key.
HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE8 pDevice, LPCSTR pSrcFile, LPDIRECT3DTEXTURE8* ppTexture);

// Width/Height 0 or D3DX_DEFAULT take the image's size; MipLevels 0 or D3DX_DEFAULT make a
// full chain; Filter D3DX_DEFAULT is TRIANGLE | DITHER, MipFilter D3DX_DEFAULT is BOX;
// a non-zero ColorKey (0xAARRGGBB) turns every source pixel of exactly that value into
// 0x00000000 before scaling. pSrcInfo, when given, receives what the file holds.
// A missing, unreadable, truncated or corrupt file gives D3DXERR_INVALIDDATA and no texture.
HRESULT D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE8 pDevice, LPCSTR pSrcFile, UINT Width, UINT Height,
                                     UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                     DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                     PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE8* ppTexture);

// The same from a file image already in memory.
HRESULT D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                          LPDIRECT3DTEXTURE8* ppTexture);
HRESULT D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                            UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                            D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            LPDIRECT3DTEXTURE8* ppTexture);

#define D3DXCreateTextureFromFile D3DXCreateTextureFromFileA
#define D3DXCreateTextureFromFileEx D3DXCreateTextureFromFileExA
