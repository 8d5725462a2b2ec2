// Reading back what a texture holds, for tests of code that fills textures.
#pragma once

#include <cstring>
#include <vector>

#include "platform/d3d8.h"
#include "platform/d3d8/format_info.h"

namespace test_support {

// The texels of `level`, row by row, each as its bytes hold it (16-bit formats in the low
// half); empty when the level cannot be locked.
inline std::vector<DWORD> Texels(IDirect3DTexture8* texture, UINT level) {
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->GetLevelDesc(level, &desc))) return {};
    if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY))) return {};
    const UINT bytes = d3d8::BytesPerPixel(desc.Format) < 4 ? d3d8::BytesPerPixel(desc.Format) : 4;
    std::vector<DWORD> texels(static_cast<size_t>(desc.Width) * desc.Height, 0);
    for (UINT y = 0; y < desc.Height; ++y)
        for (UINT x = 0; x < desc.Width; ++x)
            std::memcpy(&texels[static_cast<size_t>(y) * desc.Width + x],
                        static_cast<const BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch + x * bytes,
                        bytes);
    texture->UnlockRect(level);
    return texels;
}

// Texel (x, y) of `level`; 0xDEADBEEF when it cannot be read.
inline DWORD Texel(IDirect3DTexture8* texture, UINT level, UINT x, UINT y) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(level, &desc);
    const std::vector<DWORD> texels = Texels(texture, level);
    if (x >= desc.Width || y >= desc.Height || texels.empty()) return 0xDEADBEEF;
    return texels[static_cast<size_t>(y) * desc.Width + x];
}

}  // namespace test_support
