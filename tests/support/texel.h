// Reading back what a texture holds, for tests of code that fills textures.
#pragma once

#include <cstring>

#include "platform/d3d8.h"
#include "platform/d3d8/format_info.h"

namespace test_support {

// Texel (x, y) of `level` as its bytes hold it (16-bit formats in the low half);
// 0xDEADBEEF when the level cannot be locked or (x, y) lies outside it.
inline DWORD Texel(IDirect3DTexture8* texture, UINT level, UINT x, UINT y) {
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->GetLevelDesc(level, &desc)) || x >= desc.Width || y >= desc.Height) return 0xDEADBEEF;
    if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY))) return 0xDEADBEEF;
    const UINT bytes = d3d8::BytesPerPixel(desc.Format);
    DWORD texel = 0;
    std::memcpy(&texel, static_cast<const BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch + x * bytes,
                bytes < 4 ? bytes : 4);
    texture->UnlockRect(level);
    return texel;
}

}  // namespace test_support
