#include "platform/d3dx/texture.h"

#include "platform/d3dx/image.h"
#include "platform/d3dx/image_ops.h"
#include "platform/d3dx/pixel_pack.h"
#include "platform/win32/debug_output.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

namespace {

// True when the device can make a texture of this format (assumed when it cannot be asked).
bool DeviceSupports(LPDIRECT3DDEVICE8 device, const D3DCAPS8& caps, DWORD usage, D3DFORMAT format) {
    IDirect3D8* d3d = nullptr;
    if (FAILED(device->GetDirect3D(&d3d)) || !d3d) return true;
    D3DDISPLAYMODE mode{};
    bool ok = true;
    if (SUCCEEDED(device->GetDisplayMode(&mode)))
        ok = SUCCEEDED(d3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format, usage,
                                              D3DRTYPE_TEXTURE, format));
    d3d->Release();
    return ok;
}

void Report(const char* function, const char* file, const char* what) {
    const std::string text = std::string(function) + ": '" + (file ? file : "") + "' " + what + "\n";
    OutputDebugStringA(text.c_str());
}

HRESULT LoadTextureUnguarded(const char* function, const char* name, LPDIRECT3DDEVICE8 device, const BYTE* data,
                             size_t size, UINT width, UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                             D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                             D3DXIMAGE_INFO* srcInfo, LPDIRECT3DTEXTURE8* ppTexture) {
    if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    if (mipFilter == D3DX_DEFAULT) mipFilter = D3DX_FILTER_BOX;
    if (!d3dx::IsValidFilter(filter) || !d3dx::IsValidFilter(mipFilter)) return D3DERR_INVALIDCALL;

    d3dx::Image image;
    if (FAILED(d3dx::DecodeImage(data, size, &image))) {
        platform::TellUser("%s: not a readable JPEG, PNG, BMP or DDS image", name);
        return D3DXERR_INVALIDDATA;
    }
    if (srcInfo) {
        srcInfo->Width = image.width;
        srcInfo->Height = image.height;
        srcInfo->Depth = 1;
        srcInfo->MipLevels = image.fileMipLevels;
        srcInfo->Format = image.fileFormat;
        srcInfo->ResourceType = D3DRTYPE_TEXTURE;
        srcInfo->ImageFileFormat = static_cast<D3DXIMAGE_FILEFORMAT>(d3dx::DetectImageFileType(data, size));
    }

    if (width == 0 || width == D3DX_DEFAULT) width = image.width;
    if (height == 0 || height == D3DX_DEFAULT) height = image.height;
    if (format == D3DFMT_UNKNOWN || static_cast<UINT>(format) == D3DX_DEFAULT)
        format = image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    else if (!d3dx::CanPackArgbTo(format))
        format = d3d8::HasAlpha(format) || image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    HRESULT hr = D3DXCheckTextureRequirements(device, &width, &height, &mipLevels, usage, &format, pool);
    if (FAILED(hr)) return hr;
    if (!d3dx::CanPackArgbTo(format) || !d3dx::ImageSizeAcceptable(width, height)) return D3DERR_INVALIDCALL;

    d3dx::ApplyColorKey(image, colorKey);
    // The source becomes the first level, moved where it has the level's size.
    d3dx::Image level = width == image.width && height == image.height ? std::move(image)
                                                                       : d3dx::Resample(image, width, height, filter);
    image = d3dx::Image();

    IDirect3DTexture8* texture = nullptr;
    hr = device->CreateTexture(width, height, mipLevels, usage, format, pool, &texture);
    if (FAILED(hr)) return hr;
    const DWORD levels = texture->GetLevelCount();
    for (DWORD i = 0; i < levels; ++i) {
        D3DSURFACE_DESC desc{};
        hr = texture->GetLevelDesc(i, &desc);
        if (SUCCEEDED(hr) && (desc.Width != level.width || desc.Height != level.height))
            level = d3dx::Resample(level, desc.Width, desc.Height, mipFilter);
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(hr)) hr = texture->LockRect(i, &locked, nullptr, 0);
        if (FAILED(hr)) {
            Report(function, name, "could not be written into the texture (pool or usage not lockable)");
            texture->Release();
            return hr;
        }
        for (UINT y = 0; y < level.height; ++y)
            d3dx::PackRow(&level.pixels[static_cast<size_t>(y) * level.width], level.width, format,
                          static_cast<BYTE*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch);
        texture->UnlockRect(i);
        if (i + 1 < levels) level = d3dx::NextMipLevel(level, mipFilter);
    }
    *ppTexture = texture;
    return S_OK;
}

