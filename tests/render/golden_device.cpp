#include "golden_device.h"

namespace testimage {

namespace {

D3DPRESENT_PARAMETERS GoldenParams(UINT width, UINT height, D3DFORMAT backBuffer) {
    D3DPRESENT_PARAMETERS pp = TestPresentParams(width, height, D3DFMT_D16);
    pp.BackBufferFormat = backBuffer;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    return pp;
}

}  // namespace

RefDevice::RefDevice(UINT width, UINT height)
    : test_support::RefDevice(GoldenParams(width, height, D3DFMT_A8R8G8B8)) {
    RetryWith(GoldenParams(width, height, D3DFMT_UNKNOWN));
}

Image RefDevice::ReadBackBuffer() const {
    Image image;
    IDirect3DSurface8* surface = nullptr;
    if (!get() || FAILED(get()->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface))) return image;
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        image.width = static_cast<int>(desc.Width);
        image.height = static_cast<int>(desc.Height);
        image.argb.resize(static_cast<size_t>(desc.Width) * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y) {
            const BYTE* row = static_cast<const BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
            for (UINT x = 0; x < desc.Width; ++x) {
                std::uint32_t p = 0;
                if (desc.Format == D3DFMT_R5G6B5) {
                    const unsigned v = row[x * 2] | (row[x * 2 + 1] << 8);
                    const unsigned r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
                    p = ((r * 255 + 15) / 31) << 16 | ((g * 255 + 31) / 63) << 8 | ((b * 255 + 15) / 31);
                } else {
                    p = reinterpret_cast<const std::uint32_t*>(row)[x];
                }
                image.argb[static_cast<size_t>(y) * desc.Width + x] = p | 0xFF000000u;
            }
        }
        surface->UnlockRect();
    }
    surface->Release();
    return image;
}

}  // namespace testimage
