// A device that passes every call on to a real one, for wrappers that change a few of them.
#pragma once

#include "platform/d3d8.h"

namespace fake {

// Every call goes to `inner` unchanged, reference counting included.
class ForwardingDevice : public IDirect3DDevice8 {
public:
    explicit ForwardingDevice(IDirect3DDevice8* inner) : inner_(inner) {}
    IDirect3DDevice8* Inner() const { return inner_; }

    ULONG AddRef() override { return inner_->AddRef(); }
    ULONG Release() override { return inner_->Release(); }

// One line per method: Result Name(Params) passed on as inner_->Name(Args).
#define FORWARD(Result, Name, Params, Args) \
    Result Name Params override { return inner_->Name Args; }
    FORWARD(HRESULT, TestCooperativeLevel, (), ())
    FORWARD(UINT, GetAvailableTextureMem, (), ())
    FORWARD(HRESULT, GetDirect3D, (IDirect3D8** a), (a))
    FORWARD(HRESULT, GetDeviceCaps, (D3DCAPS8* a), (a))
    FORWARD(HRESULT, GetDisplayMode, (D3DDISPLAYMODE* a), (a))
    FORWARD(HRESULT, SetCursorProperties, (UINT a, UINT b, IDirect3DSurface8* c), (a, b, c))
    FORWARD(void, SetCursorPosition, (UINT a, UINT b, DWORD c), (a, b, c))
    FORWARD(BOOL, ShowCursor, (BOOL a), (a))
    FORWARD(HRESULT, Reset, (D3DPRESENT_PARAMETERS* a), (a))
    FORWARD(HRESULT, Present, (const RECT* a, const RECT* b, HWND c, const void* d), (a, b, c, d))
    FORWARD(HRESULT, GetBackBuffer, (UINT a, D3DBACKBUFFER_TYPE b, IDirect3DSurface8** c), (a, b, c))
    FORWARD(HRESULT, CreateTexture, (UINT a, UINT b, UINT c, DWORD d, D3DFORMAT e, D3DPOOL f, IDirect3DTexture8** g),
            (a, b, c, d, e, f, g))
    FORWARD(HRESULT, CreateVertexBuffer, (UINT a, DWORD b, DWORD c, D3DPOOL d, IDirect3DVertexBuffer8** e),
            (a, b, c, d, e))
    FORWARD(HRESULT, CreateIndexBuffer, (UINT a, DWORD b, D3DFORMAT c, D3DPOOL d, IDirect3DIndexBuffer8** e),
            (a, b, c, d, e))
    FORWARD(HRESULT, CreateRenderTarget,
            (UINT a, UINT b, D3DFORMAT c, D3DMULTISAMPLE_TYPE d, BOOL e, IDirect3DSurface8** f), (a, b, c, d, e, f))
    FORWARD(HRESULT, CreateDepthStencilSurface,
            (UINT a, UINT b, D3DFORMAT c, D3DMULTISAMPLE_TYPE d, IDirect3DSurface8** e), (a, b, c, d, e))
    FORWARD(HRESULT, CreateImageSurface, (UINT a, UINT b, D3DFORMAT c, IDirect3DSurface8** d), (a, b, c, d))
    FORWARD(HRESULT, CopyRects, (IDirect3DSurface8* a, const RECT* b, UINT c, IDirect3DSurface8* d, const POINT* e),
            (a, b, c, d, e))
    FORWARD(HRESULT, SetRenderTarget, (IDirect3DSurface8* a, IDirect3DSurface8* b), (a, b))
    FORWARD(HRESULT, GetRenderTarget, (IDirect3DSurface8** a), (a))
    FORWARD(HRESULT, GetDepthStencilSurface, (IDirect3DSurface8** a), (a))
    FORWARD(HRESULT, BeginScene, (), ())
    FORWARD(HRESULT, EndScene, (), ())
    FORWARD(HRESULT, Clear, (DWORD a, const D3DRECT* b, DWORD c, D3DCOLOR d, float e, DWORD f), (a, b, c, d, e, f))
    FORWARD(HRESULT, SetTransform, (D3DTRANSFORMSTATETYPE a, const D3DMATRIX* b), (a, b))
    FORWARD(HRESULT, GetTransform, (D3DTRANSFORMSTATETYPE a, D3DMATRIX* b), (a, b))
    FORWARD(HRESULT, SetViewport, (const D3DVIEWPORT8* a), (a))
    FORWARD(HRESULT, GetViewport, (D3DVIEWPORT8* a), (a))
    FORWARD(HRESULT, SetMaterial, (const D3DMATERIAL8* a), (a))
    FORWARD(HRESULT, GetMaterial, (D3DMATERIAL8* a), (a))
    FORWARD(HRESULT, SetLight, (DWORD a, const D3DLIGHT8* b), (a, b))
    FORWARD(HRESULT, GetLight, (DWORD a, D3DLIGHT8* b), (a, b))
    FORWARD(HRESULT, LightEnable, (DWORD a, BOOL b), (a, b))
    FORWARD(HRESULT, GetLightEnable, (DWORD a, BOOL* b), (a, b))
    FORWARD(HRESULT, SetRenderState, (D3DRENDERSTATETYPE a, DWORD b), (a, b))
    FORWARD(HRESULT, GetRenderState, (D3DRENDERSTATETYPE a, DWORD* b), (a, b))
    FORWARD(HRESULT, BeginStateBlock, (), ())
    FORWARD(HRESULT, EndStateBlock, (DWORD* a), (a))
    FORWARD(HRESULT, ApplyStateBlock, (DWORD a), (a))
    FORWARD(HRESULT, CaptureStateBlock, (DWORD a), (a))
    FORWARD(HRESULT, DeleteStateBlock, (DWORD a), (a))
    FORWARD(HRESULT, CreateStateBlock, (D3DSTATEBLOCKTYPE a, DWORD* b), (a, b))
    FORWARD(HRESULT, GetTexture, (DWORD a, IDirect3DBaseTexture8** b), (a, b))
    FORWARD(HRESULT, SetTexture, (DWORD a, IDirect3DBaseTexture8* b), (a, b))
    FORWARD(HRESULT, GetTextureStageState, (DWORD a, D3DTEXTURESTAGESTATETYPE b, DWORD* c), (a, b, c))
    FORWARD(HRESULT, SetTextureStageState, (DWORD a, D3DTEXTURESTAGESTATETYPE b, DWORD c), (a, b, c))
    FORWARD(HRESULT, ValidateDevice, (DWORD* a), (a))
    FORWARD(HRESULT, DrawPrimitive, (D3DPRIMITIVETYPE a, UINT b, UINT c), (a, b, c))
    FORWARD(HRESULT, DrawIndexedPrimitive, (D3DPRIMITIVETYPE a, UINT b, UINT c, UINT d, UINT e), (a, b, c, d, e))
    FORWARD(HRESULT, DrawPrimitiveUP, (D3DPRIMITIVETYPE a, UINT b, const void* c, UINT d), (a, b, c, d))
    FORWARD(HRESULT, DrawIndexedPrimitiveUP,
            (D3DPRIMITIVETYPE a, UINT b, UINT c, UINT d, const void* e, D3DFORMAT f, const void* g, UINT h),
            (a, b, c, d, e, f, g, h))
    FORWARD(HRESULT, SetVertexShader, (DWORD a), (a))
    FORWARD(HRESULT, GetVertexShader, (DWORD* a), (a))
    FORWARD(HRESULT, SetStreamSource, (UINT a, IDirect3DVertexBuffer8* b, UINT c), (a, b, c))
    FORWARD(HRESULT, GetStreamSource, (UINT a, IDirect3DVertexBuffer8** b, UINT* c), (a, b, c))
    FORWARD(HRESULT, SetIndices, (IDirect3DIndexBuffer8* a, UINT b), (a, b))
    FORWARD(HRESULT, GetIndices, (IDirect3DIndexBuffer8** a, UINT* b), (a, b))
#undef FORWARD

protected:
    IDirect3DDevice8* inner_;
};

}  // namespace fake