// Allocation failures become E_OUTOFMEMORY: nothing thrown crosses the platform boundary.
template <typename... Args>
HRESULT LoadTexture(Args... args) {
    try {
        return LoadTextureUnguarded(args...);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace

HRESULT D3DXCheckTextureRequirements(LPDIRECT3DDEVICE8 pDevice, UINT* pWidth, UINT* pHeight, UINT* pNumMipLevels,
                                     DWORD Usage, D3DFORMAT* pFormat, D3DPOOL Pool) {
    (void)Pool;
    if (!pDevice) return D3DERR_INVALIDCALL;
    D3DCAPS8 caps{};
    HRESULT hr = pDevice->GetDeviceCaps(&caps);
    if (FAILED(hr)) return hr;

    UINT width = pWidth ? *pWidth : 256, height = pHeight ? *pHeight : 256;
    if (width == 0 || width == D3DX_DEFAULT) width = 256;
    if (height == 0 || height == D3DX_DEFAULT) height = 256;
    // Powers of two always, as the hardware this code was written for required, whether or
    // not the device sets D3DPTEXTURECAPS_POW2: textures then behave alike on every device.
    width = d3dx::NextPowerOfTwo(width);
    height = d3dx::NextPowerOfTwo(height);
    if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) width = height = std::max(width, height);
    if (caps.MaxTextureWidth && width > caps.MaxTextureWidth) width = caps.MaxTextureWidth;
    if (caps.MaxTextureHeight && height > caps.MaxTextureHeight) height = caps.MaxTextureHeight;

    if (pNumMipLevels) {
        const UINT full = d3dx::FullMipChainLength(width, height);
        UINT levels = *pNumMipLevels;
        if (levels == 0 || levels == D3DX_DEFAULT || levels > full) levels = full;
        if (!(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP)) levels = 1;
        *pNumMipLevels = levels;
    }
    if (pFormat) {
        D3DFORMAT format = *pFormat;
        if (format == D3DFMT_UNKNOWN || static_cast<UINT>(format) == D3DX_DEFAULT) format = D3DFMT_A8R8G8B8;
        if (!DeviceSupports(pDevice, caps, Usage, format)) {
            static const D3DFORMAT kWithAlpha[] = {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};
            static const D3DFORMAT kOpaque[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A8R8G8B8};
            const bool alpha = d3d8::HasAlpha(format);
            const D3DFORMAT* list = alpha ? kWithAlpha : kOpaque;
            const size_t count = alpha ? std::size(kWithAlpha) : std::size(kOpaque);
            for (size_t i = 0; i < count; ++i) {
                if (DeviceSupports(pDevice, caps, Usage, list[i])) {
                    format = list[i];
                    break;
                }
            }
        }
        *pFormat = format;
    }
    if (pWidth) *pWidth = width;
    if (pHeight) *pHeight = height;
    return S_OK;
}

HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE8 pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DTEXTURE8* ppTexture) {
    if (ppTexture) *ppTexture = nullptr;
    if (!pDevice || !ppTexture) return D3DERR_INVALIDCALL;
    const HRESULT hr = D3DXCheckTextureRequirements(pDevice, &Width, &Height, &MipLevels, Usage, &Format, Pool);
    if (FAILED(hr)) return hr;
    return pDevice->CreateTexture(Width, Height, MipLevels, Usage, Format, Pool, ppTexture);
}

HRESULT D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE8 pDevice, LPCSTR pSrcFile, UINT Width, UINT Height,
                                     UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                     DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                     PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE8* ppTexture) {
    (void)pPalette;
    if (ppTexture) *ppTexture = nullptr;
    if (!pDevice || !pSrcFile || !ppTexture) return D3DERR_INVALIDCALL;
    std::vector<BYTE> bytes;
    std::string reason;
    if (!d3dx::ReadWholeFile(pSrcFile, &bytes, &reason)) {
        platform::TellUser("%s: cannot be read: %s", pSrcFile, reason.c_str());
        return D3DXERR_INVALIDDATA;
    }
    return LoadTexture("D3DXCreateTextureFromFileExA", pSrcFile, pDevice, bytes.data(), bytes.size(), Width, Height,
                       MipLevels, Usage, Format, Pool, Filter, MipFilter, ColorKey, pSrcInfo, ppTexture);
}

HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE8 pDevice, LPCSTR pSrcFile, LPDIRECT3DTEXTURE8* ppTexture) {
    return D3DXCreateTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                        nullptr, ppTexture);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                            UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                            D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            LPDIRECT3DTEXTURE8* ppTexture) {
    (void)pPalette;
    if (ppTexture) *ppTexture = nullptr;
    if (!pDevice || !pSrcData || !ppTexture) return D3DERR_INVALIDCALL;
    return LoadTexture("D3DXCreateTextureFromFileInMemoryEx", "(memory)", pDevice,
                       static_cast<const BYTE*>(pSrcData), SrcDataSize, Width, Height, MipLevels, Usage, Format,
                       Pool, Filter, MipFilter, ColorKey, pSrcInfo, ppTexture);
}

HRESULT D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                          LPDIRECT3DTEXTURE8* ppTexture) {
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, pSrcData, SrcDataSize, D3DX_DEFAULT, D3DX_DEFAULT,
                                               D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                               D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}
