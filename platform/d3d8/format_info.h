// Sizes and kinds of Direct3D formats, for allocation and locking.
#pragma once

#include "platform/d3d8/types.h"

namespace d3d8 {

// Bytes per pixel of a format the device can hold in a surface; 0 for formats it cannot.
// Depth formats report 4: depth surfaces keep one float per pixel.
constexpr UINT BytesPerPixel(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_X8L8V8U8:
    case D3DFMT_D16:
    case D3DFMT_D24X8:
    case D3DFMT_D24S8:
    case D3DFMT_D32:
        return 4;
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
    case D3DFMT_A8L8:
        return 2;
    case D3DFMT_L8:
    case D3DFMT_A8:
        return 1;
    default:
        return 0;
    }
}

constexpr bool IsDepthFormat(D3DFORMAT format) {
    return format == D3DFMT_D16 || format == D3DFMT_D24X8 || format == D3DFMT_D24S8 || format == D3DFMT_D32 ||
           format == D3DFMT_D15S1 || format == D3DFMT_D24X4S4 || format == D3DFMT_D16_LOCKABLE;
}

constexpr bool HasStencil(D3DFORMAT format) {
    return format == D3DFMT_D24S8 || format == D3DFMT_D15S1 || format == D3DFMT_D24X4S4;
}

}  // namespace d3d8
