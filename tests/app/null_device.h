// The base of the frame tests' stand-in device (made by their stand-in Direct3D object, which
// simulates adapters the machine does not have): an IDirect3DDevice8 that accepts every state
// it is given and has nothing to give back. Setters, scenes, clears and presents succeed;
// creation, getters and draws fail with D3DERR_INVALIDCALL and clear their out-pointer. The
// stand-in overrides what the frame's tests record or need; reference counting is left to it.
#pragma once

#include "platform/d3d8.h"

namespace fake {

class NullDevice : public IDirect3DDevice8 {
public:
    HRESULT TestCooperativeLevel() override { return D3D_OK; }
    UINT GetAvailableTextureMem() override { return 0; }
    HRESULT GetDirect3D(IDirect3D8** out) override { return Nothing(out); }
    HRESULT GetDeviceCaps(D3DCAPS8*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetDisplayMode(D3DDISPLAYMODE*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetCursorProperties(UINT, UINT, IDirect3DSurface8*) override { return D3DERR_INVALIDCALL; }
    void SetCursorPosition(UINT, UINT, DWORD) override {}
    BOOL ShowCursor(BOOL) override { return FALSE; }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override { return D3DERR_INVALIDCALL; }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { return D3D_OK; }
    HRESULT GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8** out) override { return Nothing(out); }

    HRESULT CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture8** out) override {
        return Nothing(out);
    }
    HRESULT CreateVertexBuffer(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer8** out) override {
        return Nothing(out);
    }
    HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer8** out) override {
        return Nothing(out);
    }
    HRESULT CreateRenderTarget(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, BOOL, IDirect3DSurface8** out) override {
        return Nothing(out);
    }
    HRESULT CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, IDirect3DSurface8** out) override {
        return Nothing(out);
    }
    HRESULT CreateImageSurface(UINT, UINT, D3DFORMAT, IDirect3DSurface8** out) override { return Nothing(out); }
    HRESULT CopyRects(IDirect3DSurface8*, const RECT*, UINT, IDirect3DSurface8*, const POINT*) override {
        return D3DERR_INVALIDCALL;
    }

    HRESULT SetRenderTarget(IDirect3DSurface8*, IDirect3DSurface8*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetRenderTarget(IDirect3DSurface8** out) override { return Nothing(out); }
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** out) override { return Nothing(out); }

    HRESULT BeginScene() override { return D3D_OK; }
    HRESULT EndScene() override { return D3D_OK; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3D_OK; }

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return D3D_OK; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetViewport(const D3DVIEWPORT8*) override { return D3D_OK; }
    HRESULT GetViewport(D3DVIEWPORT8*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetMaterial(const D3DMATERIAL8*) override { return D3D_OK; }
    HRESULT GetMaterial(D3DMATERIAL8*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetLight(DWORD, const D3DLIGHT8*) override { return D3D_OK; }
    HRESULT GetLight(DWORD, D3DLIGHT8*) override { return D3DERR_INVALIDCALL; }
    HRESULT LightEnable(DWORD, BOOL) override { return D3D_OK; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return D3D_OK; }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return D3DERR_INVALIDCALL; }

    HRESULT BeginStateBlock() override { return D3DERR_INVALIDCALL; }
    HRESULT EndStateBlock(DWORD*) override { return D3DERR_INVALIDCALL; }
    HRESULT ApplyStateBlock(DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT CaptureStateBlock(DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT DeleteStateBlock(DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE, DWORD*) override { return D3DERR_INVALIDCALL; }

    HRESULT GetTexture(DWORD, IDirect3DBaseTexture8** out) override { return Nothing(out); }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture8*) override { return D3D_OK; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return D3D_OK; }
    HRESULT ValidateDevice(DWORD*) override { return D3DERR_INVALIDCALL; }

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*,
                                   UINT) override {
        return D3DERR_INVALIDCALL;
    }

    HRESULT SetVertexShader(DWORD) override { return D3D_OK; }
    HRESULT GetVertexShader(DWORD*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer8*, UINT) override { return D3D_OK; }
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer8** out, UINT*) override { return Nothing(out); }
    HRESULT SetIndices(IDirect3DIndexBuffer8*, UINT) override { return D3D_OK; }
    HRESULT GetIndices(IDirect3DIndexBuffer8** out, UINT*) override { return Nothing(out); }

protected:
    template <typename T>
    static HRESULT Nothing(T** out) {
        if (out) *out = nullptr;
        return D3DERR_INVALIDCALL;
    }
};

}  // namespace fake
