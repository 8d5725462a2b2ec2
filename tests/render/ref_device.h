// An off-screen device of type REF (the software rasterizer) for golden-image tests, with
// helpers to fill textures and read the back buffer back as a picture.
#pragma once

#include "platform/d3d8.h"
#include "png_image.h"

namespace testimage {

class RefDevice {
public:
    RefDevice(UINT width, UINT height);
    ~RefDevice();
    RefDevice(const RefDevice&) = delete;
    RefDevice& operator=(const RefDevice&) = delete;

    IDirect3DDevice8* get() const { return device_; }
    IDirect3DDevice8* operator->() const { return device_; }
    explicit operator bool() const { return device_ != nullptr; }
    HRESULT createResult() const { return createResult_; }

    // The back buffer, alpha forced to 255.
    Image ReadBackBuffer() const;

private:
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
    HRESULT createResult_ = E_FAIL;
};

// A managed A8R8G8B8 texture of one level filled by texel(x, y) -> 0xAARRGGBB; null on failure.
template <typename Texel>
IDirect3DTexture8* MakeTexture(IDirect3DDevice8* device, UINT width, UINT height, Texel texel) {
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture))) return nullptr;
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
        texture->Release();
        return nullptr;
    }
    for (UINT y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch);
        for (UINT x = 0; x < width; ++x) row[x] = texel(x, y);
    }
    texture->UnlockRect(0);
    return texture;
}

}  // namespace testimage
