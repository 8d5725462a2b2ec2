// The REF device of the golden pictures, with helpers to fill textures and read the back
// buffer back as a picture.
#pragma once

#include "png_image.h"
#include "tests/support/ref_device.h"

namespace testimage {

// An A8R8G8B8 back buffer that can be locked and a 16-bit depth buffer; when the adapter's
// desktop format refuses that back buffer, the device chooses.
class RefDevice : public test_support::RefDevice {
public:
    RefDevice(UINT width, UINT height);

    // The back buffer, alpha forced to 255.
    Image ReadBackBuffer() const;
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
