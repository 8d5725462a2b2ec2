#include "platform/d3d8/caps.h"

#include "platform/d3d8/backend.h"
#include "platform/d3d8/format_info.h"

#include <cstring>

namespace d3d8 {

bool IsDeviceTypeAvailable(D3DDEVTYPE type) { return RasterizerAvailable(type); }

D3DCAPS8 DeviceCaps(D3DDEVTYPE type) {
    D3DCAPS8 c;
    std::memset(&c, 0, sizeof c);
    c.DeviceType = type;
    c.Caps2 = D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES;
    c.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    c.CursorCaps = D3DCURSORCAPS_COLOR;
    c.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
                D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWTRANSFORMANDLIGHT |
                D3DDEVCAPS_HWRASTERIZATION;  // no pure device
    c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
    c.RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_WFOG | D3DPRASTERCAPS_ZFOG;
    const DWORD allCmp = D3DPCMPCAPS_NEVER | D3DPCMPCAPS_LESS | D3DPCMPCAPS_EQUAL | D3DPCMPCAPS_LESSEQUAL |
                         D3DPCMPCAPS_GREATER | D3DPCMPCAPS_NOTEQUAL | D3DPCMPCAPS_GREATEREQUAL | D3DPCMPCAPS_ALWAYS;
    c.ZCmpCaps = allCmp;
    c.AlphaCmpCaps = allCmp;
    const DWORD blend11 = 0x000007ffu;  // D3DBLEND_ZERO .. D3DBLEND_SRCALPHASAT
    c.SrcBlendCaps = blend11;
    c.DestBlendCaps = blend11;
    c.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND | D3DPSHADECAPS_FOGGOURAUD;
    c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
    c.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                          D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    c.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_INDEPENDENTUV;
    c.MaxTextureWidth = 4096;
    c.MaxTextureHeight = 4096;
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = 4096;
    c.MaxAnisotropy = 1;
    c.MaxVertexW = 1e10f;
    c.GuardBandLeft = -8192.0f;
    c.GuardBandTop = -8192.0f;
    c.GuardBandRight = 8192.0f;
    c.GuardBandBottom = 8192.0f;
    c.FVFCaps = 8;  // texture coordinate sets
    c.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                      D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_ADD | D3DTEXOPCAPS_BUMPENVMAP |
                      D3DTEXOPCAPS_BUMPENVMAPLUMINANCE;
    c.MaxTextureBlendStages = 8;
    c.MaxSimultaneousTextures = 8;
    c.VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS;
    c.MaxActiveLights = 8;
    c.MaxUserClipPlanes = 0;
    c.MaxVertexBlendMatrices = 0;
    c.MaxVertexBlendMatrixIndex = 0;
    c.MaxPointSize = 512.0f;  // above the 500 pixels particle systems ask for
    c.MaxPrimitiveCount = 0x00ffffff;
    c.MaxVertexIndex = 0x00ffffff;
    c.MaxStreams = 16;
    c.MaxStreamStride = 255;
    c.VertexShaderVersion = 0;
    c.MaxVertexShaderConst = 0;
    c.PixelShaderVersion = 0;
    c.MaxPixelShaderValue = 0.0f;
    return c;
}

bool IsDisplayFormat(D3DFORMAT f) { return IsOfferedAs(f, kUseDisplay); }
bool IsBackBufferFormat(D3DFORMAT f) { return IsOfferedAs(f, kUseBackBuffer); }
bool IsTextureFormat(D3DFORMAT f) { return IsOfferedAs(f, kUseTexture); }
bool IsRenderTargetFormat(D3DFORMAT f) { return IsOfferedAs(f, kUseRenderTarget); }
bool IsSupportedDepthFormat(D3DFORMAT f) { return IsOfferedAs(f, kUseDepthStencil); }

bool IsBackBufferCompatible(D3DFORMAT display, D3DFORMAT back) {
    if (!IsDisplayFormat(display) || !IsBackBufferFormat(back)) return false;
    return back == display || (display == D3DFMT_X8R8G8B8 && back == D3DFMT_A8R8G8B8);
}

}  // namespace d3d8
