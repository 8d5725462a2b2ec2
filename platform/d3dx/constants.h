// D3DX constants, result codes and the small structures the loaders share, with their
// published names and values.
#pragma once

#include "platform/d3d8/types.h"

// "Take it from the file" for sizes, "full chain" for mip levels, "the default" for filters.
constexpr UINT D3DX_DEFAULT = 0xffffffffu;

// Filters: the low byte picks the kernel, the high bits change how edges are treated.
// Without a mirror flag, samples beyond an edge wrap around to the opposite edge.
constexpr DWORD D3DX_FILTER_NONE = 1;      // no scaling: pixels outside the source are black
constexpr DWORD D3DX_FILTER_POINT = 2;     // nearest source pixel
constexpr DWORD D3DX_FILTER_LINEAR = 3;    // bilinear between the four nearest pixels
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;  // every source pixel weighted by the area it covers
constexpr DWORD D3DX_FILTER_BOX = 5;       // as TRIANGLE (box weights)
constexpr DWORD D3DX_FILTER_MIRROR_U = 0x00010000;
constexpr DWORD D3DX_FILTER_MIRROR_V = 0x00020000;
constexpr DWORD D3DX_FILTER_MIRROR_W = 0x00040000;
constexpr DWORD D3DX_FILTER_MIRROR = 0x00070000;
constexpr DWORD D3DX_FILTER_DITHER = 0x00080000;  // accepted; the packers round instead

constexpr HRESULT MAKE_DDHRESULT(DWORD code) { return static_cast<HRESULT>(0x88760000u | code); }

constexpr HRESULT D3DXERR_CANNOTMODIFYINDEXBUFFER = MAKE_DDHRESULT(2900);
constexpr HRESULT D3DXERR_INVALIDMESH = MAKE_DDHRESULT(2901);
constexpr HRESULT D3DXERR_CANNOTATTRSORT = MAKE_DDHRESULT(2902);
constexpr HRESULT D3DXERR_SKINNINGNOTSUPPORTED = MAKE_DDHRESULT(2903);
constexpr HRESULT D3DXERR_TOOMANYINFLUENCES = MAKE_DDHRESULT(2904);
constexpr HRESULT D3DXERR_INVALIDDATA = MAKE_DDHRESULT(2905);
constexpr HRESULT D3DXERR_LOADEDMESHHASNODATA = MAKE_DDHRESULT(2906);

enum D3DXIMAGE_FILEFORMAT : DWORD {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_FORCE_DWORD = 0x7fffffff,
};

// What a loader found in the file (before any scaling or conversion).
struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

// Palettes are not supported: a palette pointer is accepted and left untouched.
struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
